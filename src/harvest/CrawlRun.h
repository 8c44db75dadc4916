#pragma once
// A run of vandrell-harvest --follow: every start page the reader delivers,
// with the pages of its site it links to (SiteCrawl), and robots.txt read
// once per host for the followed ones. Several start pages are crawled at
// once, so the requests in flight stay at --jobs even when one site allows
// only a few connections; each page is scanned and its links taken as soon
// as it arrives, and dropped. Rows are printed in the order of the start
// pages, each crawl's pages in breadth-first order.

#include "HarvestOptions.h"
#include "SiteCrawl.h"
#include "core/RobotsTxt.h"

#include <QHash>

#include <deque>
#include <memory>
#include <optional>

class HarvestOutput;
class PageFetcher;
class PendingPage;
class UrlFeed;

class CrawlRun final {
public:
    // The fetcher opens at most requestsPerHost connections to one host; no
    // more are asked of it at once, so those in flight are never all queued
    // behind one busy site.
    CrawlRun(const HarvestOptions& options, PageFetcher& fetcher, int requestsPerHost, UrlFeed& reader,
             HarvestOutput& output);
    ~CrawlRun();
    Q_DISABLE_COPY_MOVE(CrawlRun)

    // The exit status: 0 when every page was fetched, 2 otherwise.
    int exec();

private:
    struct Request {
        qint64 crawl = 0; // the crawl's start position, or 0 for robots.txt
        std::size_t page = 0;
        QString origin;  // for robots.txt
        QString host;    // whose connections it takes
        QString refusal; // why the fetcher refused it outright
        std::unique_ptr<PendingPage> pending;
    };
    enum class Robots { Fetching, Known };

    void admitStartPages();
    void startRequests();
    // Lets the links of a crawl's done pages join it, as robots.txt allows,
    // asking for robots.txt where it is not known yet.
    void expand(SiteCrawl& site);
    // Whether robots.txt, where known, allows the URL a followed page was
    // redirected to; an origin not read yet is not asked for after the fact.
    bool redirectAllowed(const QByteArray& finalUrl) const;
    void request(Request request, const QString& url);
    void finishOldest();
    void finishPage(SiteCrawl& crawl, std::size_t i, PendingPage& pending);
    void finishRobots(const QString& origin, PendingPage* pending);
    void flush();
    SiteCrawl* crawl(qint64 id);

    const HarvestOptions& m_options;
    PageFetcher& m_fetcher;
    const int m_requestsPerHost;
    UrlFeed& m_reader;
    HarvestOutput& m_output;
    std::deque<SiteCrawl> m_crawls; // start positions m_firstCrawl, m_firstCrawl + 1, ...
    qint64 m_firstCrawl = 1;
    bool m_inputEnded = false;
    std::deque<Request> m_inFlight; // oldest first
    QHash<QString, int> m_inFlightOnHost;
    QHash<QString, Robots> m_robotsState;
    QStringList m_robotsWanted; // origins whose robots.txt is to be asked for
    QHash<QString, RobotsTxt> m_robots;
    qint64 m_donePages = 0;
    qint64 m_disallowed = 0;
};
