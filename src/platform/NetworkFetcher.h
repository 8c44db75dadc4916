#pragma once
// The real page fetch over HTTP and HTTPS, built to survive hostile servers:
// a URL without a scheme is taken as http, other schemes are refused, at most
// ten redirects are followed, compressed bodies are decoded, certificates are
// verified, a transfer that makes no progress for a while is abandoned, and a
// decoded body larger than the cap is refused. An HTTP error status is a
// failure. The caller waits in a local event loop, so the window keeps
// repainting and can be closed during a slow fetch.

#include "PageFetcher.h"

#include <QNetworkAccessManager>

#include <chrono>

class NetworkFetcher final : public PageFetcher {
public:
    struct Limits {
        std::chrono::milliseconds stallTimeout{30'000};
        qint64 maximumBodyBytes = 64LL * 1024 * 1024;
        int maximumRedirects = 10;
    };

    NetworkFetcher();
    explicit NetworkFetcher(Limits limits);

    std::unique_ptr<PendingPage> start(const QString& url) override;

    // http(s) URL for what the user typed; throws AppError for other schemes.
    static QUrl pageUrl(const QString& typed);
    static QByteArray userAgent();

private:
    Limits m_limits;
    QNetworkAccessManager m_manager;
};
