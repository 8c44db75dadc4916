#include "HostTable.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cmath>

std::optional<qint64> HostRecord::nextStart() const
{
    std::optional<qint64> next;
    if (!m_waiting.empty() && hasConnectionFree())
        next = m_lastStart < 0 ? 0 : m_lastStart + m_delayMs;
    if (!m_retries.empty())
        next = std::min(next.value_or(m_retries.begin()->first), m_retries.begin()->first);
    return next;
}

HostTable::HostTable(Rules rules) : m_rules(rules)
{
    m_clock.start();
}

HostRecord& HostTable::host(const PageUrl& url)
{
    std::unique_ptr<HostRecord>& record = m_hosts[url.origin()];
    if (!record) {
        record = std::make_unique<HostRecord>(url);
        record->m_connections = m_rules.connections;
        if (m_rules.connections == 1)
            record->m_oneConnectionSince = 0;
        record->m_delayMs = m_rules.waitMs;
    }
    return *record;
}

HostRecord* HostTable::find(const QByteArray& origin)
{
    const auto found = m_hosts.find(origin);
    return found == m_hosts.end() ? nullptr : found->second.get();
}

void HostTable::enqueue(HostRecord& host, WaitingRequest request)
{
    host.m_waiting.push(request);
    reconsider(host);
}

void HostTable::reconsider(HostRecord& host)
{
    const qint64 at = now();
    // Retries whose time has come wait with the others.
    while (!host.m_retries.empty() && host.m_retries.begin()->first <= at) {
        host.m_waiting.push(host.m_retries.begin()->second);
        host.m_retries.erase(host.m_retries.begin());
    }
    if (host.m_readyAs) {
        m_ready.erase({*host.m_readyAs, &host});
        host.m_readyAs.reset();
    }
    if (host.m_sleepingUntil) {
        m_sleeping.erase({*host.m_sleepingUntil, &host});
        host.m_sleepingUntil.reset();
    }
    const std::optional<qint64> next = host.nextStart();
    if (!next)
        return;
    if (*next <= at && !host.m_waiting.empty() && host.hasConnectionFree()) {
        host.m_readyAs = host.m_waiting.top();
        m_ready.insert({*host.m_readyAs, &host});
    } else if (*next > at) {
        host.m_sleepingUntil = *next;
        m_sleeping.insert({*next, &host});
    }
}

std::optional<std::pair<WaitingRequest, HostRecord*>> HostTable::takeReady()
{
    // Hosts whose time has come join the ready ones.
    const qint64 at = now();
    while (!m_sleeping.empty() && m_sleeping.begin()->first <= at)
        reconsider(*m_sleeping.begin()->second);
    if (m_ready.empty())
        return std::nullopt;
    HostRecord& host = *m_ready.begin()->second;
    const WaitingRequest request = host.m_waiting.top();
    host.m_waiting.pop();
    ++host.m_inFlight;
    host.m_lastStart = at;
    host.m_recentStarts.push_back(at);
    while (at - host.m_recentStarts.front() > longestRetryAfterMs)
        host.m_recentStarts.pop_front();
    reconsider(host);
    return std::pair{request, &host};
}

void HostTable::release(HostRecord& host)
{
    --host.m_inFlight;
    reconsider(host);
}

bool HostTable::retry(HostRecord& host, WaitingRequest request, int status, qint64 retryAfterSeconds, qint64 startedAt)
{
    if (status == 429 || status == 503)
        pace(host, retryAfterSeconds, startedAt);
    if (request.tries >= m_rules.retries)
        return false;
    qint64 delay = 0;
    if (retryAfterSeconds > 0) {
        delay = std::min(retryAfterSeconds, longestRetryAfterMs / 1000) * 1000;
    } else {
        // About the first backoff, doubling with each try; the jitter keeps
        // pages that failed together from coming back together.
        const double spread = 0.75 + QRandomGenerator::global()->generateDouble() / 2;
        delay = qint64(double(m_rules.firstBackoffMs) * std::ldexp(spread, std::min(request.tries, 16)));
    }
    ++request.tries;
    ++m_retries;
    host.m_retries.emplace(now() + delay, request);
    reconsider(host);
    return true;
}

// A host that says it is busy keeps one connection. Busy again once that
// has held for the time it asks us to wait, it counts requests, not
// connections: as many as it took in that time are spread over it, a
// little more thinly.
void HostTable::pace(HostRecord& host, qint64 retryAfterSeconds, qint64 startedAt)
{
    const qint64 at = now();
    host.m_recentRefusals.push_back(at);
    while (at - host.m_recentRefusals.front() > longestRetryAfterMs)
        host.m_recentRefusals.pop_front();
    if (host.m_connections > 1) {
        host.m_connections = 1;
        host.m_oneConnectionSince = at;
        return;
    }
    const qint64 window = std::clamp<qint64>(retryAfterSeconds * 1000, 1000, longestRetryAfterMs);
    // What it took while it had more connections says nothing of its rate.
    if (host.m_oneConnectionSince < 0 || startedAt < host.m_oneConnectionSince ||
        at - host.m_oneConnectionSince < window)
        return;
    const auto within = [since = at - window](const std::deque<qint64>& times) {
        return std::count_if(times.begin(), times.end(), [since](qint64 time) { return time > since; });
    };
    const qint64 taken = within(host.m_recentStarts) - within(host.m_recentRefusals);
    if (taken > 0)
        host.m_delayMs = std::max(host.m_delayMs, std::min(window * 21 / 20 / taken, longestCrawlDelayMs));
}

void HostTable::robotsArrived(HostRecord& host, std::optional<RobotsTxt> rules, QString unreadable)
{
    host.m_robots = HostRecord::Robots::Known;
    host.m_robotsUnreadable = std::move(unreadable);
    if (!rules) {
        host.m_rules = RobotsTxt::disallowAll();
        reconsider(host);
        return;
    }
    const qint64 crawlDelay = qint64(std::min(rules->crawlDelaySeconds() * 1000.0, double(longestCrawlDelayMs)));
    host.m_delayMs = std::max(host.m_delayMs, crawlDelay);
    for (const std::string& sitemap : rules->sitemaps())
        host.m_sitemaps.push_back(QByteArray::fromStdString(sitemap));
    host.m_rules = std::move(*rules);
    reconsider(host);
}

std::optional<qint64> HostTable::untilNextWake() const
{
    if (m_sleeping.empty())
        return std::nullopt;
    return std::max<qint64>(0, m_sleeping.begin()->first - now());
}
