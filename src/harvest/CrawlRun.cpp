#include "CrawlRun.h"

#include "HarvestOutput.h"
#include "ProgressLine.h"
#include "UrlFeed.h"
#include "core/AppError.h"
#include "core/web/Sitemap.h"
#include "render/RenderPool.h"

#include <QScopeGuard>
#include <QTimer>

#include <csignal>
#include <cstring>

namespace {
HostTable::Rules hostRules(const HarvestOptions& options)
{
    HostTable::Rules rules;
    rules.connections = options.maxPerHost;
    rules.waitMs = options.waitMs;
    rules.retries = options.retries;
    return rules;
}
} // namespace

CrawlRun::CrawlRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, HarvestOutput& output)
    : m_options(options), m_fetcher(fetcher), m_reader(reader), m_output(output), m_hosts(hostRules(options)),
      m_sitemaps(std::size_t(options.maxPages))
{
    std::optional<std::string> region;
    if (options.region && options.format != HarvestOptions::Format::Urls)
        region = *options.region;
    // Many times what a crawl could still take: links off the site or
    // refused by robots.txt take no place in it.
    const qsizetype linksAtMost = std::max<qsizetype>(10 * qsizetype(options.maxPages), 1000);
    m_reading = std::make_unique<PageReading>(output, std::move(region), linksAtMost);
    if (options.render) {
        RenderPool::Settings settings;
        settings.browser.sandbox = !options.renderWithoutSandbox;
        settings.tabs = options.renderTabs;
        settings.timing.deadline = std::chrono::seconds(options.renderDeadlineSeconds);
        settings.timing.settleCap = settings.timing.deadline / 3;
        m_render = std::make_unique<RenderPool>(std::move(settings), fetcher);
    }
}

CrawlRun::~CrawlRun()
{
    m_fetcher.setOnFinished({});
}

int CrawlRun::exec()
{
    ProgressLine progress(!m_output.quiet(), [this] {
        ProgressLine::Counts counts{m_donePages,  m_reader.count(),           m_output.rows(), m_output.failures(),
                                    m_disallowed, m_hosts.retriesScheduled(), m_notPages};
        if (m_options.follow > 0) {
            counts.known = m_donePages;
            for (const SiteCrawl& site : m_crawls)
                counts.known += qint64(site.pages().size() - site.flushed());
        }
        return counts;
    });
    m_output.setProgress(&progress);
    // Whatever can bring work ends a wait: an answer, input, pages read.
    m_fetcher.setOnFinished([this] { m_wake.quit(); });
    const QMetaObject::Connection onInput = QObject::connect(&m_reader, &UrlFeed::arrived, &m_wake, &QEventLoop::quit);
    const QMetaObject::Connection onRead =
        QObject::connect(m_reading.get(), &PageReading::pagesRead, &m_wake, &QEventLoop::quit);
    // Pages the browser is through with are read as they come.
    QMetaObject::Connection onRendered;
    if (m_render)
        onRendered = QObject::connect(m_render.get(), &RenderPool::rendered, &m_wake, &QEventLoop::quit);
    m_reader.start();
    while (m_output.open() && !m_interruptedBy) {
        m_output.reportInputErrors(m_reader);
        admitStartPages();
        // Before the requests start: the connection a robots.txt given up
        // held may be the one the next request waits for.
        expireRobots();
        startRequests();
        bool arrived = finishArrived();
        arrived = takeRenderedPages() || arrived;
        arrived = takeReadPages() || arrived;
        m_fetcher.setHeldElsewhere(m_reading->waitingBytes());
        flush();
        if (arrived)
            continue;
        // Pages being read are waited for in the event loop, like the rest,
        // so a signal or a line of input is heard meanwhile.
        if (m_inputEnded && m_inFlight.empty() && !m_hosts.anyWaiting() && !(m_render && m_render->busy()) &&
            m_reading->idle())
            break;
        waitForEvent();
    }
    m_fetcher.setOnFinished({});
    QObject::disconnect(onInput);
    QObject::disconnect(onRead);
    QObject::disconnect(onRendered);
    m_render.reset(); // the browser goes before the last lines
    if (m_interruptedBy) {
        m_inFlight.clear(); // their transfers end here
        // Pages still being read are not finished: they are not waited for.
        takeReadPages();
        flush();
        reportInterruption();
    }
    m_output.reportInputErrors(m_reader);
    m_output.finish();
    m_output.setProgress(nullptr);
    return m_interruptedBy ? 128 + m_interruptedBy : m_output.exitStatus();
}

