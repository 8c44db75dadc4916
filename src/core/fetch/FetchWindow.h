#pragma once
// The pages of the next URLs of a run, kept in flight so that the network
// never waits on the scanning. Requests start in position order, at most
// `capacity` at once counting the page being awaited, and a page is handed
// out only for the position and URL it was requested for: when the list
// changes under a run, the requests it made stale are dropped.
//
// Positions are whatever the caller counts in (list rows, input lines); the
// caller says what URL a position holds through UrlAt.

#include "core/fetch/PageFetcher.h"

#include <QString>

#include <deque>
#include <functional>
#include <memory>
#include <optional>

class FetchWindow final {
public:
    // The URL at a position, or nothing when there is none (yet, or any more).
    using UrlAt = std::function<std::optional<QString>(qint64 position)>;

    // Pages in flight at most, counting the one being awaited: enough for
    // distant servers' answers to overlap so the network stays busy, few
    // enough that the pages held ahead stay a bounded amount of memory.
    static constexpr int defaultCapacity = 16;
    // How far up a request looks for its row on a change: enough for rows
    // removed by hand between two looks, cheap enough to look at every yield.
    static constexpr qint64 maximumRowShift = 64;

    explicit FetchWindow(PageFetcher& fetcher, int capacity = defaultCapacity);

    // The page requested for `position` holding `url`, or a new request for
    // it. Requests for earlier positions are dropped. Throws AppError when the
    // fetcher refuses the URL.
    std::unique_ptr<PendingPage> take(qint64 position, const QString& url);

    // One turn of a run: takes the page for `position`, requests the
    // positions after it, then waits for the page. Throws AppError when the
    // page cannot be fetched.
    QByteArray fetch(qint64 position, const QString& url, const UrlAt& urlAt);

    // Drops stale requests, then requests the positions from `next` on, in
    // order, while fewer than capacity − 1 are waiting (the page being awaited
    // takes the last place) and the position has a URL.
    void refill(qint64 next, const UrlAt& urlAt);

    // Drops every request whose row no longer holds its URL. A request whose
    // row moved up by at most maximumRowShift positions (rows above it were
    // removed) moves with it instead.
    void prune(const UrlAt& urlAt);

    int waiting() const { return int(m_pages.size()); }

private:
    struct Request {
        qint64 position;
        QString url;
        std::unique_ptr<PendingPage> page; // null when the fetcher refused the URL
    };

    PageFetcher& m_fetcher;
    int m_capacity;
    std::deque<Request> m_pages;
};
