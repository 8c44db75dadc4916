#pragma once
// What a harvest knows of one server (an origin: scheme, host and port, the
// scheme's default port filled in): the requests in flight to it, its
// robots.txt, and the requests waiting for one of its connections, oldest
// crawl and page first. As wget2 keeps one record per host, so starting the
// next request never walks the pages of other hosts.

#include "core/web/PageUrl.h"
#include "core/web/RobotsTxt.h"

#include <QtGlobal>

#include <functional>
#include <optional>
#include <queue>
#include <vector>

struct WaitingRequest {
    qint64 crawl = 0; // the crawl's start position, or 0 for robots.txt, which goes first
    std::size_t page = 0;

    friend auto operator<=>(const WaitingRequest&, const WaitingRequest&) = default;
};

struct HostRecord {
    enum class Robots { Unknown, Fetching, Known };

    PageUrl robotsTxtUrl;
    int inFlight = 0;
    Robots robots = Robots::Unknown;
    RobotsTxt rules = RobotsTxt::allowAll();
    std::priority_queue<WaitingRequest, std::vector<WaitingRequest>, std::greater<>> waiting;
    // The first waiting request, as the scheduler's ready list holds it
    // while this host has a connection free.
    std::optional<WaitingRequest> readyAs;
};
