#include "RenderPool.h"

#include "DevToolsSession.h"
#include "RequestRelay.h"

#include <QTimer>

namespace {
constexpr int startsTried = 3;
}

struct RenderPool::Browser {
    explicit Browser(const BrowserProcess::Settings& settings, PageFetcher& fetcher)
        : process(settings), devTools(process), relay(fetcher, devTools)
    {}

    BrowserProcess process;
    DevToolsSession devTools;
    RequestRelay relay;
    std::vector<std::unique_ptr<RenderTab>> tabs;
    bool answered = false; // a tab has been set up
};

RenderPool::RenderPool(Settings settings, PageFetcher& fetcher) : m_settings(std::move(settings)), m_fetcher(fetcher) {}

RenderPool::~RenderPool()
{
    // The tabs first: they let go of the browser's sessions.
    if (m_browser)
        m_browser->tabs.clear();
}

void RenderPool::add(RenderJob job)
{
    m_queue.push_back(std::move(job));
    if (m_failedStarts >= startsTried)
        return failQueue(m_startFailure);
    dispatch();
}

std::vector<RenderJob> RenderPool::takeDone()
{
    return std::exchange(m_done, {});
}

bool RenderPool::busy() const
{
    return !m_queue.empty() || m_held > 0 || !m_done.empty();
}

void RenderPool::startBrowser()
{
    m_browser = std::make_unique<Browser>(m_settings.browser, m_fetcher);
    Browser& browser = *m_browser;
    // Handled on the next turn of the event loop, where the process may go,
    // and only while it is still the pool's browser.
    const int started = ++m_browsersStarted;
    const auto ended = [this, started](const QString& reason) {
        QTimer::singleShot(0, this, [this, started, reason] {
            if (started == m_browsersStarted)
                browserEnded(reason);
        });
    };
    connect(&browser.process, &BrowserProcess::ended, this, ended);
    const QString failure = browser.process.start();
    if (!failure.isEmpty()) {
        m_browser.reset();
        m_failedStarts = startsTried; // nothing would change by trying again
        m_startFailure = failure;
        return failQueue(failure);
    }
    browser.devTools.listen({}, [this](const QString& method, const QJsonObject& params) {
        if (method != QLatin1String("Target.targetCreated") || !m_browser)
            return;
        const QJsonObject info = params.value(QStringLiteral("targetInfo")).toObject();
        for (const std::unique_ptr<RenderTab>& tab : m_browser->tabs)
            tab->targetCreated(info);
    });
    browser.devTools.call(QStringLiteral("Target.setDiscoverTargets"), {{QStringLiteral("discover"), true}});
    for (int i = 0; i < m_settings.tabs; ++i) {
        auto tab = std::make_unique<RenderTab>(browser.devTools, browser.relay, m_settings.timing);
        tab->onIdle = [this] {
            if (m_browser) {
                m_browser->answered = true;
                m_failedStarts = 0;
            }
            dispatch();
        };
        tab->onDone = [this](RenderJob job) {
            --m_held;
            finished(std::move(job));
        };
        tab->onBroken = [ended](const QString& reason) { ended(QStringLiteral("Chromium failed: ") + reason); };
        tab->open();
        browser.tabs.push_back(std::move(tab));
    }
}

void RenderPool::dispatch()
{
    if (m_queue.empty())
        return;
    if (!m_browser)
        startBrowser();
    if (!m_browser)
        return;
    for (const std::unique_ptr<RenderTab>& tab : m_browser->tabs) {
        if (m_queue.empty())
            return;
        if (!tab->idle())
            continue;
        RenderJob job = std::move(m_queue.front());
        m_queue.pop_front();
        ++m_held;
        tab->load(std::move(job));
    }
}

void RenderPool::browserEnded(const QString& reason)
{
    if (!m_browser)
        return;
    for (const std::unique_ptr<RenderTab>& tab : m_browser->tabs) {
        if (std::optional<RenderJob> job = tab->release()) {
            --m_held;
            job->failure = QStringLiteral("The browser went away while it showed the page: ") + reason;
            m_done.push_back(std::move(*job));
        }
    }
    const bool answered = m_browser->answered;
    m_browser->tabs.clear();
    m_browser.reset(); // waits for what is left of it
    if (!answered && ++m_failedStarts >= startsTried) {
        m_startFailure = reason;
        failQueue(reason);
    }
    if (!m_done.empty())
        emit rendered();
    dispatch();
}

void RenderPool::failQueue(const QString& reason)
{
    for (RenderJob& job : m_queue) {
        job.failure = reason;
        m_done.push_back(std::move(job));
    }
    m_queue.clear();
    emit rendered();
}

void RenderPool::finished(RenderJob job)
{
    m_done.push_back(std::move(job));
    emit rendered();
}
