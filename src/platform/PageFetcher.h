#pragma once
// Seam over the page fetch: given a URL, the page's bytes. Blocks the caller
// (while the event loop keeps running) and throws AppError on any failure.

#include <QByteArray>
#include <QString>

class PageFetcher {
public:
    virtual ~PageFetcher() = default;
    virtual QByteArray OpenURL(const QString& url) = 0;
};