void CrawlRun::interrupt(int signal)
{
    m_interruptedBy = signal;
    m_wake.quit();
}

void CrawlRun::reportInterruption()
{
    const char* name = m_interruptedBy == SIGINT ? "SIGINT" : m_interruptedBy == SIGTERM ? "SIGTERM" : "a signal";
    m_output.notice(QByteArray("vandrell-harvest: interrupted by ") + name + ": the rows of " +
                    QByteArray::number(m_donePages) +
                    " pages were written; the pages after them were not all fetched\n");
}

void CrawlRun::waitForEvent()
{
    std::optional<qint64> wake = m_hosts.untilNextWake();
    for (const Request& request : m_inFlight) {
        if (request.waiting.kind != RequestKind::RobotsTxt)
            continue;
        const qint64 left = std::max<qint64>(0, request.startedAt + robotsTxtTimeoutMs - m_hosts.now());
        wake = std::min(wake.value_or(left), left);
    }
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&timer, &QTimer::timeout, &m_wake, &QEventLoop::quit);
    if (wake)
        timer.start(std::chrono::milliseconds(*wake));
    m_wake.exec();
}

SiteCrawl* CrawlRun::crawl(qint64 id)
{
    const qint64 index = id - m_firstCrawl;
    return index >= 0 && index < qint64(m_crawls.size()) ? &m_crawls[std::size_t(index)] : nullptr;
}

void CrawlRun::admitStartPages()
{
    // As many crawls at once as requests in flight: enough to keep them busy,
    // and memory bounded by --max-pages each.
    while (!m_inputEnded && qint64(m_crawls.size()) < m_options.jobs) {
        const qint64 position = m_firstCrawl + qint64(m_crawls.size());
        std::optional<QByteArray> line = m_reader.at(position);
        if (!line) {
            m_inputEnded = m_reader.endedBefore(position);
            return;
        }
        m_reader.release(position);
        PageUrl url;
        QString refusal;
        try {
            url = PageUrl::fromTyped(*line);
        } catch (const AppError& error) {
            refusal = error.reason();
        }
        SiteCrawl& site = m_crawls.emplace_back(std::move(*line), std::move(url), m_options.follow, m_options.maxPages);
        if (!refusal.isEmpty()) {
            SiteCrawl::Page& page = site.pages().front();
            page.failure = m_output.failureLine(page.named(), refusal); // reported in its turn
            page.state = SiteCrawl::Page::State::Done;
            site.queued() = 1;
            expand(position, site); // nothing to follow: the crawl is through
            continue;
        }
        enqueueNewPages(position, site);
        // Its links will need its host's robots.txt: asked for beside the
        // start page rather than after it, as wget2 does.
        if (m_options.follow > 0)
            askForRobots(m_hosts.host(site.pages().front().url));
    }
}

void CrawlRun::askForRobots(HostRecord& record)
{
    if (record.robots() != HostRecord::Robots::Unknown)
        return;
    m_hosts.robotsFetching(record);
    m_hosts.enqueue(record, {RequestKind::RobotsTxt, 0, 0, 0});
}

void CrawlRun::enqueueNewPages(qint64 id, SiteCrawl& site)
{
    for (std::size_t& i = site.queued(); i < site.pages().size(); ++i)
        m_hosts.enqueue(m_hosts.host(site.pages()[i].url), {RequestKind::Page, id, i, 0});
}

void CrawlRun::startRequests()
{
    // Pages waiting for a tab hold their bodies: no more than a tab each.
    const auto browserBehind = [this] { return m_render && m_render->waiting() >= m_options.renderTabs; };
    while (!m_interruptedBy && qint64(m_inFlight.size()) < m_options.jobs && !browserBehind() && !m_reading->behind()) {
        const auto ready = m_hosts.takeReady();
        if (!ready)
            return;
        request(ready->first, *ready->second);
    }
}

