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
    virtual std::unique_ptr<PendingPage> start(const PageUrl& url, const QString& subject,
                                               RedirectCheck check = {}) = 0;

    QByteArray OpenURL(const QString& url) { return start(url)->take(); }
};
