#pragma once
// Seam over the page fetch. A fetch is started for a URL and its page
// collected later, so the next page can already be on its way while the
// current one is scanned; OpenURL does both at once. Collecting blocks the
// caller while the event loop keeps running, and throws AppError on failure.

#include <QByteArray>
#include <QString>

#include <memory>

class PendingPage {
public:
    virtual ~PendingPage() = default; // a page never collected is abandoned
    // The page's bytes; throws AppError when the fetch failed. Call once.
    virtual QByteArray take() = 0;
    // Once take() has returned or thrown: the URL of the last answer, after
    // redirects (empty when none came), and its HTTP status (0 when none).
    virtual QString finalUrl() const { return {}; }
    virtual int httpStatus() const { return 0; }
    // Once take() has returned: the answer's Content-Type header, empty when none came.
    virtual QByteArray contentType() const { return {}; }
};

class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    // Throws AppError at once for a URL that cannot be fetched at all.
    virtual std::unique_ptr<PendingPage> start(const QString& url) = 0;

    QByteArray OpenURL(const QString& url) { return start(url)->take(); }
};
