#include "RobotsGate.h"

#include "core/AppError.h"
#include "core/fetch/PageFetcher.h"

#include <QTimer>

RobotsGate::RobotsGate(PageFetcher& fetcher) : m_fetcher(fetcher) {}

RobotsGate::~RobotsGate() = default;

void RobotsGate::judge(const PageUrl& url, Verdict verdict)
{
    const QByteArray origin = url.origin();
    Origin& known = m_origins[origin];
    if (known.rules)
        return verdict(known.rules->allows(url.robotsPath().toStdString()));
    known.waiting.emplace_back(url.robotsPath().toStdString(), std::move(verdict));
    if (known.fetch)
        return;
    const std::optional<PageUrl> robots = PageUrl::fromAbsolute(QByteArray(origin + "/robots.txt"));
    try {
        known.fetch = m_fetcher.start(*robots, QString::fromUtf8(robots->canonical()));
    } catch (const AppError&) {
        known.rules = RobotsTxt::disallowAll();
        return arrived(origin);
    }
    // Read on the next turn of the event loop, outside the fetch engine.
    known.fetch->whenDone([this, origin] { QTimer::singleShot(0, &m_context, [this, origin] { arrived(origin); }); });
}

void RobotsGate::arrived(const QByteArray& origin)
{
    Origin& known = m_origins[origin];
    if (known.fetch) {
        RobotsTxt rules = RobotsTxt::disallowAll();
        try {
            const QByteArray body = known.fetch->take();
            rules = RobotsTxt::parse(std::string_view(body.constData(), std::size_t(body.size())));
        } catch (const AppError&) {
            const int status = known.fetch->httpStatus();
            if (status >= 400 && status < 500)
                rules = RobotsTxt::allowAll();
        }
        known.rules = std::move(rules);
        known.fetch.reset();
    }
    // A verdict may ask about other origins, and so move this one.
    const RobotsTxt rules = *known.rules;
    const std::vector<std::pair<std::string, Verdict>> waiting = std::exchange(known.waiting, {});
    for (const auto& [path, verdict] : waiting)
        verdict(rules.allows(path));
}
