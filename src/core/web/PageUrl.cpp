#include "core/web/PageUrl.h"

#include "core/AppError.h"

#include <QUrl>

#include <curl/curl.h>

#include <memory>

namespace {
struct CurlUrlFree {
    void operator()(CURLU* url) const { curl_url_cleanup(url); }
};
using UrlHandle = std::unique_ptr<CURLU, CurlUrlFree>;

std::optional<QByteArray> part(CURLU* url, CURLUPart which)
{
    char* text = nullptr;
    if (curl_url_get(url, which, &text, 0) != CURLUE_OK)
        return std::nullopt;
    QByteArray value(text);
    curl_free(text);
    return value;
}

bool isUnreserved(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '.' ||
           c == '_' || c == '~';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%7e" and "~" are one character, "%2f" and "%2F" one escape.
QByteArray normalizedEscapes(const QByteArray& text)
{
    if (!text.contains('%'))
        return text;
    QByteArray out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int high = i + 2 < text.size() && text[i] == '%' ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        if (low < 0) {
            out += text[i];
            continue;
        }
        const char decoded = char(high * 16 + low);
        if (isUnreserved(decoded))
            out += decoded;
        else
            out += '%' + text.mid(i + 1, 2).toUpper();
        i += 2;
    }
    return out;
}

QByteArray upperCaseEscapes(QByteArray text)
{
    for (qsizetype at = text.indexOf('%'); at >= 0 && at + 2 < text.size(); at = text.indexOf('%', at + 1)) {
        if (hexValue(text[at + 1]) >= 0 && hexValue(text[at + 2]) >= 0) {
            for (qsizetype digit = at + 1; digit <= at + 2; ++digit)
                if (text[digit] >= 'a' && text[digit] <= 'f')
                    text[digit] = char(text[digit] - 'a' + 'A');
        }
    }
    return text;
}

// libcurl removes dot segments as it parses a URL, so a path that only
// decoding showed them in goes through it again.
QByteArray withoutDotSegments(const QByteArray& path)
{
    const UrlHandle url(curl_url());
    if (!url || curl_url_set(url.get(), CURLUPART_URL, QByteArray("http://h" + path).constData(), 0) != CURLUE_OK)
        return path;
    return part(url.get(), CURLUPART_PATH).value_or(path);
}

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// The scheme a typed URL names, "" when it names none: "mailto:x" and
// "file:/x" name one, "localhost:8080/x" names a port.
QByteArrayView typedScheme(QByteArrayView text)
{
    qsizetype at = 0;
    const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
    if (text.isEmpty() || !isLetter(text[0]))
        return {};
    while (++at < text.size() && (isLetter(text[at]) || (text[at] >= '0' && text[at] <= '9') || text[at] == '+' ||
                                  text[at] == '-' || text[at] == '.')) {
    }
    if (at >= text.size() || text[at] != ':' || (at + 1 < text.size() && text[at + 1] >= '0' && text[at + 1] <= '9'))
        return {};
    return text.first(at);
}
} // namespace

// Builds a PageUrl from libcurl's reading of a URL.
class PageUrlParts final {
public:
    static std::optional<PageUrl> from(CURLU* parsed)
    {
        PageUrl url;
        const std::optional<QByteArray> scheme = part(parsed, CURLUPART_SCHEME);
        if (!scheme || (*scheme != "http" && *scheme != "https"))
            return std::nullopt;
        url.m_https = *scheme == "https";
        QByteArray host = part(parsed, CURLUPART_HOST).value_or(QByteArray());
        const bool ascii = std::all_of(host.begin(), host.end(), [](char c) { return uchar(c) < 0x80; });
        if (!ascii)
            host = QUrl::toAce(QString::fromUtf8(host));
        if (host.isEmpty())
            return std::nullopt;
        url.m_host = host.toLower();
        const std::optional<QByteArray> port = part(parsed, CURLUPART_PORT);
        const int defaultPort = url.m_https ? 443 : 80;
        const int portNumber = port ? port->toInt() : defaultPort;
        const QByteArray path = part(parsed, CURLUPART_PATH).value_or(QByteArrayLiteral("/"));
        const std::optional<QByteArray> query = part(parsed, CURLUPART_QUERY);

        QByteArray& request = url.m_request;
        request = *scheme + "://";
        if (const std::optional<QByteArray> user = part(parsed, CURLUPART_USER)) {
            request += *user;
            if (const std::optional<QByteArray> password = part(parsed, CURLUPART_PASSWORD)) {
                request += ':';
                url.m_passwordAt = request.size();
                url.m_passwordLength = password->size();
                request += *password;
            }
            request += '@';
        }
        request += url.m_host;
        if (port)
            request += ':' + *port;
        // libcurl writes the escapes it adds in lower case; upper case is
        // what RFC 3986 recommends, and what servers log.
        request += upperCaseEscapes(path);
        if (query)
            request += '?' + upperCaseEscapes(*query);

        const QByteArray origin = *scheme + "://" + url.m_host +
                                  (portNumber != defaultPort ? ':' + QByteArray::number(portNumber) : QByteArray());
        QByteArray canonicalPath = normalizedEscapes(path);
        if (canonicalPath != path && canonicalPath.contains('.'))
            canonicalPath = withoutDotSegments(canonicalPath);
        url.m_canonical = origin + canonicalPath;
        if (query)
            url.m_canonical += '?' + normalizedEscapes(*query);
        url.m_canonicalPathAt = origin.size();
        url.m_connectionKey = url.m_host + ':' + QByteArray::number(portNumber);
        return url;
    }
};

