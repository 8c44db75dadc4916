#pragma once
// The words a failed fetch is reported in: our own reason when we stopped
// the transfer, else libcurl's, with the proxy named where it was the proxy
// that failed, and the HTTP status of an answer that holds no page.

#include <QString>

struct CurlTransfer;

// Why the finished transfer gave no page, or nothing when it gave one.
QString fetchFailure(const CurlTransfer& transfer);
