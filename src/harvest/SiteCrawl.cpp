#include "SiteCrawl.h"

#include <QUrl>

namespace {
QString hostOf(const QString& url)
{
    return QUrl(url).host().toLower();
}
} // namespace

SiteCrawl::SiteCrawl(QByteArray startUrl, int follow, int maxPages)
    : m_follow(follow), m_maxPages(std::size_t(std::max(maxPages, 1)))
{
    m_pages.emplace_back(std::move(startUrl), 0);
}

void SiteCrawl::startFetched(const QString& finalUrl)
{
    m_host = hostOf(finalUrl);
    m_seen.insert(finalUrl.toUtf8());
}

bool SiteCrawl::expand()
{
    bool added = false;
    while (m_expanded < m_pages.size() && m_pages[m_expanded].state == Page::State::Done) {
        std::vector<QByteArray> links = std::move(m_pages[m_expanded].links);
        const int depth = m_pages[m_expanded].depth + 1;
        ++m_expanded;
        for (QByteArray& link : links) {
            if (m_pages.size() >= m_maxPages)
                return added;
            if (m_host.isEmpty() || hostOf(QString::fromUtf8(link)) != m_host || m_seen.contains(link))
                continue;
            m_seen.insert(link);
            m_pages.emplace_back(std::move(link), depth);
            added = true;
        }
    }
    return added;
}
