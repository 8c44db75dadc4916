#include "CrawlRun.h"

#include "HarvestOutput.h"
#include "ProgressLine.h"
#include "UrlBytes.h"
#include "UrlFeed.h"
#include "core/AppError.h"
#include "core/PageFetcher.h"
#include "core/PageLinks.h"

#include <QUrl>

namespace {
// "http://host:port", the part of a URL robots.txt speaks for.
QString originOf(const QByteArray& url)
{
    const QUrl parsed(QString::fromUtf8(url));
    QString origin = parsed.scheme().toLower() + QStringLiteral("://") + parsed.host().toLower();
    if (parsed.port() != -1)
        origin += QLatin1Char(':') + QString::number(parsed.port());
    return origin;
}

// The path and query a followed URL sends, as robots.txt rules match them.
QByteArray pathAndQuery(const QByteArray& url)
{
    const QUrl parsed(QString::fromUtf8(url));
    QByteArray path = parsed.path(QUrl::FullyEncoded).toUtf8();
    if (path.isEmpty())
        path = "/";
    if (parsed.hasQuery())
        path += '?' + parsed.query(QUrl::FullyEncoded).toUtf8();
    return path;
}
} // namespace

CrawlRun::CrawlRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, HarvestOutput& output)
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
    for (qint64 id = m_firstCrawl; id < m_firstCrawl + qint64(m_crawls.size()); ++id) {
        SiteCrawl& site = *crawl(id);
        for (std::size_t i = site.flushed(); i < site.pages().size(); ++i) {
            if (qint64(m_inFlight.size()) >= m_options.jobs)
                return;
            if (site.pages()[i].state == SiteCrawl::Page::State::Known && startPage(id, site, i))
                site.expand(); // a page robots.txt refused is done at once
        }
    }
}

bool CrawlRun::startPage(qint64 crawlId, SiteCrawl& site, std::size_t i)
{
    SiteCrawl::Page& page = site.pages()[i];
    if (page.depth == 0) {
        page.state = SiteCrawl::Page::State::Requested;
        request({crawlId, i, {}, nullptr}, UrlBytes::requestText(page.url));
        return false;
    }
    // Followed pages only as the host's robots.txt allows.
    const QString origin = originOf(page.url);
    const auto state = m_robotsState.constFind(origin);
    if (state == m_robotsState.constEnd()) {
        m_robotsState.insert(origin, Robots::Fetching);
        request({0, 0, origin, nullptr}, origin + QStringLiteral("/robots.txt"));
        return false;
    }
    if (*state == Robots::Fetching)
        return false;
    if (!m_robots.find(origin)->allows(pathAndQuery(page.url).toStdString())) {
        page.state = SiteCrawl::Page::State::Done;
        page.disallowed = true;
        ++m_disallowed;
        return true;
    }
    page.state = SiteCrawl::Page::State::Requested;
    request({crawlId, i, {}, nullptr}, QString::fromUtf8(page.url));
    return false;
}

void CrawlRun::request(Request request, const QString& url)
{
    try {
        request.pending = m_fetcher.start(url);
    } catch (const AppError&) {
        // Refused at once: reported when it is finished, in its turn.
    }
    m_inFlight.push_back(std::move(request));
}

void CrawlRun::finishOldest()
{
    Request request = std::move(m_inFlight.front());
    m_inFlight.pop_front();
    if (request.crawl == 0) {
        finishRobots(request.origin, request.pending.get());
        return;
    }
    SiteCrawl* site = crawl(request.crawl);
    if (!site)
        return;
    if (request.pending) {
        finishPage(*site, request.page, *request.pending);
    } else {
        // The fetcher refused the URL outright: ask again for its reason.
        SiteCrawl::Page& page = site->pages()[request.page];
        try {
            m_fetcher.start(UrlBytes::requestText(page.url));
        } catch (const AppError& error) {
            page.failure = m_output.failureLine(page.url, error.reason());
        }
        page.state = SiteCrawl::Page::State::Done;
    }
    site->expand();
}

void CrawlRun::finishPage(SiteCrawl& site, std::size_t i, PendingPage& pending)
{
    SiteCrawl::Page& page = site.pages()[i];
    page.state = SiteCrawl::Page::State::Done;
    QByteArray body;
    try {
        body = pending.take();
    } catch (const AppError& error) {
        page.failure = m_output.failureLine(page.url, error.reason());
        return;
    }
    QString finalUrl = pending.finalUrl();
    if (finalUrl.isEmpty())
        finalUrl = page.depth == 0 ? UrlBytes::requestText(page.url) : QString::fromUtf8(page.url);
    if (page.depth == 0) {
        site.startFetched(finalUrl);
        if (const std::optional<QByteArray> typed = resolveLink(UrlBytes::requestText(page.url).toUtf8(), {}))
            site.markSeen(*typed);
    }
    const std::string_view bytes(body.constData(), std::size_t(body.size()));
    page.rows = m_output.pageRows(page.url, bytes);
    // Links only from pages whose links are followed.
    if (!site.followsFrom(page))
        return;
    const PageLinks links = extractPageLinks(bytes);
    if (links.nofollow)
        return;
    const QByteArray pageUrl = finalUrl.toUtf8();
    QByteArray base = pageUrl;
    if (!links.base.isEmpty())
        base = resolveLink(pageUrl, links.base).value_or(pageUrl);
    for (const QByteArray& href : links.hrefs)
        if (std::optional<QByteArray> resolved = resolveLink(base, href))
            page.links.push_back(std::move(*resolved));
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
