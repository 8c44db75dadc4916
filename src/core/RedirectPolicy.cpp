#include "RedirectPolicy.h"

#include <curl/curl.h>

#include <memory>

namespace {
using UrlHandle = std::unique_ptr<CURLU, decltype(&curl_url_cleanup)>;

// The scheme of a parsed URL, lower case as libcurl keeps it.
QByteArray schemeOf(CURLU* url)
{
    char* scheme = nullptr;
    if (curl_url_get(url, CURLUPART_SCHEME, &scheme, 0) != CURLUE_OK)
        return {};
    QByteArray result(scheme);
    curl_free(scheme);
    return result;
}
} // namespace

RedirectHop checkRedirect(const char* from, const char* target)
{
    if (!target || !*target)
        return {{}, QStringLiteral("Redirect refused: the server gave no target that can be followed")};
    // The flags libcurl itself parses a redirect target with: spaces are
    // taken and encoded, as browsers do.
    UrlHandle next(curl_url(), &curl_url_cleanup);
    if (!next)
        return {{}, QStringLiteral("Out of memory")};
    const CURLUcode parsed = curl_url_set(next.get(), CURLUPART_URL, target, CURLU_URLENCODE | CURLU_ALLOW_SPACE);
    if (parsed != CURLUE_OK)
        return {{},
                QStringLiteral("Redirect refused: the target is not a valid URL (%1)")
                    .arg(QString::fromUtf8(curl_url_strerror(parsed)))};
    const QByteArray scheme = schemeOf(next.get());
    if (scheme != "http" && scheme != "https")
        return {{},
                QStringLiteral("Redirect refused: \"%1\" not supported, only http and https pages are fetched")
                    .arg(QString::fromUtf8(scheme))};
    if (scheme == "http" && from && qstrnicmp(from, "https:", 6) == 0)
        return {{}, QStringLiteral("Redirect from https to http refused")};
    char* text = nullptr;
    if (curl_url_get(next.get(), CURLUPART_URL, &text, 0) != CURLUE_OK)
        return {{}, QStringLiteral("Redirect refused: the target is not a valid URL")};
    RedirectHop hop{QByteArray(text), {}};
    curl_free(text);
    return hop;
}
