#include "SiteCrawl.h"

#include <QUrl>

QByteArray canonicalUrl(const QByteArray& url)
{
    return QUrl(QString::fromUtf8(url))
        .adjusted(QUrl::NormalizePathSegments | QUrl::RemoveUserInfo | QUrl::RemoveFragment)
        .toEncoded();
}

QString originOf(const QByteArray& url)
{
    return QUrl(QString::fromUtf8(url))
        .adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery | QUrl::RemoveFragment)
        .toString()
        .toLower();
}

QString hostOf(const QByteArray& url)
{
    return QUrl(QString::fromUtf8(url)).host().toLower();
}

SiteCrawl::SiteCrawl(QByteArray startUrl, int follow, int maxPages)
    : m_follow(follow), m_maxPages(std::size_t(std::max(maxPages, 1)))
{
    m_pages.emplace_back(std::move(startUrl), 0);
}

QByteArray SiteCrawl::expand(const Judge& judge)
{
    while (m_expanded < m_pages.size() && m_pages[m_expanded].state == Page::State::Done) {
        const int depth = m_pages[m_expanded].depth + 1;
        // By index: adding a page may move the page list.
        for (; m_nextLink < m_pages[m_expanded].links.size() && m_pages.size() < m_maxPages; ++m_nextLink) {
            QByteArray link = m_pages[m_expanded].links[m_nextLink];
            if (m_host.isEmpty() || hostOf(link) != m_host || m_seen.contains(link))
                continue;
            const Verdict verdict = judge(link);
            if (verdict == Verdict::Wait)
                return link;
            m_seen.insert(link);
            if (verdict == Verdict::Follow)
                m_pages.emplace_back(std::move(link), depth);
        }
        m_pages[m_expanded].links = {};
        m_nextLink = 0;
        ++m_expanded;
    }
    return {};
}
