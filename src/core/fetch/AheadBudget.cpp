#include "core/fetch/AheadBudget.h"

#include "core/fetch/CurlTransfer.h"

#include <algorithm>

// The page being awaited may need a connection that paused pages to its host
// hold, so while it has none one of those pages goes on, the earliest: when
// it is done its connection is free, and the budget is overrun by one page
// at most.
bool AheadBudget::mayPause(const CurlTransfer& transfer, const CurlTransfer* awaited,
                           const std::vector<CurlTransfer*>& live, bool oldestGoesOn)
{
    if (transfer.awaited)
        return false;
    if (!awaited && oldestGoesOn)
        return live.empty() || live.front() != &transfer;
    const QByteArray& host = transfer.url.connectionKey();
    if (!awaited || !awaited->easy || awaited->url.connectionKey() != host)
        return true;
    if (!awaited->redirected) {
        if (awaited->responded)
            return true;
        curl_off_t connected = 0;
        curl_easy_getinfo(awaited->easy, CURLINFO_CONNECT_TIME_T, &connected);
        if (connected != 0)
            return true;
    }
    const auto holder = std::find_if(live.begin(), live.end(), [&](const CurlTransfer* other) {
        return other != awaited && other->responded && other->url.connectionKey() == host;
    });
    return holder == live.end() || *holder != &transfer;
}
