#include "core/fetch/RedirectHops.h"

#include "core/fetch/CurlTransfer.h"
#include "core/fetch/RedirectPolicy.h"

namespace RedirectHops {

void readHeaderLine(CurlTransfer& transfer, QByteArrayView line)
{
    if (line.startsWith("HTTP/")) {
        transfer.location.clear();
        transfer.conflictingLocations = false;
    } else if (transfer.inHeaders && line.size() > 9 && qstrnicmp(line.data(), "location:", 9) == 0) {
        // libcurl would follow the first; a second that differs makes the
        // answer ambiguous, and it is refused as browsers refuse it.
        const QByteArray location = line.sliced(9).trimmed().toByteArray();
        if (transfer.location.isNull())
            transfer.location = location.isNull() ? QByteArray("") : location;
        else if (location != transfer.location)
            transfer.conflictingLocations = true;
    }
}

QString next(CurlTransfer& transfer, long maximumRedirects)
{
    if (transfer.conflictingLocations)
        return QStringLiteral("Redirect refused: the answer names two different targets");
    if (transfer.hops >= maximumRedirects)
        return QStringLiteral("Maximum (%1) redirects followed").arg(maximumRedirects);
    char* target = nullptr;
    curl_easy_getinfo(transfer.easy, CURLINFO_REDIRECT_URL, &target);
    RedirectHop hop = checkRedirect(transfer.url, target);
    if (!hop.refusal.isEmpty())
        return hop.refusal;
    if (transfer.redirectCheck) {
        const QString refusal = transfer.redirectCheck(hop.url);
        if (!refusal.isEmpty())
            return refusal;
    }
    transfer.url = std::move(hop.url);
    ++transfer.hops;
    return {};
}

} // namespace RedirectHops
