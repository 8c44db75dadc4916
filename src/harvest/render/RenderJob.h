#pragma once
// One page on its way through the browser: fetched by the harvester, shown
// in a tab, and read back as the DOM its scripts built.

#include "core/web/PageUrl.h"

#include <QByteArray>
#include <QString>

struct RenderJob {
    qint64 crawl = 0; // the caller's names for the page
    std::size_t index = 0;
    PageUrl url;     // where its answer came from, after redirects
    QByteArray body; // the answer, as fetched
    QByteArray contentType;
    QByteArray html; // once rendered: the document serialised, UTF-8
    QString failure; // or why it could not be
};
