#include "RenderTab.h"

#include "DevToolsSession.h"
#include "RequestRelay.h"

#include <QJsonArray>
#include <QPointer>

namespace {
const QString readDocument = QStringLiteral("document.documentElement ? document.documentElement.outerHTML : ''");

QString key(const char* name)
{
    return QString::fromLatin1(name);
}
} // namespace

RenderTab::RenderTab(DevToolsSession& devTools, RequestRelay& relay, Timing timing)
    : m_devTools(devTools), m_relay(relay), m_timing(timing)
{
    for (QTimer* timer : {&m_quiet, &m_settleCap, &m_deadline})
        timer->setSingleShot(true);
    connect(&m_quiet, &QTimer::timeout, this, &RenderTab::read);
    connect(&m_settleCap, &QTimer::timeout, this, &RenderTab::read);
    connect(&m_deadline, &QTimer::timeout, this, [this] {
        const qint64 seconds = std::chrono::duration_cast<std::chrono::seconds>(m_timing.deadline).count();
        // A browser that cannot even set a tab up is of no more use.
        if (m_state == State::Opening || m_state == State::Closing)
            return onBroken(QStringLiteral("no tab was ready within %1 s").arg(seconds));
        if (m_state == State::Clearing) // the page it showed will not let go
            return replace();
        complete(QStringLiteral("The page did not settle in the browser within %1 s").arg(seconds), true);
    });
}

RenderTab::~RenderTab()
{
    if (!m_session.isEmpty()) {
        m_devTools.forget(m_session);
        m_relay.cancel(m_session);
    }
}

void RenderTab::open()
{
    m_state = State::Opening;
    m_deadline.start(m_timing.deadline);
    m_target.clear();
    m_session.clear();
    const QPointer<RenderTab> self(this);
    m_devTools.call(
        key("Target.createBrowserContext"), {}, {}, [self](const QJsonObject& result, const QString& error) {
            if (!self)
                return;
            if (!error.isEmpty())
                return self->onBroken(error);
            self->m_context = result.value(key("browserContextId")).toString();
            self->m_devTools.call(key("Browser.setDownloadBehavior"),
                                  {{key("behavior"), key("deny")}, {key("browserContextId"), self->m_context}});
            self->m_devTools.call(key("Target.createTarget"),
                                  {{key("url"), key("about:blank")}, {key("browserContextId"), self->m_context}}, {},
                                  [self](const QJsonObject& result, const QString& error) {
                                      if (!self)
                                          return;
                                      if (!error.isEmpty())
                                          return self->onBroken(error);
                                      self->m_target = result.value(key("targetId")).toString();
                                      self->attach();
                                  });
        });
}

void RenderTab::attach()
{
    const QPointer<RenderTab> self(this);
    m_devTools.call(key("Target.attachToTarget"), {{key("targetId"), m_target}, {key("flatten"), true}}, {},
                    [self](const QJsonObject& result, const QString& error) {
                        if (!self)
                            return;
                        if (!error.isEmpty())
                            return self->onBroken(error);
                        self->m_session = result.value(key("sessionId")).toString();
                        self->m_devTools.listen(self->m_session,
                                                [self](const QString& method, const QJsonObject& params) {
                                                    if (self)
                                                        self->onEvent(method, params);
                                                });
                        self->m_devTools.call(key("Page.enable"), {}, self->m_session);
                        self->m_devTools.call(key("Inspector.enable"), {}, self->m_session);
                        const QJsonArray everything{QJsonObject{{key("urlPattern"), key("*")}}};
                        self->m_devTools.call(key("Fetch.enable"), {{key("patterns"), everything}}, self->m_session,
                                              [self](const QJsonObject&, const QString& error) {
                                                  if (!self)
                                                      return;
                                                  if (!error.isEmpty())
                                                      return self->onBroken(error);
                                                  self->m_state = State::Idle;
                                                  self->m_deadline.stop();
                                                  self->onIdle();
                                              });
                    });
}

void RenderTab::targetCreated(const QJsonObject& info)
{
    if (info.value(key("browserContextId")).toString() != m_context ||
        info.value(key("type")).toString() != key("page"))
        return;
    const QString target = info.value(key("targetId")).toString();
    // The first page of its context is its own, whether or not the browser
    // has said so yet; any other was opened by the page.
    if (m_target.isEmpty())
        m_target = target;
    else if (target != m_target)
        m_devTools.call(key("Target.closeTarget"), {{key("targetId"), target}});
}

void RenderTab::load(RenderJob job)
{
    m_job = std::move(job);
    m_state = State::Loading;
    const quint64 generation = ++m_generation;
    m_documentServed = false;
    m_loaded = false;
    m_inFlight = 0;
    m_requests = 0;
    m_deadline.start(m_timing.deadline);
    const QPointer<RenderTab> self(this);
    m_devTools.call(key("Page.navigate"), {{key("url"), QString::fromUtf8(m_job.url.canonical())}}, m_session,
                    [self, generation](const QJsonObject& result, const QString& error) {
                        if (!self || self->stale(generation))
                            return;
                        const QString failed = error.isEmpty() ? result.value(key("errorText")).toString() : error;
                        if (!failed.isEmpty())
                            self->complete(QStringLiteral("The browser could not show the page: ") + failed, false);
                    });
}

