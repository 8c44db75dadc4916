#include "RequestRelay.h"

#include "DevToolsSession.h"
#include "core/AppError.h"
#include "core/fetch/PageFetcher.h"
#include "core/web/PageUrl.h"

#include <QJsonArray>
#include <QTimer>

namespace {
bool mayChangeDocument(const QString& resourceType)
{
    static const QStringList fetched{QStringLiteral("Document"), QStringLiteral("Script"), QStringLiteral("XHR"),
                                     QStringLiteral("Fetch")};
    return fetched.contains(resourceType);
}

// The fetch hands a UTF-16 answer over as UTF-8, and says so here.
QByteArray asFetched(const QByteArray& contentType)
{
    const qsizetype at = contentType.toLower().indexOf("utf-16");
    if (at < 0)
        return contentType;
    qsizetype end = at + 6;
    while (end < contentType.size() && QByteArrayView("lLbBeE").contains(contentType[end]))
        ++end;
    return QByteArray(contentType).replace(at, end - at, "utf-8");
}

QJsonObject header(const char* name, const QByteArray& value)
{
    return {{QStringLiteral("name"), QString::fromLatin1(name)}, {QStringLiteral("value"), QString::fromLatin1(value)}};
}
} // namespace

RequestRelay::RequestRelay(PageFetcher& fetcher, DevToolsSession& devTools)
    : m_fetcher(fetcher), m_devTools(devTools), m_robots(fetcher)
{}

RequestRelay::~RequestRelay() = default;

bool RequestRelay::relay(const QString& session, const QJsonObject& paused, std::function<void()> settled)
{
    const QString requestId = paused.value(QStringLiteral("requestId")).toString();
    const QJsonObject request = paused.value(QStringLiteral("request")).toObject();
    const std::optional<PageUrl> url = PageUrl::fromAbsolute(request.value(QStringLiteral("url")).toString().toUtf8());
    if (!url || request.value(QStringLiteral("method")).toString() != QLatin1String("GET") ||
        !mayChangeDocument(paused.value(QStringLiteral("resourceType")).toString())) {
        refuse(session, requestId);
        return false;
    }
    const quint64 key = ++m_lastKey;
    m_relayed.emplace(key, Relayed{session, requestId, nullptr, std::move(settled)});
    m_robots.judge(*url, [this, key, url = *url](bool allowed) {
        const auto relayed = m_relayed.find(key);
        if (relayed == m_relayed.end())
            return;
        if (!allowed) {
            refuse(relayed->second.session, relayed->second.requestId);
            return finish(key);
        }
        fetch(key, url);
    });
    return true;
}

void RequestRelay::fetch(quint64 key, const PageUrl& url)
{
    Relayed& relayed = m_relayed.at(key);
    try {
        relayed.fetch = m_fetcher.start(url, url.display());
    } catch (const AppError&) {
        refuse(relayed.session, relayed.requestId, "Failed");
        return finish(key);
    }
    // Read on the next turn of the event loop, outside the fetch engine.
    relayed.fetch->whenDone([this, key] { QTimer::singleShot(0, &m_context, [this, key] { deliver(key); }); });
}

void RequestRelay::deliver(quint64 key)
{
    const auto found = m_relayed.find(key);
    if (found == m_relayed.end())
        return;
    Relayed& relayed = found->second;
    try {
        const QByteArray body = relayed.fetch->take();
        fulfil(relayed.session, relayed.requestId, 200, relayed.fetch->contentType(), body);
    } catch (const AppError&) {
        // An error status reaches the page as that status; anything else as
        // a request that failed.
        if (const int status = relayed.fetch->httpStatus(); status >= 400)
            fulfil(relayed.session, relayed.requestId, status, {}, {});
        else
            refuse(relayed.session, relayed.requestId, "Failed");
    }
    finish(key);
}

void RequestRelay::finish(quint64 key)
{
    const auto found = m_relayed.find(key);
    const std::function<void()> settled = std::move(found->second.settled);
    m_relayed.erase(found);
    settled();
}

void RequestRelay::cancel(const QString& session)
{
    std::erase_if(m_relayed, [&](const auto& entry) { return entry.second.session == session; });
}

void RequestRelay::fulfil(const QString& session, const QString& requestId, int status, const QByteArray& contentType,
                          const QByteArray& body)
{
    // Only the type: no header that would let a page read an answer from
    // another origin, which it could then send on in the next request's URL.
    QJsonArray headers;
    if (!contentType.isEmpty())
        headers.append(header("Content-Type", asFetched(contentType)));
    m_devTools.call(QStringLiteral("Fetch.fulfillRequest"),
                    {{QStringLiteral("requestId"), requestId},
                     {QStringLiteral("responseCode"), status},
                     {QStringLiteral("responseHeaders"), headers},
                     {QStringLiteral("body"), QString::fromLatin1(body.toBase64())}},
                    session);
}

void RequestRelay::refuse(const QString& session, const QString& requestId, const char* reason)
{
    m_devTools.call(
        QStringLiteral("Fetch.failRequest"),
        {{QStringLiteral("requestId"), requestId}, {QStringLiteral("errorReason"), QString::fromLatin1(reason)}},
        session);
}
