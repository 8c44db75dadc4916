#pragma once
// One page on its way through CurlFetcher: owned by its PendingPage, known to
// the fetch engine while its transfer runs. Shared by the engine's parts.

#include "core/fetch/CurlFetcher.h"
#include "core/web/PageUrl.h"

#include <QByteArray>
#include <QString>

#include <curl/curl.h>

#include <functional>

class QEventLoop;

struct CurlTransfer {
    CurlTransfer() = default;
    CurlTransfer(const CurlTransfer&) = delete;
    CurlTransfer& operator=(const CurlTransfer&) = delete;
    ~CurlTransfer()
    {
        if (easy) // set up, but never handed to libcurl
            curl_easy_cleanup(easy);
    }

    CurlFetcher::Engine* engine = nullptr; // null once the fetcher is gone
    CURL* easy = nullptr;                  // null once finished or dropped
    QString subject;                       // names the page in failures
    PageUrl url;                           // asked now, or last
    QByteArray body;
    char error[CURL_ERROR_SIZE] = {};
    QString failure; // our own reason, when we stopped the transfer
    CURLcode result = CURLE_OK;
    bool finished = false;
    long status = 0;
    QString contentType;
    long tunnelStatus = 0;   // the proxy's answer to CONNECT
    long proxyError = 0;     // CURLINFO_PROXY_ERROR: what a SOCKS proxy refused
    bool connected = false;  // a connection (to the proxy, when there is one) was made
    bool awaited = false;    // its turn has come; it never pauses
    bool paused = false;     // paused for the memory budget
    bool responded = false;  // a status line has arrived
    bool redirected = false; // on its way to the next server, with no answer from it yet
    // Milliseconds on the engine's clock: when libcurl first worked on the
    // transfer, when it last paused, and how long it has spent paused.
    qint64 startedAt = -1;
    qint64 pausedAt = 0;
    qint64 pausedFor = 0;
    // Redirects are ours: how many were followed, the Location of the
    // response being read, whether it named two different ones, and whether
    // that response's body is a redirect's, counted but not kept.
    long hops = 0;
    QByteArray location;
    bool conflictingLocations = false;
    PageFetcher::RedirectCheck redirectCheck; // the caller's own, after the policy
    bool pagesOnly = false;                   // PageFetcher::Body::PagesOnly
    bool notAPage = false;                    // closed after its headers for that
    curl_off_t retryAfter = 0;
    bool inHeaders = false;
    bool discarding = false;
    // Decoded body bytes over every hop, against the page's cap and its
    // speed floor; the floor's last mark, in milliseconds of running time
    // (none before the first request is sent).
    qint64 received = 0;
    qint64 speedMarkAt = -1;
    qint64 speedMarkBytes = 0;
    QEventLoop* loop = nullptr;
    std::function<void()> done; // PendingPage::whenDone's, called once finished
};
