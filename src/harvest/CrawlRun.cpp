#include "CrawlRun.h"

#include "HarvestOutput.h"
#include "ProgressLine.h"
#include "UrlFeed.h"
#include "core/AppError.h"
#include "core/html/PageLinks.h"
#include "render/RenderPool.h"

#include <QScopeGuard>
#include <QSet>

CrawlRun::CrawlRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, HarvestOutput& output)
    : m_options(options), m_fetcher(fetcher), m_reader(reader), m_output(output)
{
    if (options.region && options.format != HarvestOptions::Format::Urls)
        m_regionReading = std::make_unique<RegionReading>(*options.region);
    if (options.render) {
        RenderPool::Settings settings;
        settings.browser.sandbox = !options.renderWithoutSandbox;
        settings.tabs = options.renderTabs;
        settings.timing.deadline = std::chrono::seconds(options.renderDeadlineSeconds);
        settings.timing.settleCap = settings.timing.deadline / 3;
        m_render = std::make_unique<RenderPool>(std::move(settings), fetcher);
    }
}

CrawlRun::~CrawlRun() = default;

int CrawlRun::exec()
{
    ProgressLine progress(!m_output.quiet(), [this] {
        if (m_options.follow == 0)
            return ProgressLine::Counts{m_donePages, m_reader.count(), m_output.rows(), m_output.failures()};
        qint64 known = m_donePages;
        for (const SiteCrawl& site : m_crawls)
            known += qint64(site.pages().size() - site.flushed());
        return ProgressLine::Counts{m_donePages, known, m_output.rows(), m_output.failures(), m_disallowed};
    });
    m_output.setProgress(&progress);
    // Lines that arrive while a page is awaited are requested at once, so a
    // slow input still keeps the requests in flight at --jobs.
    const QMetaObject::Connection startOnArrival = QObject::connect(&m_reader, &UrlFeed::arrived, &m_reader, [this] {
        if (!m_awaitingPage) // else the loop below waits for the line itself
            return;
        admitStartPages();
        startRequests();
    });
    // Pages the browser is through with while a page is awaited are read at
    // once, and their links join the crawl.
    QMetaObject::Connection readOnRender;
    if (m_render)
        readOnRender = QObject::connect(m_render.get(), &RenderPool::rendered, m_render.get(), [this] {
            takeRenderedPages();
            flush();
            if (m_awaitingPage)
                startRequests();
        });
    // Rows read while a page is awaited are printed at once.
    QMetaObject::Connection printOnRead;
    if (m_regionReading)
        printOnRead = QObject::connect(m_regionReading.get(), &RegionReading::pagesRead, m_regionReading.get(), [this] {
            takeReadPages(false);
            flush();
        });
    m_reader.start();
    while (m_output.open()) {
        m_output.reportInputErrors(m_reader);
        admitStartPages();
        startRequests();
        if (!m_inFlight.empty()) {
            m_awaitingPage = true;
            finishOldest();
            m_awaitingPage = false;
            takeReadPages(false);
            flush();
            continue;
        }
        if (m_render && m_render->busy()) {
            m_awaitingPage = true;
            m_render->waitForDone();
            m_awaitingPage = false;
            takeRenderedPages();
            flush();
            continue;
        }
        // Nothing in flight: what is left is being read, or waits for input.
        takeReadPages(true);
        flush(); // start pages that were no URLs
        // Nothing in flight, so every crawl is through once the input is:
        // each waiting request's host has a connection free.
        if (m_inputEnded)
            break;
        // Only new input can bring work.
        const qint64 next = m_firstCrawl + qint64(m_crawls.size());
        if (!m_reader.waitFor(next))
            m_inputEnded = true;
        flush();
    }
    QObject::disconnect(startOnArrival);
    QObject::disconnect(printOnRead);
    QObject::disconnect(readOnRender);
    m_render.reset(); // the browser goes before the last lines
    m_output.reportInputErrors(m_reader);
    m_output.finish();
    m_output.setProgress(nullptr);
    return m_output.exitStatus();
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
    }
}

HostRecord& CrawlRun::host(const PageUrl& url)
{
    return m_hosts[url.origin()];
}

void CrawlRun::enqueueNewPages(qint64 id, SiteCrawl& site)
{
    for (std::size_t& i = site.queued(); i < site.pages().size(); ++i)
        enqueue(host(site.pages()[i].url), {id, i});
}

void CrawlRun::enqueue(HostRecord& record, WaitingRequest request)
{
    record.waiting.push(request);
    reconsider(record);
}

void CrawlRun::reconsider(HostRecord& record)
{
    const bool ready = record.inFlight < PageFetcher::maximumConnectionsPerHost && !record.waiting.empty();
    if (record.readyAs && (!ready || *record.readyAs != record.waiting.top())) {
        m_ready.erase({*record.readyAs, &record});
        record.readyAs.reset();
    }
    if (ready && !record.readyAs) {
        record.readyAs = record.waiting.top();
        m_ready.insert({*record.readyAs, &record});
    }
}