namespace {
// Text libcurl cannot parse may still hold a password: whatever stands
// between the first ':' and the last '@' of what would be its user part.
QByteArray withoutPassword(QByteArrayView typed)
{
    QByteArray shown = typed.toByteArray();
    const qsizetype slashes = shown.indexOf("//");
    const qsizetype from = slashes < 0 ? 0 : slashes + 2;
    qsizetype end = from;
    while (end < shown.size() && shown[end] != '/' && shown[end] != '?' && shown[end] != '#')
        ++end;
    const qsizetype at = shown.lastIndexOf('@', end - 1);
    const qsizetype colon = shown.indexOf(':', from);
    if (at >= from && colon >= from && colon < at)
        shown.replace(colon + 1, at - colon - 1, "***");
    return shown;
}
} // namespace

QByteArray PageUrl::shownSafely(QByteArrayView typed)
{
    QByteArray text = typed.toByteArray().trimmed();
    const UrlHandle parsed(curl_url());
    if (!parsed || text.contains('\0') ||
        curl_url_set(parsed.get(), CURLUPART_URL, text.constData(), CURLU_NON_SUPPORT_SCHEME | CURLU_GUESS_SCHEME) !=
            CURLUE_OK)
        return withoutPassword(typed);
    QByteArray shown = typed.toByteArray();
    const std::optional<QByteArray> password = part(parsed.get(), CURLUPART_PASSWORD);
    if (password && !password->isEmpty())
        shown.replace(QByteArray(':' + *password + '@'), ":***@");
    return shown;
}

PageUrl PageUrl::fromTyped(QByteArrayView typed)
{
    const QString subject = QString::fromUtf8(shownSafely(typed));
    QByteArrayView trimmed = typed;
    while (!trimmed.isEmpty() && isAsciiSpace(trimmed.front()))
        trimmed = trimmed.sliced(1);
    while (!trimmed.isEmpty() && isAsciiSpace(trimmed.back()))
        trimmed.chop(1);
    if (trimmed.isEmpty())
        throw AppError(QStringLiteral("The URL is empty"));
    const QByteArrayView scheme = typedScheme(trimmed);
    const QByteArray lowerScheme = scheme.toByteArray().toLower();
    if (!scheme.isEmpty() && lowerScheme != "http" && lowerScheme != "https")
        throw AppError(QStringLiteral("Only http and https pages can be fetched, not \"") + QString::fromUtf8(scheme) +
                           QStringLiteral(":\" addresses"),
                       subject);
    QByteArray text = scheme.isEmpty() ? "http://" + trimmed.toByteArray() : trimmed.toByteArray();
    // libcurl would write a space in the query as '+'.
    text.replace(' ', "%20");
    const qsizetype authority = scheme.isEmpty() ? 7 : scheme.size() + 3;
    const bool hasHost = text.mid(scheme.isEmpty() ? 4 : scheme.size(), 3) == "://" && authority < text.size() &&
                         !QByteArrayView("/?#").contains(text[authority]);
    const UrlHandle parsed(curl_url());
    std::optional<PageUrl> url;
    if (parsed && hasHost && !text.contains('\0') &&
        curl_url_set(parsed.get(), CURLUPART_URL, text.constData(), CURLU_URLENCODE) == CURLUE_OK)
        url = PageUrlParts::from(parsed.get());
    if (!url)
        throw AppError(QStringLiteral("The URL is not valid"), subject);
    return *url;
}

