#pragma once
// A run of vandrell-harvest: every start page the reader delivers, with the
// pages of its site it links to within --follow (SiteCrawl; none without
// --follow), and robots.txt read once per host for the followed ones.
// Several start pages are crawled at once, so the requests in flight stay at
// --jobs even when one site allows only a few connections.
//
// The hosts' rules (waiting requests, retries, delays, connection caps,
// robots.txt) live in the HostTable; this class keeps the crawls. Requests
// are finished as their answers come, whichever host's comes first, so one
// slow server (or its robots.txt) holds up no other. Each page fetched goes
// to the reading threads (PageReading), which give back its rows and its
// links in one parse; the main thread runs the transfers and the crawl only.
// Rows are printed in the order of the start pages, each crawl's pages in
// breadth-first order, each page's once it is read. With --render, HTML
// pages are shown in a browser (RenderPool) before they are read: their rows
// and links come from the document it hands back.

#include "HarvestOptions.h"
#include "HostTable.h"
#include "PageReading.h"
#include "SiteCrawl.h"
#include "SitemapSeeds.h"
#include "core/fetch/PageFetcher.h"

#include <QByteArray>
#include <QEventLoop>
#include <QSet>

#include <deque>
#include <memory>
#include <vector>

class HarvestOutput;
class RenderPool;
struct RenderJob;
class UrlFeed;

class CrawlRun final {
public:
    // robots.txt may take this long; past it, it counts as unreadable.
    static constexpr qint64 robotsTxtTimeoutMs = 10'000;

    CrawlRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, HarvestOutput& output);
    ~CrawlRun();
    Q_DISABLE_COPY_MOVE(CrawlRun)

    // The exit status: 0 when every page was fetched, 2 otherwise, 128 and
    // the signal's number after interrupt().
    int exec();
    // Asks no more: the rows of the pages finished so far are written, in
    // their order, and exec() returns. Safe to call from the event loop.
    void interrupt(int signal);
    bool interrupted() const { return m_interruptedBy != 0; }

private:
    struct RedirectNote {
        // Followed, or refused: off the site or where robots.txt keeps us
        // out (counted), to a page the crawl has (the page is that one), or
        // to an origin whose robots.txt is not read yet (the target joins
        // the crawl as the page's link, judged once it is).
        enum class Outcome { Followed, Disallowed, Duplicate, Deferred } outcome = Outcome::Followed;
        PageUrl deferred;
        std::vector<PageUrl> taken; // hops followed, marked seen in the crawl
    };
    struct Request {
        WaitingRequest waiting;
        HostRecord* host = nullptr; // whose connection it takes
        qint64 startedAt = 0;       // on the host table's clock
        QString refusal;            // why the fetcher refused it outright
        // What became of a followed page's redirects; none is a failure.
        std::shared_ptr<RedirectNote> redirect;
        std::unique_ptr<PendingPage> pending;
    };

    void admitStartPages();
    void startRequests();
    // Hands the crawl's pages that are new to the scheduler.
    void enqueueNewPages(qint64 id, SiteCrawl& site);
    // Lets the links of a crawl's done pages join it, as robots.txt allows,
    // asking for robots.txt where it is not known yet.
    void expand(qint64 id, SiteCrawl& site);
    void expandAll();
    void askForRobots(HostRecord& host);
    SiteCrawl::Verdict judgeLink(const PageUrl& link);
    // Why a followed page of crawl `id` may not be redirected to target, or
    // nothing; a hop taken marks its target seen, so it is fetched once.
    QString judgeRedirect(qint64 id, const PageUrl& target, RedirectNote& note);
    void request(const WaitingRequest& waiting, HostRecord& host);
    // Finishes every request whose answer has come; false when none had.
    bool finishArrived();
    void finish(Request& request);
    // Whether a failed request goes again later; it then leaves the run for now.
    bool retried(Request& request);
    void finishPage(qint64 id, SiteCrawl& crawl, std::size_t i, PendingPage& pending, const RedirectNote* redirect);
    void finishRobots(HostRecord& host, const QString& reason);
    // robots.txt has come for some host: its sites' sitemaps may be asked for,
    // and the links waiting for it judged.
    void robotsKnown();
    // --sitemap: the start page of crawl `id` came from finalUrl; its links
    // wait for its site's sitemaps.
    void awaitSitemaps(qint64 id, SiteCrawl::Page& start, const PageUrl& finalUrl);
    void askForSitemaps(const QByteArray& site, const HostRecord& host);
    void finishSitemap(Request& request);
    // A site's sitemaps are all read: the crawls waiting for them go on.
    void seedCrawls(const QByteArray& site);
    // robots.txt requests past their time end as unreadable.
    void expireRobots();
    // Waits in the event loop for an answer, a host's delay to pass, input
    // or a signal.
    void waitForEvent();
    // Hands a fetched page to the reading threads, for its rows and, where
    // they are followed, its links.
    void readPage(qint64 id, SiteCrawl& site, std::size_t i, const PageUrl& finalUrl, QByteArray body,
                  QByteArray contentType);
    // Whether a fetched page goes through the browser first.
    bool rendersPage(const SiteCrawl& site, const SiteCrawl::Page& page, const QByteArray& contentType) const;
    // Gives the pages the browser is through with their rows and links.
    bool takeRenderedPages(); // whether any came
    // Gives the pages read their rows and links; whether any came.
    bool takeReadPages();
    void flush();
    void reportInterruption();
    SiteCrawl* crawl(qint64 id);

    const HarvestOptions& m_options;
    PageFetcher& m_fetcher;
    UrlFeed& m_reader;
    HarvestOutput& m_output;
    HostTable m_hosts;
    std::deque<SiteCrawl> m_crawls; // start positions m_firstCrawl, m_firstCrawl + 1, ...
    qint64 m_firstCrawl = 1;
    bool m_inputEnded = false;
    std::vector<Request> m_inFlight; // in the order started
    QEventLoop m_wake;
    int m_interruptedBy = 0;
    QSet<QByteArray> m_unreadableReported; // hosts named on standard error
    qint64 m_donePages = 0;
    qint64 m_disallowed = 0;
    qint64 m_notPages = 0;
    std::unique_ptr<PageReading> m_reading;
    SitemapSeeds m_sitemaps;
    std::vector<QByteArray> m_sitesAwaitingRobots; // their sitemaps wait for robots.txt
    std::unique_ptr<RenderPool> m_render;
};