void CrawlRun::request(const WaitingRequest& waiting, HostRecord& record)
{
    Request request{waiting, &record, m_hosts.now(), {}, {}, nullptr};
    try {
        if (waiting.kind == RequestKind::RobotsTxt) {
            const PageUrl& url = record.robotsTxtUrl();
            request.pending = m_fetcher.start(url, QString::fromUtf8(url.request()));
        } else if (waiting.kind == RequestKind::Sitemap) {
            const PageUrl& url = m_sitemaps.file(waiting.item).url;
            request.pending = m_fetcher.start(url, QString::fromUtf8(url.request()));
        } else {
            SiteCrawl& site = *crawl(waiting.crawl);
            SiteCrawl::Page& page = site.pages()[waiting.item];
            page.state = SiteCrawl::Page::State::Requested;
            PageFetcher::RedirectCheck check;
            PageFetcher::Body body = PageFetcher::Body::Any;
            if (page.depth > 0) {
                request.redirect = std::make_shared<RedirectNote>();
                check = [this, id = waiting.crawl, note = request.redirect](const PageUrl& target) {
                    return judgeRedirect(id, target, *note);
                };
                body = PageFetcher::Body::PagesOnly;
            }
            request.pending = m_fetcher.start(page.url, QString::fromUtf8(page.named()), std::move(check), body);
        }
    } catch (const AppError& error) {
        request.refusal = error.reason(); // reported in its turn
    }
    m_inFlight.push_back(std::move(request));
}

SiteCrawl::Verdict CrawlRun::judgeLink(const PageUrl& link)
{
    HostRecord& record = m_hosts.host(link);
    if (record.robots() != HostRecord::Robots::Known)
        return SiteCrawl::Verdict::Wait;
    if (record.allows(link))
        return SiteCrawl::Verdict::Follow;
    ++m_disallowed;
    if (!record.robotsUnreadable().isEmpty() && !m_unreadableReported.contains(record.origin())) {
        m_unreadableReported.insert(record.origin());
        m_output.notice("vandrell-harvest: " + record.robotsTxtUrl().canonical() + ": " +
                        record.robotsUnreadable().toUtf8() + "; the pages of " + record.origin() +
                        " that links lead to are skipped, as RFC 9309 asks\n");
    }
    return SiteCrawl::Verdict::Refuse;
}

void CrawlRun::expand(qint64 id, SiteCrawl& site)
{
    const PageUrl* waiting = site.expand([this](const PageUrl& link) { return judgeLink(link); });
    enqueueNewPages(id, site);
    if (!waiting)
        return;
    askForRobots(m_hosts.host(*waiting));
}

void CrawlRun::expandAll()
{
    for (qint64 id = m_firstCrawl; id < m_firstCrawl + qint64(m_crawls.size()); ++id)
        expand(id, *crawl(id));
}

bool CrawlRun::finishArrived()
{
    bool any = false;
    // By index: finishing may start nothing, but may add to the list's end.
    for (std::size_t i = 0; i < m_inFlight.size();) {
        if (m_inFlight[i].pending && !m_inFlight[i].pending->finished()) {
            ++i;
            continue;
        }
        Request request = std::move(m_inFlight[i]);
        m_inFlight.erase(m_inFlight.begin() + qsizetype(i));
        finish(request);
        any = true;
    }
    return any;
}

void CrawlRun::expireRobots()
{
    for (std::size_t i = 0; i < m_inFlight.size(); ++i) {
        Request& request = m_inFlight[i];
        if (request.waiting.kind != RequestKind::RobotsTxt || m_hosts.now() - request.startedAt < robotsTxtTimeoutMs)
            continue;
        Request expired = std::move(request);
        m_inFlight.erase(m_inFlight.begin() + qsizetype(i));
        expired.pending.reset(); // its transfer ends here
        m_hosts.release(*expired.host);
        finishRobots(*expired.host, QStringLiteral("no answer within %1 s").arg(robotsTxtTimeoutMs / 1000));
        robotsKnown();
        return; // the list has changed: the next round looks again
    }
}

