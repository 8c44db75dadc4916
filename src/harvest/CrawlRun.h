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
class CurlFetcher;
class PendingPage;
class UrlFeed;

class CrawlRun final {
public:
    CrawlRun(const HarvestOptions& options, CurlFetcher& fetcher, UrlFeed& reader, HarvestOutput& output);
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
        // Set when a redirect of a followed page was refused: off the site,
        // or where robots.txt keeps us out. Not a failure.
        std::shared_ptr<bool> redirectRefused;
        std::unique_ptr<PendingPage> pending;
    };
    enum class Robots { Fetching, Known };

    void admitStartPages();
    void startRequests();
    // Lets the links of a crawl's done pages join it, as robots.txt allows,
    // asking for robots.txt where it is not known yet.
    void expand(SiteCrawl& site);
    // Why a followed page of the site may not be redirected to target, or
    // nothing. Where robots.txt for the target's origin is not read yet, the
    // hop goes on: it is the same host.
    QString redirectRefusal(const QString& host, const QByteArray& target) const;
    // Starts a request; a followed page's redirects stay on `site` (a host).
    void request(Request request, const QString& url, const QString& site = {});
    void finishOldest();
    void finishPage(SiteCrawl& crawl, std::size_t i, PendingPage& pending, bool redirectRefused);
    void finishRobots(const QString& origin, PendingPage* pending);
    void flush();
    SiteCrawl* crawl(qint64 id);

    const HarvestOptions& m_options;
    CurlFetcher& m_fetcher;
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
