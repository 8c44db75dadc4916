#pragma once
// Seam over the page fetch. A fetch is started for a URL and its page
// collected later, so the next page can already be on its way while the
// current one is scanned; OpenURL does both at once. Collecting blocks the
// caller while the event loop keeps running, and throws AppError on failure.

#include "core/web/PageUrl.h"

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class PendingPage {
public:
    virtual ~PendingPage() = default; // a page never collected is abandoned
    // The page's bytes; throws AppError when the fetch failed. Call once.
    virtual QByteArray take() = 0;
    // Once take() has returned or thrown: the URL of the last answer, after
    // redirects (null when none came), and its HTTP status (0 when none).
    virtual PageUrl finalUrl() const { return {}; }
    virtual int httpStatus() const { return 0; }
    // Once take() has returned: the answer's Content-Type header, empty when none came.
    virtual QByteArray contentType() const { return {}; }
    // Whether take() would return or throw at once, without waiting.
    virtual bool finished() const { return true; }
    // Once take() has thrown: whether the failure may pass if the page is
    // asked again later (HTTP 408, 429, 502, 503, 504, a connection reset or
    // closed with no answer, a connect timeout), and the wait the server
    // asked for in Retry-After, in seconds (0 when it named none).
    virtual bool transientFailure() const { return false; }
    virtual qint64 retryAfterSeconds() const { return 0; }
    // Once take() has returned: the answer was no page (Body::PagesOnly)
    // and was closed after its headers; take() gave nothing.
    virtual bool notAPage() const { return false; }
    // For a caller that waits by events rather than in take(): calls done on
    // this thread once take() would no longer wait (at once if it would not
    // now). From then on the page is treated as awaited: it never pauses
    // for its turn. done may start other fetches but not drop this page.
    virtual void whenDone(std::function<void()> done) { done(); }
};

class PageFetcher {
public:
    // Asked about each redirect hop's target once the fetch policy allows
    // it: a reason refuses the hop (the page then fails with that reason),
    // nothing lets it go.
    using RedirectCheck = std::function<QString(const PageUrl& target)>;
    // Which answers are read: any (a URL the user listed), or only those
    // whose Content-Type says HTML, XHTML or text (a link the crawl found).
    enum class Body { Any, PagesOnly };
    // What browsers allow themselves per server: enough to hide a distant
    // server's latency, too few to burden one server with a long list.
    // Requests past it wait for a connection.
    static constexpr int maximumConnectionsPerHost = 4;

    virtual ~PageFetcher() = default;
    // A URL as the user typed it; throws AppError at once for one that
    // cannot be fetched at all. Failures name it as typed, a password
    // shown as ***.
    std::unique_ptr<PendingPage> start(const QString& typed)
    {
        return start(PageUrl::fromTyped(typed.toUtf8()), QString::fromUtf8(PageUrl::shownSafely(typed.toUtf8())));
    }
    // A parsed URL; subject names the page in failures.
    virtual std::unique_ptr<PendingPage> start(const PageUrl& url, const QString& subject, RedirectCheck check = {},
                                               Body body = Body::Any) = 0;
    // Called from the event loop each time a page's fetch ends, so a caller
    // waiting for whichever page comes first knows when to look.
    virtual void setOnFinished(std::function<void()> notice) { (void)notice; }
    // Bytes of pages already fetched that the caller still holds (pages it
    // is reading): they count against what pages fetched ahead may hold, so
    // transfers pause while the caller is behind.
    virtual void setHeldElsewhere(qint64 bytes) { (void)bytes; }

    QByteArray OpenURL(const QString& url) { return start(url)->take(); }
};
