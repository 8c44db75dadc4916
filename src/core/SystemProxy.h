#pragma once
// Which of the system's proxy variables libcurl uses for a URL, read the way
// libcurl reads them: the scheme's own variable (http_proxy, https_proxy or
// HTTPS_PROXY, never HTTP_PROXY), else all_proxy or ALL_PROXY, unless the
// host is in no_proxy or NO_PROXY. libcurl does the proxying itself; this
// only lets a failure say that it was the proxy that could not be reached,
// since with a proxy in use nothing else is ever connected to.

#include <QString>

class PageUrl;

// The name of the variable whose proxy serves `url`, or empty for none.
QString systemProxyVariableFor(const PageUrl& url);
