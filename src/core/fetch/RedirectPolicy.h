#pragma once
// Where a page's redirect may lead. The fetch follows redirects itself, one
// hop at a time, and asks here before each request: the target is taken
// from libcurl's own reading of the Location header, parsed once more the
// way libcurl would parse it to follow, and what is checked is exactly what
// is then requested. A target that cannot be parsed is refused, never let by.

#include "core/web/PageUrl.h"

#include <QString>

struct RedirectHop {
    PageUrl url;     // the next request, when allowed
    QString refusal; // why not, when refused
};

// The hop from `from` to `target` (libcurl's CURLINFO_REDIRECT_URL): http and
// https only, never from https down to http.
RedirectHop checkRedirect(const PageUrl& from, const char* target);
