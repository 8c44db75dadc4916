#pragma once
// Redirects are followed by the fetch itself, one hop at a time: the
// Location of each response is gathered from its header lines, and the
// next hop is checked against the fetch policy and the caller's own check
// before it is requested.

#include <QByteArrayView>
#include <QString>

struct CurlTransfer;

namespace RedirectHops {
// Reads one header line of the response being received.
void readHeaderLine(CurlTransfer& transfer, QByteArrayView line);
// After a redirect's answer: why the next hop may not be taken, or nothing,
// with transfer.url then set to the hop's target.
QString next(CurlTransfer& transfer, long maximumRedirects);
} // namespace RedirectHops
