#include "CrawlRun.h"

#include "HarvestOutput.h"
#include "ProgressLine.h"
#include "UrlBytes.h"
#include "UrlFeed.h"
#include "core/AppError.h"
#include "core/CurlFetcher.h"
#include "core/PageFetcher.h"
#include "core/PageLinks.h"

#include <QScopeGuard>
#include <QUrl>

namespace {
// "host:port" as the fetcher counts its connections.
QString connectionKey(const QString& url)
{
    QUrl parsed(url);
    if (parsed.host().isEmpty()) // typed without a scheme
        parsed = QUrl(QStringLiteral("http://") + url);
    return parsed.host().toLower() + QLatin1Char(':') + QString::number(parsed.port(-1));
}

// The path and query a followed URL sends, as robots.txt rules match them.
std::string pathAndQuery(const QByteArray& url)
{
    const QUrl parsed(QString::fromUtf8(url));
    QByteArray path = parsed.path(QUrl::FullyEncoded).toUtf8();
    if (path.isEmpty())
        path = "/";
    if (parsed.hasQuery())
        path += '?' + parsed.query(QUrl::FullyEncoded).toUtf8();
    return path.toStdString();
}
} // namespace

CrawlRun::CrawlRun(const HarvestOptions& options, CurlFetcher& fetcher, UrlFeed& reader, HarvestOutput& output)
    : m_options(options), m_fetcher(fetcher), m_reader(reader), m_output(output)
{}

CrawlRun::~CrawlRun() = default;

int CrawlRun::exec()
{
    ProgressLine progress(!m_options.quiet, [this] {
        qint64 known = m_donePages;
        for (const SiteCrawl& site : m_crawls)
            known += qint64(site.pages().size() - site.flushed());
        return ProgressLine::Counts{m_donePages, known, m_output.rows(), m_output.failures(), m_disallowed};
    });
    m_output.setProgress(&progress);
    m_reader.start();
    while (m_output.open()) {
        m_output.reportInputErrors(m_reader);
        admitStartPages();
        startRequests();
        if (!m_inFlight.empty()) {
            finishOldest();
            flush();
            continue;
        }
        if (m_crawls.empty() && m_inputEnded)
            break;
        // Nothing in flight: only new input can bring work.
        const qint64 next = m_firstCrawl + qint64(m_crawls.size());
        if (!m_reader.waitFor(next))
            m_inputEnded = true;
        flush();
    }
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
        std::optional<QByteArray> url = m_reader.at(position);
        if (!url) {
            m_inputEnded = m_reader.endedBefore(position);
            return;
        }
        m_reader.release(position);
        m_crawls.emplace_back(std::move(*url), m_options.follow, m_options.maxPages);
    }
}

void CrawlRun::startRequests()
{
    // robots.txt first: links wait for it before they join a crawl.
    while (!m_robotsWanted.isEmpty() && qint64(m_inFlight.size()) < m_options.jobs) {
        const QString url = m_robotsWanted.front() + QStringLiteral("/robots.txt");
        if (m_inFlightOnHost.value(connectionKey(url)) >= CurlFetcher::maximumConnectionsPerHost)
            break;
        request({0, 0, m_robotsWanted.takeFirst(), {}, {}, {}, nullptr}, url);
    }
    for (qint64 id = m_firstCrawl; id < m_firstCrawl + qint64(m_crawls.size()); ++id) {
        SiteCrawl& site = *crawl(id);
        for (std::size_t i = site.flushed(); i < site.pages().size(); ++i) {
            if (qint64(m_inFlight.size()) >= m_options.jobs)
                return;
            SiteCrawl::Page& page = site.pages()[i];
            if (page.state != SiteCrawl::Page::State::Known)
                continue;
            const QString url = page.depth == 0 ? UrlBytes::requestText(page.url) : QString::fromUtf8(page.url);
            if (m_inFlightOnHost.value(connectionKey(url)) >= CurlFetcher::maximumConnectionsPerHost)
                continue;
            page.state = SiteCrawl::Page::State::Requested;
            Request next{id, i, {}, {}, {}, {}, nullptr};
            if (page.depth > 0)
                next.redirectRefused = std::make_shared<bool>(false);
            request(std::move(next), url, site.host());
        }
    }
}

void CrawlRun::request(Request request, const QString& url, const QString& site)
{
    request.host = connectionKey(url);
    ++m_inFlightOnHost[request.host];
    CurlFetcher::RedirectCheck check;
    if (request.redirectRefused)
        check = [this, site, refused = request.redirectRefused](const QByteArray& target) {
            QString refusal = redirectRefusal(site, canonicalUrl(target));
            *refused = !refusal.isEmpty();
            return refusal;
        };
    try {
        request.pending = m_fetcher.start(url, std::move(check));
    } catch (const AppError& error) {
        request.refusal = error.reason(); // reported in its turn
    }
    m_inFlight.push_back(std::move(request));
}