void RenderTab::onEvent(const QString& method, const QJsonObject& params)
{
    if (method == QLatin1String("Fetch.requestPaused")) {
        paused(params);
    } else if (method == QLatin1String("Page.loadEventFired")) {
        // Only the load of the page's own document counts.
        m_loaded = m_documentServed;
        quietOrNot();
    } else if (method == QLatin1String("Page.javascriptDialogOpening")) {
        // Cancelled at once; leaving the page is allowed.
        const bool leaving = params.value(key("type")).toString() == QLatin1String("beforeunload");
        m_devTools.call(key("Page.handleJavaScriptDialog"), {{key("accept"), leaving}}, m_session);
    } else if (method == QLatin1String("Inspector.targetCrashed")) {
        if (m_state == State::Loading || m_state == State::Reading)
            complete(QStringLiteral("The browser's tab crashed on the page"), true);
        else if (m_state == State::Idle || m_state == State::Clearing)
            complete({}, true);
    }
}

void RenderTab::paused(const QJsonObject& params)
{
    const QString requestId = params.value(key("requestId")).toString();
    if (m_state != State::Loading && m_state != State::Reading)
        return m_relay.refuse(m_session, requestId);
    const bool mainDocument = params.value(key("resourceType")).toString() == QLatin1String("Document") &&
                              params.value(key("frameId")).toString() == m_target;
    if (mainDocument) {
        // The page's own document, once; then it stays, however its
        // scripts try to leave it.
        if (m_documentServed)
            return m_relay.refuse(m_session, requestId, "Aborted");
        m_documentServed = true;
        m_relay.fulfil(m_session, requestId, 200, m_job.contentType, m_job.body);
        // From here: a renderer started for the page may take its time.
        m_settleCap.start(m_timing.settleCap);
        m_job.body = QByteArray();
        return;
    }
    if (++m_requests > maximumRequests)
        return m_relay.refuse(m_session, requestId);
    const QPointer<RenderTab> self(this);
    const quint64 generation = m_generation;
    const bool relayed = m_relay.relay(m_session, params, [self, generation] {
        if (!self || self->stale(generation))
            return;
        --self->m_inFlight;
        self->quietOrNot();
    });
    if (relayed) {
        ++m_inFlight;
        quietOrNot();
    }
}

void RenderTab::quietOrNot()
{
    if (m_state == State::Loading && m_loaded && m_inFlight == 0)
        m_quiet.start(m_timing.quiet);
    else
        m_quiet.stop();
}

void RenderTab::read()
{
    if (m_state != State::Loading)
        return;
    m_state = State::Reading;
    m_quiet.stop();
    m_settleCap.stop();
    const QPointer<RenderTab> self(this);
    const quint64 generation = m_generation;
    m_devTools.call(key("Runtime.evaluate"), {{key("expression"), readDocument}, {key("returnByValue"), true}},
                    m_session, [self, generation](const QJsonObject& result, const QString& error) {
                        if (!self || self->stale(generation))
                            return;
                        if (!error.isEmpty() || result.contains(key("exceptionDetails")))
                            return self->complete(QStringLiteral("The page's document could not be read: ") +
                                                      (error.isEmpty() ? key("its script failed") : error),
                                                  false);
                        self->m_job.html =
                            result.value(key("result")).toObject().value(key("value")).toString().toUtf8();
                        self->complete({}, false);
                    });
}

void RenderTab::complete(QString failure, bool replaceTab)
{
    ++m_generation;
    for (QTimer* timer : {&m_quiet, &m_settleCap, &m_deadline})
        timer->stop();
    m_relay.cancel(m_session);
    const bool held = m_state == State::Loading || m_state == State::Reading;
    if (replaceTab)
        replace();
    else if (held)
        clear();
    else
        m_state = State::Idle;
    if (held) {
        RenderJob job = std::move(m_job);
        m_job = {};
        job.failure = std::move(failure);
        if (!job.failure.isEmpty())
            job.html = QByteArray();
        onDone(std::move(job));
    }
    if (m_state == State::Idle)
        onIdle();
}

void RenderTab::clear()
{
    m_state = State::Clearing;
    m_deadline.start(clearingTime);
    const QPointer<RenderTab> self(this);
    const quint64 generation = m_generation;
    const auto cleared = [self, generation](const QJsonObject&, const QString&) {
        if (!self || self->stale(generation) || self->m_state != State::Clearing)
            return;
        self->m_deadline.stop();
        self->m_state = State::Idle;
        self->onIdle();
    };
    // The navigation may be answered before the old page's handlers have
    // run; a script's answer from the blank page says its renderer is free.
    m_devTools.call(
        key("Page.navigate"), {{key("url"), key("about:blank")}}, m_session,
        [self, generation, cleared](const QJsonObject&, const QString&) {
            if (!self || self->stale(generation) || self->m_state != State::Clearing)
                return;
            self->m_devTools.call(key("Runtime.evaluate"), {{key("expression"), key("1")}}, self->m_session, cleared);
        });
}

void RenderTab::replace()
{
    // Its context goes with every process and page in it, even one whose
    // script never yields.
    ++m_generation;
    m_state = State::Closing;
    m_deadline.start(m_timing.deadline);
    m_devTools.forget(m_session);
    const QPointer<RenderTab> self(this);
    m_devTools.call(key("Target.disposeBrowserContext"), {{key("browserContextId"), m_context}}, {},
                    [self](const QJsonObject&, const QString&) {
                        if (self)
                            self->open();
                    });
}

std::optional<RenderJob> RenderTab::release()
{
    if (m_state != State::Loading && m_state != State::Reading)
        return std::nullopt;
    ++m_generation;
    m_state = State::Closing;
    RenderJob job = std::move(m_job);
    m_job = {};
    return job;
}