std::optional<PageUrl> PageUrl::fromAbsolute(QByteArrayView text, QString* why)
{
    const QByteArray terminated = text.toByteArray();
    const UrlHandle parsed(curl_url());
    if (!parsed || terminated.contains('\0')) {
        if (why)
            *why = QStringLiteral("the target is not a valid URL");
        return std::nullopt;
    }
    // The flags libcurl itself reads a redirect's target with: spaces are
    // taken and encoded, as browsers do.
    const CURLUcode result =
        curl_url_set(parsed.get(), CURLUPART_URL, terminated.constData(), CURLU_URLENCODE | CURLU_ALLOW_SPACE);
    if (result != CURLUE_OK) {
        if (why)
            *why =
                QStringLiteral("the target is not a valid URL (%1)").arg(QString::fromUtf8(curl_url_strerror(result)));
        return std::nullopt;
    }
    std::optional<PageUrl> url = PageUrlParts::from(parsed.get());
    if (!url && why) {
        const QByteArray scheme = part(parsed.get(), CURLUPART_SCHEME).value_or(QByteArray());
        *why = scheme == "http" || scheme == "https"
                   ? QStringLiteral("the target is not a valid URL")
                   : QStringLiteral("\"%1\" not supported, only http and https pages are fetched")
                         .arg(QString::fromUtf8(scheme));
    }
    return url;
}

QByteArray PageUrl::origin() const
{
    return m_canonical.left(m_canonicalPathAt);
}

QString PageUrl::display() const
{
    if (m_passwordAt < 0)
        return QString::fromUtf8(m_request);
    QByteArray shown = m_request;
    shown.replace(m_passwordAt, m_passwordLength, "***");
    return QString::fromUtf8(shown);
}

PageUrl PageUrl::robotsTxtUrl() const
{
    PageUrl url = asCanonical();
    url.m_canonical = origin() + "/robots.txt";
    url.m_request = url.m_canonical;
    return url;
}

PageUrl PageUrl::asCanonical() const
{
    PageUrl url = *this;
    url.m_request = m_canonical;
    url.m_passwordAt = -1;
    return url;
}

struct LinkResolver::Handle {
    UrlHandle url;
};

LinkResolver::LinkResolver(const PageUrl& base) : m_baseUrl(base)
{
    UrlHandle url(curl_url());
    if (url && curl_url_set(url.get(), CURLUPART_URL, base.request().constData(), 0) == CURLUE_OK)
        m_base = new Handle{std::move(url)};
}

LinkResolver::~LinkResolver()
{
    delete m_base;
}

namespace {
bool isC0OrSpace(char c)
{
    return uchar(c) <= 0x20;
}

// As a browser's URL parser: C0 controls and spaces around the reference go,
// tabs and line breaks within are dropped, and spaces within are
// percent-encoded (libcurl refuses them, or writes '+' in a query).
QByteArray cleanedReference(QByteArrayView href)
{
    while (!href.isEmpty() && isC0OrSpace(href.front()))
        href = href.sliced(1);
    while (!href.isEmpty() && isC0OrSpace(href.back()))
        href.chop(1);
    QByteArray cleaned;
    cleaned.reserve(href.size());
    for (char c : href) {
        if (c == ' ')
            cleaned += "%20";
        else if (c != '\t' && c != '\n' && c != '\r')
            cleaned += c;
    }
    return cleaned;
}
} // namespace

std::optional<PageUrl> LinkResolver::resolve(QByteArrayView href) const
{
    if (!m_base || href.contains('\0'))
        return std::nullopt;
    const QByteArray reference = cleanedReference(href);
    // libcurl would take an empty reference or a bare fragment as "." and
    // drop the base's last path segment and query.
    if (reference.isEmpty() || reference.startsWith('#'))
        return m_baseUrl;
    const UrlHandle url(curl_url_dup(m_base->url.get()));
    if (!url || curl_url_set(url.get(), CURLUPART_URL, reference.constData(), CURLU_URLENCODE) != CURLUE_OK)
        return std::nullopt;
    return PageUrlParts::from(url.get());
}
