#pragma once
// An http or https URL, parsed once with libcurl's URL API into every form
// the fetch and the crawl ask for, so no other code takes a URL apart:
//
// - request(): what is fetched. Spaces and bytes that are no ASCII are
//   percent-escaped, an international host is in its ASCII (punycode) form,
//   the host is lower case; port and user name stay as written; no fragment.
// - canonical(): one spelling per page, what a crawl judges, fetches and
//   shows: escapes of unreserved characters decoded and the others upper
//   case, dot segments removed, the scheme's default port, user name,
//   password and fragment left out.
// - origin() ("https://host[:port]", what robots.txt speaks for),
//   connectionKey() ("host:port" with the scheme's default port filled in,
//   what the fetcher counts its connections by), robotsPath() (path and
//   query of the canonical form, as robots.txt rules match them),
//   robotsTxtUrl() (the origin's /robots.txt).
// - display(): the request form with a password shown as "***".

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <optional>

class PageUrl final {
public:
    PageUrl() = default;

    // A URL as a user types or lists it: blanks around it are dropped, and
    // one that names no scheme is http ("localhost:8080/x" names a port).
    // Throws AppError, naming the text, for anything but an http or https
    // URL with a host.
    static PageUrl fromTyped(QByteArrayView typed);
    // A URL as typed, as messages name it: a password in it, of any
    // scheme, shown as "***".
    static QByteArray shownSafely(QByteArrayView typed);
    // An absolute URL from a server (a redirect's Location, a resolved
    // link), read as libcurl reads one to follow it; nothing when it is not
    // http or https or cannot be parsed, with the reason in `why` if given.
    static std::optional<PageUrl> fromAbsolute(QByteArrayView url, QString* why = nullptr);

    bool isNull() const { return m_request.isEmpty(); }
    bool isHttps() const { return m_https; }
    const QByteArray& request() const { return m_request; }
    const QByteArray& canonical() const { return m_canonical; }
    QByteArray origin() const;
    const QByteArray& host() const { return m_host; }
    const QByteArray& connectionKey() const { return m_connectionKey; }
    QByteArray robotsPath() const { return m_canonical.mid(m_canonicalPathAt); }
    QString display() const;
    // The robots.txt that speaks for this URL's origin.
    PageUrl robotsTxtUrl() const;
    // The same page, requested in its canonical form.
    PageUrl asCanonical() const;

    friend bool operator==(const PageUrl& a, const PageUrl& b) { return a.m_request == b.m_request; }

private:
    friend class PageUrlParts;

    QByteArray m_request;
    QByteArray m_canonical;
    QByteArray m_host;          // lower case, IPv6 in brackets
    QByteArray m_connectionKey; // host:port
    qsizetype m_canonicalPathAt = 0;
    qsizetype m_passwordAt = -1; // in m_request, when it holds one
    qsizetype m_passwordLength = 0;
    bool m_https = false;
};

// Resolves the links of one page against its base URL, which is parsed once
// for them all.
class LinkResolver final {
public:
    explicit LinkResolver(const PageUrl& base);
    ~LinkResolver();
    LinkResolver(const LinkResolver&) = delete;
    LinkResolver& operator=(const LinkResolver&) = delete;

    // The absolute URL that href names, without its fragment; nothing when
    // it is not http or https or libcurl cannot parse it. As browsers do,
    // tabs and line breaks inside href are dropped, spaces become %20, and an
    // empty href or a bare #fragment names the base itself.
    std::optional<PageUrl> resolve(QByteArrayView href) const;

private:
    struct Handle;
    Handle* m_base = nullptr;
    PageUrl m_baseUrl;
};