void CrawlRun::startRequests()
{
    // Pages waiting for a tab hold their bodies: no more than a tab each.
    const auto browserBehind = [this] { return m_render && m_render->waiting() >= m_options.renderTabs; };
    while (qint64(m_inFlight.size()) < m_options.jobs && !m_ready.empty() && !browserBehind()) {
        HostRecord& record = *m_ready.begin()->second;
        const WaitingRequest next = record.waiting.top();
        record.waiting.pop();
        ++m_lookedAt;
        request(next, record);
        reconsider(record);
    }
}

void CrawlRun::request(const WaitingRequest& waiting, HostRecord& record)
{
    Request request{waiting.crawl, waiting.page, &record, {}, {}, nullptr};
    ++record.inFlight;
    ++m_started;
    try {
        if (waiting.crawl == 0) {
            request.pending = m_fetcher.start(record.robotsTxtUrl, QString::fromUtf8(record.robotsTxtUrl.request()));
        } else {
            SiteCrawl& site = *crawl(waiting.crawl);
            SiteCrawl::Page& page = site.pages()[waiting.page];
            page.state = SiteCrawl::Page::State::Requested;
            PageFetcher::RedirectCheck check;
            if (page.depth > 0) {
                request.redirect = std::make_shared<RedirectNote>();
                check = [this, id = waiting.crawl, note = request.redirect](const PageUrl& target) {
                    return judgeRedirect(id, target, *note);
                };
            }
            request.pending = m_fetcher.start(page.url, QString::fromUtf8(page.named()), std::move(check));
        }
    } catch (const AppError& error) {
        request.refusal = error.reason(); // reported in its turn
    }
    m_inFlight.push_back(std::move(request));
}

void CrawlRun::expand(qint64 id, SiteCrawl& site)
{
    const PageUrl* waiting = site.expand([this](const PageUrl& link) {
        const HostRecord& record = host(link);
        if (record.robots != HostRecord::Robots::Known)
            return SiteCrawl::Verdict::Wait;
        if (record.rules.allows(link.robotsPath().toStdString()))
            return SiteCrawl::Verdict::Follow;
        ++m_disallowed;
        return SiteCrawl::Verdict::Refuse;
    });
    enqueueNewPages(id, site);
    if (!waiting)
        return;
    HostRecord& record = host(*waiting);
    if (record.robots == HostRecord::Robots::Unknown) {
        record.robots = HostRecord::Robots::Fetching;
        record.robotsTxtUrl = *PageUrl::fromAbsolute(QByteArray(waiting->origin() + "/robots.txt"));
        enqueue(record, {0, 0});
    }
}

void CrawlRun::finishOldest()
{
    Request request = std::move(m_inFlight.front());
    m_inFlight.pop_front();
    const auto releaseHost = qScopeGuard([&] {
        --request.host->inFlight;
        reconsider(*request.host);
    });
    if (request.crawl == 0) {
        finishRobots(*request.host, request.pending.get());
        // Links waiting for it may go on now, in every crawl.
        for (qint64 id = m_firstCrawl; id < m_firstCrawl + qint64(m_crawls.size()); ++id)
            expand(id, *crawl(id));
        return;
    }
    SiteCrawl* site = crawl(request.crawl);
    if (!site)
        return;
    if (request.pending) {
        finishPage(request.crawl, *site, request.page, *request.pending, request.redirect.get());
    } else {
        SiteCrawl::Page& page = site->pages()[request.page];
        page.failure = m_output.failureLine(page.named(), request.refusal);
        page.state = SiteCrawl::Page::State::Done;
    }
    expand(request.crawl, *site);
}

void CrawlRun::finishPage(qint64 id, SiteCrawl& site, std::size_t i, PendingPage& pending, const RedirectNote* redirect)
{
    // The page is done once it is here: while it is awaited, rows read
    // meanwhile are printed, up to the page.
    QByteArray body;
    try {
        body = pending.take();
    } catch (const AppError& error) {
        SiteCrawl::Page& page = site.pages()[i];
        page.state = SiteCrawl::Page::State::Done;
        using Outcome = RedirectNote::Outcome;
        if (!redirect || redirect->outcome == Outcome::Followed)
            page.failure = m_output.failureLine(page.named(), error.reason());
        else if (redirect->outcome == Outcome::Disallowed)
            ++m_disallowed;
        else if (redirect->outcome == Outcome::Deferred)
            page.links.push_back(redirect->deferred);
        return;
    }
    SiteCrawl::Page& page = site.pages()[i];
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
        m_render->add({id, i, std::move(finalUrl), std::move(body), pending.contentType(), {}, {}});
        return;
    }
    page.state = SiteCrawl::Page::State::Done;
    readPage(id, site, i, finalUrl, body, pending.contentType());
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