bool CrawlRun::retried(Request& request)
{
    if (!request.pending || !request.pending->transientFailure())
        return false;
    if (!m_hosts.retry(*request.host, request.waiting, request.pending->httpStatus(),
                       request.pending->retryAfterSeconds(), request.startedAt))
        return false;
    // The hops it took are not the crawl's yet: the next try takes them again.
    if (request.redirect) {
        if (SiteCrawl* site = crawl(request.waiting.crawl))
            for (const PageUrl& hop : request.redirect->taken)
                site->forget(hop);
    }
    return true;
}

void CrawlRun::finish(Request& request)
{
    const auto releaseHost = qScopeGuard([&] { m_hosts.release(*request.host); });
    if (request.waiting.kind == RequestKind::RobotsTxt) {
        if (!request.pending) {
            finishRobots(*request.host, request.refusal);
        } else {
            try {
                const QByteArray body = request.pending->take();
                m_hosts.robotsArrived(*request.host,
                                      RobotsTxt::parse(std::string_view(body.constData(), std::size_t(body.size()))));
            } catch (const AppError& error) {
                if (retried(request))
                    return;
                const int status = request.pending->httpStatus();
                if (status >= 400 && status < 500)
                    m_hosts.robotsArrived(*request.host, RobotsTxt::allowAll());
                else
                    finishRobots(*request.host, error.reason());
            }
        }
        robotsKnown();
        return;
    }
    if (request.waiting.kind == RequestKind::Sitemap) {
        finishSitemap(request);
        return;
    }
    SiteCrawl* site = crawl(request.waiting.crawl);
    if (!site)
        return;
    SiteCrawl::Page& page = site->pages()[request.waiting.item];
    if (request.pending) {
        finishPage(request.waiting.crawl, *site, request.waiting.item, *request.pending, request.redirect.get());
        if (page.state == SiteCrawl::Page::State::Rendering || page.state == SiteCrawl::Page::State::Reading)
            return; // done once it is read
        if (page.state != SiteCrawl::Page::State::Done && retried(request)) {
            page.state = SiteCrawl::Page::State::Known;
            return;
        }
        page.state = SiteCrawl::Page::State::Done;
    } else {
        page.failure = m_output.failureLine(page.named(), request.refusal);
        page.state = SiteCrawl::Page::State::Done;
    }
    expand(request.waiting.crawl, *site);
}

// Leaves the page Requested when it failed in a way a retry may mend, with
// its failure line written in case none does.
void CrawlRun::finishPage(qint64 id, SiteCrawl& site, std::size_t i, PendingPage& pending, const RedirectNote* redirect)
{
    QByteArray body;
    site.pages()[i].failure = QByteArray(); // an earlier try's
    try {
        body = pending.take();
    } catch (const AppError& error) {
        SiteCrawl::Page& page = site.pages()[i];
        using Outcome = RedirectNote::Outcome;
        if (!redirect || redirect->outcome == Outcome::Followed) {
            page.failure = m_output.failureLine(page.named(), error.reason());
            if (pending.transientFailure())
                return; // Requested: it may go again
            page.state = SiteCrawl::Page::State::Done;
        } else if (redirect->outcome == Outcome::Disallowed) {
            ++m_disallowed;
        } else if (redirect->outcome == Outcome::Deferred) {
            page.links.push_back(redirect->deferred);
        }
        page.state = SiteCrawl::Page::State::Done;
        return;
    }
    SiteCrawl::Page& page = site.pages()[i];
    page.state = SiteCrawl::Page::State::Done;
    if (pending.notAPage()) {
        ++m_notPages;
        return;
    }
    PageUrl finalUrl = pending.finalUrl();
    if (finalUrl.isNull())
        finalUrl = page.url;
    if (page.depth == 0) {
        site.startFetched(finalUrl);
        site.markSeen(page.url);
    }
    site.markSeen(finalUrl);
    if (rendersPage(site, page, pending.contentType())) {
        // Not done until the browser is through with it.
        page.state = SiteCrawl::Page::State::Rendering;
        m_render->add({id, i, std::move(finalUrl), std::move(body), pending.contentType(), {}, {}});
        return;
    }
    readPage(id, site, i, finalUrl, std::move(body), pending.contentType());
}

