#pragma once
// One run of vandrell-harvest over the listed pages alone: every URL the
// reader delivers, in order, fetched through the shared fetch-ahead window,
// scanned through the same page step as the window's run, and its rows
// written as soon as it is done.

#include "HarvestOptions.h"
#include "core/FetchWindow.h"

class HarvestOutput;
class PageFetcher;
class UrlFeed;

class HarvestRun final {
public:
    HarvestRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, HarvestOutput& output);
    Q_DISABLE_COPY_MOVE(HarvestRun)

    // The exit status: 0 when every page was fetched, 2 otherwise.
    int exec();

private:
    void harvest(qint64 position, const QByteArray& url);

    UrlFeed& m_reader;
    HarvestOutput& m_output;
    FetchWindow m_window;
    FetchWindow::UrlAt m_urlAt;
    qint64 m_current = 0;
    qint64 m_done = 0;
};
