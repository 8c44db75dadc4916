#include "SiteCrawl.h"

SiteCrawl::SiteCrawl(QByteArray startLine, PageUrl startUrl, int follow, int maxPages)
    : m_follow(follow), m_maxPages(std::size_t(std::max(maxPages, 1)))
{
    m_pages.emplace_back(std::move(startLine), std::move(startUrl), 0);
}

const PageUrl* SiteCrawl::expand(const Judge& judge)
{
    while (m_expanded < m_pages.size() && m_pages[m_expanded].state == Page::State::Done &&
           !m_pages[m_expanded].linksAwaited) {
        const int depth = m_pages[m_expanded].depth + 1;
        // By index: adding a page may move the page list.
        for (; m_nextLink < m_pages[m_expanded].links.size() && m_pages.size() < m_maxPages; ++m_nextLink) {
            const PageUrl& link = m_pages[m_expanded].links[m_nextLink];
            if (m_host.isEmpty() || link.host() != m_host || m_seen.contains(link.canonical()))
                continue;
            const Verdict verdict = judge(link);
            if (verdict == Verdict::Wait)
                return &link;
            m_seen.insert(link.canonical());
            if (verdict == Verdict::Follow) {
                PageUrl followed = link; // the page list may move
                QByteArray shown = followed.canonical();
                m_pages.emplace_back(std::move(shown), std::move(followed), depth);
            }
        }
        m_pages[m_expanded].links = {};
        m_nextLink = 0;
        ++m_expanded;
    }
    return nullptr;
}