bool CrawlRun::rendersPage(const SiteCrawl& site, const SiteCrawl::Page& page, const QByteArray& contentType) const
{
    if (!m_render || (m_options.format == HarvestOptions::Format::Urls && !site.followsFrom(page)))
        return false;
    // What a browser would show as a document of its own; a page without a
    // type is sniffed by both.
    const QByteArray type = contentType.toLower();
    return type.isEmpty() || type.contains("html");
}

bool CrawlRun::takeRenderedPages()
{
    if (!m_render)
        return false;
    std::vector<RenderJob> done = m_render->takeDone();
    for (RenderJob& job : done) {
        SiteCrawl* site = crawl(job.crawl);
        if (!site)
            continue;
        SiteCrawl::Page& page = site->pages()[job.index];
        if (job.failure.isEmpty()) { // serialised by the browser, whatever the page was written in
            readPage(job.crawl, *site, job.index, job.url, std::move(job.html),
                     QByteArrayLiteral("text/html; charset=utf-8"));
            continue;
        }
        page.state = SiteCrawl::Page::State::Done;
        page.failure = m_output.failureLine(page.named(), job.failure);
        expand(job.crawl, *site);
    }
    return !done.empty();
}

void CrawlRun::readPage(qint64 id, SiteCrawl& site, std::size_t i, const PageUrl& finalUrl, QByteArray body,
                        QByteArray contentType)
{
    SiteCrawl::Page& page = site.pages()[i];
    page.state = SiteCrawl::Page::State::Reading;
    // Links only from pages whose links are followed.
    const bool followsLinks = site.followsFrom(page);
    if (followsLinks && m_options.sitemap && page.depth == 0)
        awaitSitemaps(id, page, finalUrl);
    m_reading->add({id, i, page.shown, finalUrl, std::move(body), std::move(contentType), followsLinks, {}, {}});
}

QString CrawlRun::judgeRedirect(qint64 id, const PageUrl& target, RedirectNote& note)
{
    using Outcome = RedirectNote::Outcome;
    SiteCrawl& site = *crawl(id); // in the run while its page is in flight
    const QString shown = QString::fromUtf8(target.canonical());
    note.outcome = Outcome::Disallowed;
    if (target.host() != site.host())
        return QStringLiteral("Redirect off the site refused: ") + shown;
    const HostRecord* record = m_hosts.find(target.origin());
    if (!record || record->robots() != HostRecord::Robots::Known) {
        note.outcome = Outcome::Deferred;
        note.deferred = target.asCanonical();
        return QStringLiteral("Redirect waits for the robots.txt of its target: ") + shown;
    }
    if (!record->allows(target))
        return QStringLiteral("Redirect refused by robots.txt: ") + shown;
    if (site.seen(target)) {
        note.outcome = Outcome::Duplicate;
        return QStringLiteral("Redirect to a page the crawl has already: ") + shown;
    }
    site.markSeen(target);
    note.taken.push_back(target);
    note.outcome = Outcome::Followed;
    return {};
}

// A robots.txt that is not there (4xx) allows everything; one the server
// cannot give (5xx, unreachable, no answer in time) allows nothing, as
// RFC 9309 asks.
void CrawlRun::finishRobots(HostRecord& record, const QString& reason)
{
    m_hosts.robotsArrived(record, std::nullopt, QStringLiteral("robots.txt could not be read (%1)").arg(reason));
}

void CrawlRun::robotsKnown()
{
    std::vector<QByteArray> waiting;
    waiting.swap(m_sitesAwaitingRobots);
    for (const QByteArray& site : waiting) {
        const HostRecord& host = *m_hosts.find(site);
        if (host.robots() == HostRecord::Robots::Known)
            askForSitemaps(site, host);
        else
            m_sitesAwaitingRobots.push_back(site);
    }
    // Links waiting for it may go on now, in every crawl.
    expandAll();
}

void CrawlRun::awaitSitemaps(qint64 id, SiteCrawl::Page& start, const PageUrl& finalUrl)
{
    const QByteArray site = finalUrl.origin();
    SitemapSeeds::Site& seeds = m_sitemaps.site(site);
    start.linksAwaited = true;
    seeds.crawls.push_back(id);
    if (seeds.known())
        return seedCrawls(site);
    if (seeds.started ||
        std::find(m_sitesAwaitingRobots.begin(), m_sitesAwaitingRobots.end(), site) != m_sitesAwaitingRobots.end())
        return;
    // robots.txt first: it names the sitemaps, and may forbid them.
    HostRecord& host = m_hosts.host(finalUrl);
    if (host.robots() == HostRecord::Robots::Known)
        return askForSitemaps(site, host);
    m_sitesAwaitingRobots.push_back(site);
    askForRobots(host);
}

