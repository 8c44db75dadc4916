#pragma once
// The requests a tab makes, answered by the harvester: each is paused in the
// browser (Fetch.requestPaused), fetched through the harvester's own engine
// (the PageFetcher seam: its proxy, certificates, limits, per-host
// connections and cookies) where the origin's robots.txt allows it, and
// fulfilled with the answer. Only what can change the document is fetched:
// scripts, frames, and what scripts fetch, by GET; images, media, fonts,
// style sheets, beacons and anything that would send data are refused. The
// answer goes to the page with its type alone, so a script can read what
// it fetches from its own origin only.

#include "RobotsGate.h"

#include <QByteArray>
#include <QJsonObject>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>

class DevToolsSession;
class PageFetcher;
class PendingPage;

class RequestRelay final {
public:
    RequestRelay(PageFetcher& fetcher, DevToolsSession& devTools);
    ~RequestRelay();
    Q_DISABLE_COPY_MOVE(RequestRelay)

    // Answers a paused request of session's tab: false when it was answered
    // at once (refused), true when settled() follows once it has been.
    bool relay(const QString& session, const QJsonObject& paused, std::function<void()> settled);
    // The tab's page is done: what it still waits for is dropped unanswered.
    void cancel(const QString& session);

    void fulfil(const QString& session, const QString& requestId, int status, const QByteArray& contentType,
                const QByteArray& body);
    void refuse(const QString& session, const QString& requestId, const char* reason = "BlockedByClient");

private:
    struct Relayed {
        QString session;
        QString requestId;
        std::unique_ptr<PendingPage> fetch;
        std::function<void()> settled;
    };

    void fetch(quint64 key, const PageUrl& url);
    void deliver(quint64 key);
    void finish(quint64 key);

    PageFetcher& m_fetcher;
    DevToolsSession& m_devTools;
    RobotsGate m_robots;
    std::map<quint64, Relayed> m_relayed;
    quint64 m_lastKey = 0;
    QObject m_context; // answers still to be read go with the relay
};
