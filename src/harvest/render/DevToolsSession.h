#pragma once
// The DevTools protocol over a BrowserProcess: commands with their replies,
// and events by the session (a tab) they belong to. Sessions are flat: one
// channel carries the browser's own commands and every tab's, each tab's
// marked with its session id.

#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>
#include <unordered_map>

class BrowserProcess;

class DevToolsSession final : public QObject {
    Q_OBJECT
public:
    // The command's result, or the browser's error message for it.
    using Reply = std::function<void(const QJsonObject& result, const QString& error)>;
    using Events = std::function<void(const QString& method, const QJsonObject& params)>;

    explicit DevToolsSession(BrowserProcess& browser);
    Q_DISABLE_COPY_MOVE(DevToolsSession)

    // A command to the browser (session empty) or to one tab's session.
    void call(const QString& method, const QJsonObject& params = {}, const QString& session = {}, Reply reply = {});
    // Events of a session (empty: the browser's own) go to events.
    void listen(const QString& session, Events events);
    void forget(const QString& session);

private:
    void dispatch(const QJsonObject& message);

    BrowserProcess& m_browser;
    qint64 m_lastId = 0;
    std::unordered_map<qint64, Reply> m_replies;
    std::unordered_map<QString, Events> m_listeners;
};
