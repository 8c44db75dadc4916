#pragma once
// A sitemap (sitemaps.org): the page URLs of a <urlset>, or the sitemap URLs
// of a <sitemapindex>, read with libxml2's streaming reader from a body that
// may be gzip-compressed (a .xml.gz served as it is). It is hostile input from
// any server: it is inflated up to maxInflatedBytes (the protocol's 50 MB),
// at most maxUrls <loc> values are kept (the protocol's 50,000), no entity is
// expanded and nothing is loaded from the network.

#include <QByteArray>
#include <QString>

#include <vector>

struct Sitemap final {
    static constexpr qsizetype maxInflatedBytes = 50 * 1000 * 1000;
    static constexpr std::size_t maxUrls = 50'000;

    bool isIndex = false; // a <sitemapindex>: locations are sitemaps
    std::vector<QByteArray> locations;
    QString problem; // what was wrong, when something was; what came before it is kept

    // maxLocations bounds the locations kept, below maxUrls.
    static Sitemap read(const QByteArray& body, std::size_t maxLocations = maxUrls);
};
