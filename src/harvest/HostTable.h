#pragma once
// Every server's rules in one place, as wget2's host.c keeps them: each
// host's waiting requests and retry schedule, its connection cap, the delay
// between two of its requests (--wait, robots.txt's Crawl-delay) and its
// robots.txt. The next request is the oldest among the hosts that may start
// one now, so starting one costs the same however many pages wait; a host
// that must wait sleeps on a list ordered by its waking time.

#include "HostRecord.h"

#include <QElapsedTimer>
#include <QHashFunctions>

#include <chrono>
#include <memory>
#include <set>
#include <unordered_map>

class HostTable final {
public:
    struct Rules {
        int connections = 4; // per host
        qint64 waitMs = 0;   // between the starts of two requests to a host
        int retries = 2;     // tries after the first, for transient failures
        qint64 firstBackoffMs = 1000;
    };
    // A host that says it is busy is asked again after Retry-After, at most this.
    static constexpr qint64 longestRetryAfterMs = 120'000;
    // robots.txt's Crawl-delay is honoured up to this.
    static constexpr qint64 longestCrawlDelayMs = 30'000;

    explicit HostTable(Rules rules);
    Q_DISABLE_COPY_MOVE(HostTable)

    // The record of url's origin, made when new; records never move.
    HostRecord& host(const PageUrl& url);
    HostRecord* find(const QByteArray& origin);

    void enqueue(HostRecord& host, WaitingRequest request);
    // The oldest request of the hosts that may start one now, taken off its
    // queue with a connection of its host; nothing when none may.
    std::optional<std::pair<WaitingRequest, HostRecord*>> takeReady();
    // A request of host's is over: its connection is free.
    void release(HostRecord& host);
    // A transient failure of a request started at startedAt (status, or 0
    // for a broken connection; the server's Retry-After in seconds, or 0):
    // the request goes again later,
    // unless its tries are spent (false). After 429 or 503 the host keeps
    // one connection, and after another its requests are spaced to the
    // rate it took.
    bool retry(HostRecord& host, WaitingRequest request, int status, qint64 retryAfterSeconds, qint64 startedAt);
    // robots.txt is being fetched, and has come: its rules, its Crawl-delay
    // and its Sitemap lines; or why it could not be read (all refused).
    void robotsFetching(HostRecord& host) { host.m_robots = HostRecord::Robots::Fetching; }
    void robotsArrived(HostRecord& host, std::optional<RobotsTxt> rules, QString unreadable = {});

    // Milliseconds until a sleeping host may start a request, or nothing
    // when none sleeps.
    std::optional<qint64> untilNextWake() const;
    qint64 retriesScheduled() const { return m_retries; }
    // The table's clock, in milliseconds.
    qint64 now() const { return m_clock.elapsed(); }
    bool anyWaiting() const { return !m_ready.empty() || !m_sleeping.empty(); }

private:
    using Ready = std::pair<WaitingRequest, HostRecord*>;
    using Sleeping = std::pair<qint64, HostRecord*>;
    struct KeyHash {
        std::size_t operator()(const QByteArray& key) const { return ::qHash(key); }
    };

    void pace(HostRecord& host, qint64 retryAfterSeconds, qint64 startedAt);
    // Puts the host on the ready or the sleeping list, or on neither, as it now stands.
    void reconsider(HostRecord& host);

    const Rules m_rules;
    QElapsedTimer m_clock;
    std::unordered_map<QByteArray, std::unique_ptr<HostRecord>, KeyHash> m_hosts; // by origin
    std::set<Ready> m_ready;
    std::set<Sleeping> m_sleeping;
    qint64 m_retries = 0;
};