void CrawlRun::takeRenderedPages()
{
    if (!m_render)
        return;
    for (RenderJob& job : m_render->takeDone()) {
        SiteCrawl* site = crawl(job.crawl);
        if (!site)
            continue;
        SiteCrawl::Page& page = site->pages()[job.index];
        page.state = SiteCrawl::Page::State::Done;
        if (!job.failure.isEmpty())
            page.failure = m_output.failureLine(page.named(), job.failure);
        else // serialised by the browser, whatever the page was written in
            readPage(job.crawl, *site, job.index, job.url, job.html, QByteArrayLiteral("text/html; charset=utf-8"));
        expand(job.crawl, *site);
    }
}

void CrawlRun::readPage(qint64 id, SiteCrawl& site, std::size_t i, const PageUrl& finalUrl, const QByteArray& body,
                        const QByteArray& contentType)
{
    SiteCrawl::Page& page = site.pages()[i];
    const std::string_view bytes(body.constData(), std::size_t(body.size()));
    if (m_regionReading) {
        page.rowsAwaited = true;
        m_regionReading->add({id, i, page.shown, body, contentType, {}});
    } else {
        page.rows = m_output.pageRows(page.shown, bytes);
    }
    // Links only from pages whose links are followed.
    if (!site.followsFrom(page))
        return;
    const PageLinks links = extractPageLinks(bytes, contentType.toStdString());
    if (links.nofollow)
        return;
    PageUrl base = finalUrl;
    if (!links.base.isEmpty())
        base = LinkResolver(finalUrl).resolve(links.base).value_or(finalUrl);
    const LinkResolver resolver(base);
    // A page of a million links to a few pages costs one resolving each, and
    // a page of a million distinct ones a bounded share: many times what
    // the crawl could still take, since links off the site or refused by
    // robots.txt take no place in it.
    const qsizetype keptAtMost = std::max<qsizetype>(10 * qsizetype(m_options.maxPages), 1000);
    QSet<QByteArray> hrefs;
    QSet<QByteArray> kept;
    for (const QByteArray& link : links.hrefs) {
        if (kept.size() >= keptAtMost)
            break;
        // The fragment names a place in the page, not another page: an index
        // of ten thousand anchors into a few pages resolves a few links.
        const qsizetype fragment = link.indexOf('#');
        const QByteArray href = fragment < 0 ? link : link.first(fragment);
        if (hrefs.contains(href))
            continue;
        hrefs.insert(href);
        if (const std::optional<PageUrl> resolved = resolver.resolve(href)) {
            if (!kept.contains(resolved->canonical())) {
                kept.insert(resolved->canonical());
                page.links.push_back(resolved->asCanonical());
            }
        }
    }
}

QString CrawlRun::judgeRedirect(qint64 id, const PageUrl& target, RedirectNote& note)
{
    using Outcome = RedirectNote::Outcome;
    SiteCrawl& site = *crawl(id); // in the run while its page is in flight
    const QString shown = QString::fromUtf8(target.canonical());
    note.outcome = Outcome::Disallowed;
    if (target.host() != site.host())
        return QStringLiteral("Redirect off the site refused: ") + shown;
    const auto record = m_hosts.find(target.origin());
    if (record == m_hosts.end() || record->second.robots != HostRecord::Robots::Known) {
        note.outcome = Outcome::Deferred;
        note.deferred = target.asCanonical();
        return QStringLiteral("Redirect waits for the robots.txt of its target: ") + shown;
    }
    if (!record->second.rules.allows(target.robotsPath().toStdString()))
        return QStringLiteral("Redirect refused by robots.txt: ") + shown;
    if (site.seen(target)) {
        note.outcome = Outcome::Duplicate;
        return QStringLiteral("Redirect to a page the crawl has already: ") + shown;
    }
    site.markSeen(target);
    note.outcome = Outcome::Followed;
    return {};
}

void CrawlRun::finishRobots(HostRecord& record, PendingPage* pending)
{
    // A robots.txt that is not there (4xx) allows everything; one the server
    // cannot give (5xx, unreachable) allows nothing, as RFC 9309 asks.
    RobotsTxt rules = RobotsTxt::disallowAll();
    try {
        if (pending) {
            const QByteArray body = pending->take();
            rules = RobotsTxt::parse(std::string_view(body.constData(), std::size_t(body.size())));
        }
    } catch (const AppError&) {
        const int status = pending->httpStatus();
        if (status >= 400 && status < 500)
            rules = RobotsTxt::allowAll();
    }
    record.rules = std::move(rules);
    record.robots = HostRecord::Robots::Known;
}

void CrawlRun::takeReadPages(bool wait)
{
    if (!m_regionReading)
        return;
    if (wait)
        m_regionReading->waitForAll();
    for (const RegionReading::Page& read : m_regionReading->takeRead()) {
        if (SiteCrawl* site = crawl(read.crawl)) {
            SiteCrawl::Page& page = site->pages()[read.index];
            page.rows = m_output.regionRows(read.url, read.numbers);
            page.rowsAwaited = false;
        }
    }
}

void CrawlRun::flush()
{
    while (!m_crawls.empty()) {
        SiteCrawl& site = m_crawls.front();
        std::size_t& next = site.flushed();
        while (next < site.pages().size() && site.pages()[next].state == SiteCrawl::Page::State::Done &&
               !site.pages()[next].rowsAwaited) {
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
