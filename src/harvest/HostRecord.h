#pragma once
// What a harvest knows of one server (an origin: scheme, host and port, the
// scheme's default port filled in): its waiting requests, those waiting to be
// tried again, its connections in flight and their cap, the delay between
// two requests, and its robots.txt. HostTable keeps the records and is the
// one that changes them; the crawl only asks.

#include "core/web/PageUrl.h"
#include "core/web/RobotsTxt.h"

#include <QtGlobal>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <queue>
#include <vector>

// What a request fetches; robots.txt goes before a host's sitemaps, and those
// before its pages.
enum class RequestKind { RobotsTxt, Sitemap, Page };

struct WaitingRequest {
    RequestKind kind = RequestKind::Page;
    qint64 crawl = 0;     // a page's crawl, by its start position
    std::size_t item = 0; // a page's index in its crawl, a sitemap's in its host's list
    int tries = 0;        // made before this one

    friend auto operator<=>(const WaitingRequest&, const WaitingRequest&) = default;
};

class HostRecord final {
public:
    enum class Robots { Unknown, Fetching, Known };

    explicit HostRecord(PageUrl someUrl) : m_robotsTxtUrl(someUrl.robotsTxtUrl()) {}
    Q_DISABLE_COPY_MOVE(HostRecord)

    QByteArray origin() const { return m_robotsTxtUrl.origin(); }
    const PageUrl& robotsTxtUrl() const { return m_robotsTxtUrl; }
    Robots robots() const { return m_robots; }
    bool allows(const PageUrl& url) const { return m_rules.allows(url.robotsPath().toStdString()); }
    // Why robots.txt could not be read, when it could not: every followed
    // page of the host is refused then.
    const QString& robotsUnreadable() const { return m_robotsUnreadable; }
    const std::vector<QByteArray>& sitemaps() const { return m_sitemaps; }
    int inFlight() const { return m_inFlight; }
    int connections() const { return m_connections; }

private:
    friend class HostTable;
    using Due = std::multimap<qint64, WaitingRequest>;

    bool hasConnectionFree() const { return m_inFlight < m_connections; }
    // When this host may start its next request, on the table's clock, or
    // nothing while it has none to start.
    std::optional<qint64> nextStart() const;

    PageUrl m_robotsTxtUrl;
    Robots m_robots = Robots::Unknown;
    RobotsTxt m_rules = RobotsTxt::allowAll();
    QString m_robotsUnreadable;
    std::vector<QByteArray> m_sitemaps; // named by robots.txt
    int m_inFlight = 0;
    int m_connections = 0;
    qint64 m_delayMs = 0;    // between the starts of two requests
    qint64 m_lastStart = -1; // on the table's clock
    // Within longestRetryAfterMs, to pace a busy host by: the starts of its
    // requests and its answers that it is busy; since when it has one connection.
    std::deque<qint64> m_recentStarts;
    std::deque<qint64> m_recentRefusals;
    qint64 m_oneConnectionSince = -1;
    std::priority_queue<WaitingRequest, std::vector<WaitingRequest>, std::greater<>> m_waiting;
    Due m_retries; // by when they may go again
    // Where the table's ready or sleeping list holds this host.
    std::optional<WaitingRequest> m_readyAs;
    std::optional<qint64> m_sleepingUntil;
};
