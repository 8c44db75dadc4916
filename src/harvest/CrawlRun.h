#pragma once
// A run of vandrell-harvest: every start page the reader delivers, with the
// pages of its site it links to within --follow (SiteCrawl; none without
// --follow), and robots.txt read once per host for the followed ones.
// Several start pages are crawled at once, so the requests in flight stay at
// --jobs even when one site allows only a few connections.
//
// One scheduler serves every request: each host keeps its waiting requests
// (HostRecord), and a host with a connection free is ready; the next
// request is the oldest among the ready hosts' first ones, so starting one
// costs the same however many pages wait. Requests are finished oldest
// first: each page is scanned and its links taken when its turn comes, and
// dropped. Rows are printed in the order of the start pages, each crawl's
// pages in breadth-first order. With --region, pages are read on a thread of
// their own (RegionReading) while the crawl goes on, and their rows wait for
// it in their place. With --render, HTML pages are shown in a browser
// (RenderPool) before they are read, and wait for it likewise: their rows
// and links come from the document the browser hands back.

#include "HarvestOptions.h"
#include "HostRecord.h"
#include "RegionReading.h"
#include "SiteCrawl.h"
#include "core/fetch/PageFetcher.h"

#include <QByteArray>

#include <deque>
#include <memory>
#include <set>
#include <unordered_map>

class HarvestOutput;
class RenderPool;
struct RenderJob;
class UrlFeed;

class CrawlRun final {
public:
    CrawlRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, HarvestOutput& output);
    ~CrawlRun();
    Q_DISABLE_COPY_MOVE(CrawlRun)

    // The exit status: 0 when every page was fetched, 2 otherwise.
    int exec();

    // Waiting requests the scheduler has looked at, and requests started.
    qint64 waitingLookedAt() const { return m_lookedAt; }
    qint64 requestsStarted() const { return m_started; }

private:
    struct RedirectNote {
        // Followed, or refused: off the site or where robots.txt keeps us
        // out (counted), to a page the crawl has (the page is that one), or
        // to an origin whose robots.txt is not read yet (the target joins
        // the crawl as the page's link, judged once it is).
        enum class Outcome { Followed, Disallowed, Duplicate, Deferred } outcome = Outcome::Followed;
        PageUrl deferred;
    };
    struct Request {
        qint64 crawl = 0; // the crawl's start position, or 0 for robots.txt
        std::size_t page = 0;
        HostRecord* host = nullptr; // whose connection it takes
        QString refusal;            // why the fetcher refused it outright
        // What became of a followed page's redirects; none is a failure.
        std::shared_ptr<RedirectNote> redirect;
        std::unique_ptr<PendingPage> pending;
    };
    struct KeyHash {
        std::size_t operator()(const QByteArray& key) const { return qHash(key); }
    };
    using Ready = std::pair<WaitingRequest, HostRecord*>;

    void admitStartPages();
    void startRequests();
    HostRecord& host(const PageUrl& url);
    void enqueue(HostRecord& host, WaitingRequest request);
    // Puts the host on the ready list, or takes it off, as it now stands.
    void reconsider(HostRecord& host);
    // Hands the crawl's pages that are new to the scheduler.
    void enqueueNewPages(qint64 id, SiteCrawl& site);
    // Lets the links of a crawl's done pages join it, as robots.txt allows,
    // asking for robots.txt where it is not known yet.
    void expand(qint64 id, SiteCrawl& site);
    // Why a followed page of crawl `id` may not be redirected to target, or
    // nothing; a hop taken marks its target seen, so it is fetched once.
    QString judgeRedirect(qint64 id, const PageUrl& target, RedirectNote& note);
    void request(const WaitingRequest& waiting, HostRecord& host);
    void finishOldest();
    void finishPage(qint64 id, SiteCrawl& crawl, std::size_t i, PendingPage& pending, const RedirectNote* redirect);
    // A done page's rows, and its links where they are followed.
    void readPage(qint64 id, SiteCrawl& site, std::size_t i, const PageUrl& finalUrl, const QByteArray& body,
                  const QByteArray& contentType);
    // Whether a fetched page goes through the browser first.
    bool rendersPage(const SiteCrawl& site, const SiteCrawl::Page& page, const QByteArray& contentType) const;
    // Gives the pages the browser is through with their rows and links.
    void takeRenderedPages();
    // Gives the pages RegionReading has read their rows; with wait, once it
    // has read every page handed to it.
    void takeReadPages(bool wait);
    void finishRobots(HostRecord& host, PendingPage* pending);
    void flush();
    SiteCrawl* crawl(qint64 id);

    const HarvestOptions& m_options;
    PageFetcher& m_fetcher;
    UrlFeed& m_reader;
    HarvestOutput& m_output;
    std::deque<SiteCrawl> m_crawls; // start positions m_firstCrawl, m_firstCrawl + 1, ...
    qint64 m_firstCrawl = 1;
    bool m_inputEnded = false;
    bool m_awaitingPage = false;
    std::deque<Request> m_inFlight;                              // oldest first
    std::unordered_map<QByteArray, HostRecord, KeyHash> m_hosts; // by origin; records never move
    std::set<Ready> m_ready;                                     // hosts with a connection free and a request waiting
    qint64 m_donePages = 0;
    qint64 m_disallowed = 0;
    qint64 m_lookedAt = 0;
    qint64 m_started = 0;
    std::unique_ptr<RegionReading> m_regionReading;
    std::unique_ptr<RenderPool> m_render;
};
