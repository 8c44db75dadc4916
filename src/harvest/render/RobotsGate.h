#pragma once
// robots.txt for the requests a page makes in the browser: read once per
// origin through the harvester's own fetch, as for the pages it crawls (a
// robots.txt that is not there allows everything, one the server cannot
// give allows nothing), and asked before each request to that origin.

#include "core/web/RobotsTxt.h"

#include <QByteArray>
#include <QObject>

#include <functional>
#include <memory>
#include <optional>
#include <unordered_map>
#include <vector>

class PageFetcher;
class PageUrl;
class PendingPage;

class RobotsGate final {
public:
    using Verdict = std::function<void(bool allowed)>;

    explicit RobotsGate(PageFetcher& fetcher);
    ~RobotsGate();
    Q_DISABLE_COPY_MOVE(RobotsGate)

    // Calls verdict once the rules of url's origin are known: at once when
    // they are, else when its robots.txt has come.
    void judge(const PageUrl& url, Verdict verdict);

private:
    struct Origin {
        std::optional<RobotsTxt> rules;
        std::unique_ptr<PendingPage> fetch;
        std::vector<std::pair<std::string, Verdict>> waiting; // robots path, verdict
    };
    struct KeyHash {
        std::size_t operator()(const QByteArray& key) const { return qHash(key); }
    };

    void arrived(const QByteArray& origin);

    PageFetcher& m_fetcher;
    std::unordered_map<QByteArray, Origin, KeyHash> m_origins;
    QObject m_context; // answers still to be read go with the gate
};
