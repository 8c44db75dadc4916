#pragma once
// The real page fetch over HTTP and HTTPS, on libcurl's multi interface,
// driven from the Qt event loop on the caller's thread. It is built to
// survive hostile servers: only http and https, for the request and every
// redirect (a URL without a scheme is http); redirects followed here, each
// hop checked before it is requested, at most ten and never from https down
// to http; certificates verified against the system store; compressed bodies
// decoded, and a decoded body larger than the cap refused; an HTTP error
// status, a body cut short or a transfer too slow is a failure, and every
// failure names the URL as typed (a password as ***). The page's limits span
// its redirects. The system's proxy (http_proxy, https_proxy, all_proxy,
// no_proxy) is used, in whatever auth scheme it asks for.
//
// Many pages travel at once, over HTTP/1.1. Pages that arrive before their
// turn are kept, up to a shared memory budget; past it their transfers pause
// until the caller collects pages. The page being collected never pauses.

#include "core/fetch/PageFetcher.h"

#include <QList>

#include <chrono>
#include <memory>

class CurlFetcher final : public PageFetcher {
public:
    // One connection for each page the run keeps in flight.
    static constexpr long maximumConnections = 16;

    struct Limits {
        std::chrono::milliseconds connectTimeout{30'000};
        // Slower than this over lowSpeedTime fails; this also bounds the wait
        // for the first byte of the answer.
        long lowSpeedBytesPerSecond = 1000;
        std::chrono::seconds lowSpeedTime{30};
        std::chrono::milliseconds wholeTransferTimeout{300'000};
        qint64 maximumBodyBytes = 64LL * 1024 * 1024;
        // What pages waiting for their turn may hold together.
        qint64 aheadBudgetBytes = 256LL * 1024 * 1024;
        long maximumRedirects = 10;
        // Connections open at once, in all: one for each page in flight.
        long connections = maximumConnections;
        long connectionsPerHost = maximumConnectionsPerHost;
        QByteArray userAgent = CurlFetcher::userAgent();
        // libcurl's cookie engine, one jar for every transfer of this
        // fetcher, started with the cookies of a Netscape cookie file when
        // one is named.
        bool cookies = false;
        QString cookieFile;
        // A PEM file of certificate authorities trusted instead of the
        // system store; empty for the system store.
        QString certificateAuthorities;
        // The same for an https:// proxy's own certificate.
        QString proxyCertificateAuthorities;
    };

    CurlFetcher();
    explicit CurlFetcher(Limits limits);
    ~CurlFetcher() override;

    using PageFetcher::start;
    std::unique_ptr<PendingPage> start(const PageUrl& url, const QString& subject, RedirectCheck check = {},
                                       Body body = Body::Any) override;
    void setOnFinished(std::function<void()> notice) override;
    void setHeldElsewhere(qint64 bytes) override;
    // Cookies in the jar, as libcurl lists them (Netscape lines).
    QList<QByteArray> cookies() const;

    static QByteArray userAgent();

    class Engine;

private:
    std::unique_ptr<Engine> m_engine;
};
