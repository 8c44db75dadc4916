#pragma once
// The links of a page a crawl follows: resolved against the page's URL (or
// its <base>), without fragments, each page once, in page order.

#include "core/html/PageLinks.h"
#include "core/web/PageUrl.h"

#include <vector>

// None when the page asks robots not to follow (nofollow). keptAtMost
// bounds the links kept: a page of a million distinct links costs a share.
std::vector<PageUrl> followedLinks(const PageLinks& links, const PageUrl& pageUrl, qsizetype keptAtMost);
