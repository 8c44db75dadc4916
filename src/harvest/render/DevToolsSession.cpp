#include "DevToolsSession.h"

#include "BrowserProcess.h"

DevToolsSession::DevToolsSession(BrowserProcess& browser) : m_browser(browser)
{
    connect(&browser, &BrowserProcess::received, this, &DevToolsSession::dispatch);
}

void DevToolsSession::call(const QString& method, const QJsonObject& params, const QString& session, Reply reply)
{
    const qint64 id = ++m_lastId;
    QJsonObject message{{QStringLiteral("id"), id}, {QStringLiteral("method"), method}};
    if (!params.isEmpty())
        message.insert(QStringLiteral("params"), params);
    if (!session.isEmpty())
        message.insert(QStringLiteral("sessionId"), session);
    if (reply)
        m_replies.emplace(id, std::move(reply));
    m_browser.send(message);
}

void DevToolsSession::listen(const QString& session, Events events)
{
    m_listeners[session] = std::move(events);
}

void DevToolsSession::forget(const QString& session)
{
    m_listeners.erase(session);
}

void DevToolsSession::dispatch(const QJsonObject& message)
{
    const QJsonValue id = message.value(QStringLiteral("id"));
    if (!id.isUndefined()) {
        const auto waiting = m_replies.find(qint64(id.toDouble()));
        if (waiting == m_replies.end())
            return;
        const Reply reply = std::move(waiting->second);
        m_replies.erase(waiting);
        reply(message.value(QStringLiteral("result")).toObject(),
              message.value(QStringLiteral("error")).toObject().value(QStringLiteral("message")).toString());
        return;
    }
    const auto listener = m_listeners.find(message.value(QStringLiteral("sessionId")).toString());
    if (listener != m_listeners.end()) {
        const Events events = listener->second; // the listener may forget itself
        events(message.value(QStringLiteral("method")).toString(), message.value(QStringLiteral("params")).toObject());
    }
}
