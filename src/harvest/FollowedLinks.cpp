#include "FollowedLinks.h"

#include <QSet>

std::vector<PageUrl> followedLinks(const PageLinks& links, const PageUrl& pageUrl, qsizetype keptAtMost)
{
    std::vector<PageUrl> followed;
    if (links.nofollow)
        return followed;
    PageUrl base = pageUrl;
    if (!links.base.isEmpty())
        base = LinkResolver(pageUrl).resolve(links.base).value_or(pageUrl);
    const LinkResolver resolver(base);
    // A page of a million links to a few pages costs one resolving each.
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
                followed.push_back(resolved->asCanonical());
            }
        }
    }
    return followed;
}
