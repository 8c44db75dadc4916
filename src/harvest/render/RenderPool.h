#pragma once
// vandrell-harvest --render: one browser and a pool of tabs that show the
// pages the harvester fetched and hand back the DOM their scripts built.
// Pages wait in order for a free tab and come back as each is done. The
// browser is started with the first page; one that goes away is started
// again, and the pages its tabs held fail, once each. One that cannot be
// started three times in a row fails every page from then on, with the
// reason. After the pool no process of the browser's is left.

#include "BrowserProcess.h"
#include "RenderJob.h"
#include "RenderTab.h"

#include <QObject>

#include <deque>
#include <memory>
#include <vector>

class DevToolsSession;
class PageFetcher;
class RequestRelay;

class RenderPool final : public QObject {
    Q_OBJECT
public:
    static constexpr int defaultTabs = 4;
    static constexpr int maximumTabs = 16;

    struct Settings {
        BrowserProcess::Settings browser;
        int tabs = defaultTabs;
        RenderTab::Timing timing;
    };

    // Sub-requests go through fetcher, which must outlive the pool.
    RenderPool(Settings settings, PageFetcher& fetcher);
    ~RenderPool() override;
    Q_DISABLE_COPY_MOVE(RenderPool)

    void add(RenderJob job);
    // The pages done since the last call, rendered or failed.
    std::vector<RenderJob> takeDone();
    // Pages waiting for a tab.
    qsizetype waiting() const { return qsizetype(m_queue.size()); }
    // Whether a page is waiting, in a tab, or done and not yet taken.
    bool busy() const;

signals:
    void rendered();

private:
    struct Browser;

    void startBrowser();
    void dispatch();
    void browserEnded(const QString& reason);
    void failQueue(const QString& reason);
    void finished(RenderJob job);

    const Settings m_settings;
    PageFetcher& m_fetcher;
    std::unique_ptr<Browser> m_browser;
    std::deque<RenderJob> m_queue;
    std::vector<RenderJob> m_done;
    int m_held = 0; // pages in tabs
    int m_browsersStarted = 0;
    int m_failedStarts = 0; // in a row
    QString m_startFailure;
};
