#pragma once
// --sitemap: each site's sitemaps, read once per site (the origin of its
// start page's final URL), and the crawls waiting for them. The files come
// from robots.txt's Sitemap lines (those on the site's host), else
// /sitemap.xml; an index adds the sitemaps it lists, each read once (one that
// lists itself too). Only URLs of the site's host are kept, and everything is
// bounded: at most Sitemap::maxUrls page URLs (and no more than a crawl can
// take) and maxFiles files per site.

#include "core/web/PageUrl.h"

#include <QHash>
#include <QSet>

#include <vector>

class SitemapSeeds final {
public:
    static constexpr std::size_t maxFiles = 1000;

    struct Site {
        bool started = false;
        std::size_t files = 0;      // named so far
        std::size_t pending = 0;    // asked for and not yet read
        QSet<QByteArray> named;     // every file named so far
        std::vector<PageUrl> pages; // the page URLs they list, in order
        QSet<QByteArray> listed;
        std::vector<qint64> crawls; // waiting for them
        bool known() const { return started && pending == 0; }
    };
    struct File {
        QByteArray site;
        PageUrl url;
    };

    // No more pages than a crawl can take are gathered, nor files read for them.
    explicit SitemapSeeds(std::size_t pagesWanted);

    Site& site(const QByteArray& origin) { return m_sites[origin]; }
    const File& file(std::size_t index) const { return m_files[index]; }
    // Adds a file of a site to read, when new, of the site's host and within
    // the bounds; its index, or nothing.
    std::optional<std::size_t> addFile(const QByteArray& origin, const PageUrl& url);
    // A file has been read, with these locations: pages, or for an index
    // more files, whose indexes are returned to be asked for.
    std::vector<std::size_t> read(std::size_t index, bool isIndex, const std::vector<QByteArray>& locations);

private:
    const std::size_t m_pagesWanted;
    QHash<QByteArray, Site> m_sites;
    std::vector<File> m_files;
};
