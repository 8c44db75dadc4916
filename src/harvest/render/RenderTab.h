#pragma once
// One tab of the pool, in a browser context of its own (its own renderer
// process, cookies and storage), reused page after page. A page is shown
// from the answer the harvester fetched: the tab navigates to its URL and
// its document request is fulfilled with those bytes; the requests its
// scripts make go through the RequestRelay; navigating the tab anywhere else
// is refused. The page has settled at its load event followed by a quiet
// time with no request in flight; a page that never goes quiet is read as it
// stands once the settling cap has passed since its document came. Its DOM is then read back, serialised.
// Past the deadline the page fails and the tab is replaced, as when its
// renderer crashes. Between pages the tab is taken to about:blank, so a page
// whose unload handler never returns costs a new tab, not the next page. Dialogs are answered at once (cancelled),
// downloads denied, and any other tab opened in its context closed.

#include "RenderJob.h"

#include <QJsonObject>
#include <QObject>
#include <QTimer>

#include <chrono>
#include <functional>
#include <optional>

class DevToolsSession;
class RequestRelay;

class RenderTab final : public QObject {
    Q_OBJECT
public:
    struct Timing {
        std::chrono::milliseconds quiet{500};
        std::chrono::milliseconds settleCap{10'000};
        std::chrono::milliseconds deadline{30'000};
    };
    // Requests one page may have relayed; later ones are refused.
    static constexpr int maximumRequests = 500;

    RenderTab(DevToolsSession& devTools, RequestRelay& relay, Timing timing);
    ~RenderTab() override;
    Q_DISABLE_COPY_MOVE(RenderTab)

    // Called once the tab can take a page, and each time a page is through.
    std::function<void()> onIdle;
    std::function<void(RenderJob job)> onDone;
    // The browser would not set the tab up.
    std::function<void(const QString& reason)> onBroken;

    void open();
    bool idle() const { return m_state == State::Idle; }
    void load(RenderJob job);
    // The page it holds, when the browser went away under it.
    std::optional<RenderJob> release();
    // A target the browser made: this tab's own page, or one its page opened.
    void targetCreated(const QJsonObject& info);

private:
    enum class State { Opening, Idle, Loading, Reading, Clearing, Closing };
    // What leaving a page may take before its tab is replaced.
    static constexpr std::chrono::milliseconds clearingTime{3'000};

    void attach();
    void onEvent(const QString& method, const QJsonObject& params);
    void paused(const QJsonObject& params);
    void quietOrNot();
    void read();
    void complete(QString failure, bool replaceTab);
    // Leaves the page for about:blank; the tab is idle once it has.
    void clear();
    // Disposes of the tab's context, with every process and page in it,
    // and opens a new one.
    void replace();
    bool stale(quint64 generation) const { return generation != m_generation; }

    DevToolsSession& m_devTools;
    RequestRelay& m_relay;
    const Timing m_timing;
    State m_state = State::Opening;
    QString m_context;
    QString m_target;
    QString m_session;
    RenderJob m_job;
    quint64 m_generation = 0; // of the page in hand: answers for earlier ones are dropped
    bool m_documentServed = false;
    bool m_loaded = false;
    int m_inFlight = 0;
    int m_requests = 0;
    QTimer m_quiet;
    QTimer m_settleCap;
    QTimer m_deadline;
};