void CrawlRun::askForSitemaps(const QByteArray& site, const HostRecord& host)
{
    std::vector<PageUrl> files;
    for (const QByteArray& named : host.sitemaps())
        if (const std::optional<PageUrl> url = PageUrl::fromAbsolute(named))
            files.push_back(*url);
    if (files.empty())
        files.push_back(*PageUrl::fromAbsolute(QByteArray(site + "/sitemap.xml")));
    for (const PageUrl& url : files) {
        const HostRecord* owner = m_hosts.find(url.origin());
        if (owner && owner->robots() == HostRecord::Robots::Known && !owner->allows(url))
            continue;
        if (const std::optional<std::size_t> index = m_sitemaps.addFile(site, url))
            m_hosts.enqueue(m_hosts.host(url), {RequestKind::Sitemap, 0, *index, 0});
    }
    m_sitemaps.site(site).started = true;
    if (m_sitemaps.site(site).known())
        seedCrawls(site);
}

void CrawlRun::finishSitemap(Request& request)
{
    const SitemapSeeds::File file = m_sitemaps.file(request.waiting.item);
    Sitemap read;
    if (!request.pending) {
        read.problem = request.refusal;
    } else {
        try {
            read = Sitemap::read(request.pending->take());
        } catch (const AppError& error) {
            if (retried(request))
                return;
            // A site without a sitemap is no news.
            const int status = request.pending->httpStatus();
            if (status != 404 && status != 410)
                read.problem = error.reason();
        }
    }
    if (!read.problem.isEmpty())
        m_output.notice("vandrell-harvest: " + file.url.canonical() + ": the sitemap " + read.problem.toUtf8() + '\n');
    for (const std::size_t child : m_sitemaps.read(request.waiting.item, read.isIndex, read.locations))
        m_hosts.enqueue(m_hosts.host(m_sitemaps.file(child).url), {RequestKind::Sitemap, 0, child, 0});
    if (m_sitemaps.site(file.site).known())
        seedCrawls(file.site);
}

void CrawlRun::seedCrawls(const QByteArray& site)
{
    SitemapSeeds::Site& seeds = m_sitemaps.site(site);
    std::vector<qint64> crawls;
    crawls.swap(seeds.crawls);
    for (const qint64 id : crawls) {
        SiteCrawl* waiting = crawl(id);
        if (!waiting)
            continue;
        SiteCrawl::Page& start = waiting->pages().front();
        start.links.insert(start.links.end(), seeds.pages.begin(), seeds.pages.end());
        start.linksAwaited = false;
        expand(id, *waiting);
    }
}

bool CrawlRun::takeReadPages()
{
    std::vector<PageReading::Page> read = m_reading->takeRead();
    for (PageReading::Page& done : read) {
        SiteCrawl* site = crawl(done.crawl);
        if (!site)
            continue;
        SiteCrawl::Page& page = site->pages()[done.index];
        page.rows = std::move(done.rows);
        // Before what the site's sitemaps may have added meanwhile.
        page.links.insert(page.links.begin(), std::make_move_iterator(done.links.begin()),
                          std::make_move_iterator(done.links.end()));
        page.state = SiteCrawl::Page::State::Done;
        expand(done.crawl, *site);
    }
    return !read.empty();
}

void CrawlRun::flush()
{
    while (!m_crawls.empty()) {
        SiteCrawl& site = m_crawls.front();
        std::size_t& next = site.flushed();
        while (next < site.pages().size() && site.pages()[next].state == SiteCrawl::Page::State::Done) {
            SiteCrawl::Page& page = site.pages()[next++];
            if (!page.failure.isEmpty())
                m_output.fail(page.failure);
            else
                m_output.write(page.rows);
            page.rows = {};
            page.failure = QByteArray();
            ++m_donePages;
        }
        if (!site.finished())
            return;
        m_crawls.pop_front();
        ++m_firstCrawl;
    }
}