void CrawlRun::expand(SiteCrawl& site)
{
    const QByteArray waiting = site.expand([this](const QByteArray& link) {
        const QString origin = originOf(link);
        if (m_robotsState.value(origin, Robots::Fetching) == Robots::Fetching)
            return SiteCrawl::Verdict::Wait;
        if (m_robots.find(origin)->allows(pathAndQuery(link)))
            return SiteCrawl::Verdict::Follow;
        ++m_disallowed;
        return SiteCrawl::Verdict::Refuse;
    });
    if (waiting.isEmpty())
        return;
    const QString origin = originOf(waiting);
    if (!m_robotsState.contains(origin)) {
        m_robotsState.insert(origin, Robots::Fetching);
        m_robotsWanted << origin;
    }
}

void CrawlRun::finishOldest()
{
    Request request = std::move(m_inFlight.front());
    m_inFlight.pop_front();
    const auto releaseHost = qScopeGuard([&] {
        if (--m_inFlightOnHost[request.host] == 0)
            m_inFlightOnHost.remove(request.host);
    });
    if (request.crawl == 0) {
        finishRobots(request.origin, request.pending.get());
        // Links waiting for it may go on now, in every crawl.
        for (SiteCrawl& site : m_crawls)
            expand(site);
        return;
    }
    SiteCrawl* site = crawl(request.crawl);
    if (!site)
        return;
    if (request.pending) {
        finishPage(*site, request.page, *request.pending, request.redirectRefused && *request.redirectRefused);
    } else {
        SiteCrawl::Page& page = site->pages()[request.page];
        page.failure = m_output.failureLine(page.url, request.refusal);
        page.state = SiteCrawl::Page::State::Done;
    }
    expand(*site);
}

void CrawlRun::finishPage(SiteCrawl& site, std::size_t i, PendingPage& pending, bool redirectRefused)
{
    SiteCrawl::Page& page = site.pages()[i];
    page.state = SiteCrawl::Page::State::Done;
    QByteArray body;
    try {
        body = pending.take();
    } catch (const AppError& error) {
        if (redirectRefused)
            ++m_disallowed; // it led off the site, or where robots.txt keeps us out
        else
            page.failure = m_output.failureLine(page.url, error.reason());
        return;
    }
    QByteArray finalUrl = canonicalUrl(pending.finalUrl().toUtf8());
    if (finalUrl.isEmpty())
        finalUrl = page.depth == 0 ? canonicalUrl(UrlBytes::requestText(page.url).toUtf8()) : page.url;
    if (page.depth == 0) {
        site.startFetched(QString::fromUtf8(finalUrl));
        site.markSeen(canonicalUrl(UrlBytes::requestText(page.url).toUtf8()));
    }
    site.markSeen(finalUrl);
    const std::string_view bytes(body.constData(), std::size_t(body.size()));
    page.rows = m_output.pageRows(page.url, bytes, pending.contentType());
    // Links only from pages whose links are followed.
    if (!site.followsFrom(page))
        return;
    const PageLinks links = extractPageLinks(bytes);
    if (links.nofollow)
        return;
    QByteArray base = finalUrl;
    if (!links.base.isEmpty())
        base = resolveLink(finalUrl, links.base).value_or(finalUrl);
    // A page of a million links to a few pages costs one resolving each, and
    // a page of a million distinct ones a bounded share: many times what
    // the crawl could still take, since links off the site or refused by
    // robots.txt take no place in it.
    const qsizetype keptAtMost = std::max<qsizetype>(10 * qsizetype(m_options.maxPages), 1000);
    QSet<QByteArray> hrefs;
    QSet<QByteArray> kept;
    for (const QByteArray& href : links.hrefs) {
        if (kept.size() >= keptAtMost)
            break;
        if (hrefs.contains(href))
            continue;
        hrefs.insert(href);
        if (const std::optional<QByteArray> resolved = resolveLink(base, href)) {
            QByteArray link = canonicalUrl(*resolved);
            if (!kept.contains(link)) {
                kept.insert(link);
                page.links.push_back(std::move(link));
            }
        }
    }
}

QString CrawlRun::redirectRefusal(const QString& host, const QByteArray& target) const
{
    if (hostOf(target) != host)
        return QStringLiteral("Redirect off the site refused: ") + QString::fromUtf8(target);
    const auto rules = m_robots.find(originOf(target));
    if (rules != m_robots.end() && !rules->allows(pathAndQuery(target)))
        return QStringLiteral("Redirect refused by robots.txt: ") + QString::fromUtf8(target);
    return {};
}

void CrawlRun::finishRobots(const QString& origin, PendingPage* pending)
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
    m_robots.insert(origin, std::move(rules));
    m_robotsState.insert(origin, Robots::Known);
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
            page.rows = page.failure = QByteArray();
            ++m_donePages;
        }
        if (!site.finished())
            return;
        m_crawls.pop_front();
        ++m_firstCrawl;
    }
}
