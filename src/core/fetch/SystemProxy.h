#pragma once
// Which of the system's proxy variables libcurl uses for a URL, read the way
// libcurl reads them: the scheme's own variable (http_proxy, https_proxy or
// HTTPS_PROXY, never HTTP_PROXY), else all_proxy or ALL_PROXY, unless the
// host is in no_proxy (or NO_PROXY when no_proxy is unset or empty). An empty
// variable counts as unset. libcurl does the proxying itself; this only lets
// a failure say that it was the proxy that failed, and lets a run refuse a
// variable libcurl cannot use before it fetches anything.

#include <QByteArray>
#include <QString>

class PageUrl;

struct SystemProxy {
    QString variable;         // its name; empty when the URL goes direct
    bool https = false;       // an https:// proxy: its own certificate is checked
    bool credentials = false; // the variable holds a user name
    QByteArray password;      // in the variable, to be kept out of every message
    QString unusable;         // why libcurl cannot use the variable, in words that name it

    // The proxy libcurl uses for `url`.
    static SystemProxy forUrl(const PageUrl& url);
    // One message naming the first proxy variable in use that libcurl
    // cannot read as a proxy (its value is not shown: it may hold a
    // password), or empty when all are usable.
    static QString malformed();
};
