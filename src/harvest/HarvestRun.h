#pragma once
// One run of vandrell-harvest: every URL the reader delivers, in order,
// fetched through the shared fetch-ahead window, scanned, and its accepted
// candidates written as rows, through the same page step as the window's run.

#include "HarvestOptions.h"
#include "core/FetchWindow.h"
#include "core/PageStep.h"
#include "core/ResultsFormat.h"

#include <QSet>

class PageFetcher;
class ProgressLine;
class StdoutWriter;
class UrlFeed;

class HarvestRun final {
public:
    HarvestRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, StdoutWriter& out);
    Q_DISABLE_COPY_MOVE(HarvestRun)

    // The exit status: 0 when every page was fetched, 2 otherwise.
    int exec();

private:
    std::optional<QByteArray> waitForUrl(qint64 position);
    void harvest(qint64 position, const QByteArray& url);
    void fail(const QByteArray& url, const QString& reason);
    void write(const QByteArray& bytes);

    const HarvestOptions& m_options;
    UrlFeed& m_reader;
    StdoutWriter& m_out;
    FetchWindow m_window;
    FetchWindow::UrlAt m_urlAt;
    ProgressLine* m_progress = nullptr;
    qint64 m_current = 0;
    qint64 m_done = 0;
    qint64 m_rows = 0;
    qint64 m_failures = 0;
    const RowChoice m_choice;
    const ResultsFormat m_format;
    PageStep m_step; // keeps its buffers from page to page
    QSet<QByteArray> m_seen;
};
