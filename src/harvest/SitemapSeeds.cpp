#include "SitemapSeeds.h"

#include "core/web/Sitemap.h"

SitemapSeeds::SitemapSeeds(std::size_t pagesWanted) : m_pagesWanted(std::min(pagesWanted, Sitemap::maxUrls)) {}

std::optional<std::size_t> SitemapSeeds::addFile(const QByteArray& origin, const PageUrl& url)
{
    Site& named = m_sites[origin];
    named.started = true;
    const std::optional<PageUrl> siteUrl = PageUrl::fromAbsolute(QByteArray(origin + '/'));
    if (!siteUrl || url.host() != siteUrl->host() || named.files >= maxFiles || named.pages.size() >= m_pagesWanted ||
        named.named.contains(url.canonical()))
        return std::nullopt;
    named.named.insert(url.canonical());
    ++named.files;
    ++named.pending;
    m_files.push_back({origin, url.asCanonical()});
    return m_files.size() - 1;
}

std::vector<std::size_t> SitemapSeeds::read(std::size_t index, bool isIndex, const std::vector<QByteArray>& locations)
{
    const File file = m_files[index];
    Site& site = m_sites[file.site];
    std::vector<std::size_t> added;
    for (const QByteArray& location : locations) {
        const std::optional<PageUrl> url = PageUrl::fromAbsolute(location);
        if (!url || url->host() != file.url.host())
            continue; // the site's own pages only
        if (isIndex) {
            if (const std::optional<std::size_t> child = addFile(file.site, *url))
                added.push_back(*child);
        } else if (site.pages.size() < m_pagesWanted && !site.listed.contains(url->canonical())) {
            site.listed.insert(url->canonical());
            site.pages.push_back(url->asCanonical());
        }
    }
    --site.pending; // after the files it added, so the site is not known before they are read
    return added;
}
