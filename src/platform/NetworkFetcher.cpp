#include "NetworkFetcher.h"

#include "AppError.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QStringDecoder>

namespace {
// Pages in UTF-16 are turned into UTF-8 so the scanner can read them as bytes.
QByteArray asciiCompatible(QByteArray body, const QString& contentType)
{
    const bool bomLittle = body.startsWith("\xff\xfe");
    const bool bomBig = body.startsWith("\xfe\xff");
    const bool declared = contentType.contains(QLatin1String("utf-16"), Qt::CaseInsensitive);
    if (!bomLittle && !bomBig && !declared)
        return body;
    QStringDecoder decoder(bomBig || contentType.contains(QLatin1String("utf-16be"), Qt::CaseInsensitive)
                               ? QStringDecoder::Utf16BE
                               : QStringDecoder::Utf16LE);
    if (bomLittle || bomBig)
        body.remove(0, 2);
    return QString(decoder(body)).toUtf8();
}
} // namespace

NetworkFetcher::NetworkFetcher() : NetworkFetcher(Limits{}) {}

NetworkFetcher::NetworkFetcher(Limits limits) : m_limits(limits)
{
    m_manager.setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

QByteArray NetworkFetcher::userAgent()
{
    return QByteArrayLiteral("Vandrell/") + QByteArrayLiteral(VANDRELL_VERSION);
}

QUrl NetworkFetcher::pageUrl(const QString& typed)
{
    const QString trimmed = typed.trimmed();
    if (trimmed.isEmpty())
        throw AppError(QStringLiteral("The URL is empty"));
    // "mailto:x" or "file:/x" name a scheme; "localhost:8080/x" names a port.
    static const QRegularExpression schemePrefix(QStringLiteral("^([A-Za-z][A-Za-z0-9+.-]*):(?!\\d)"));
    const QRegularExpressionMatch prefix = schemePrefix.match(trimmed);
    QString text = trimmed;
    if (!prefix.hasMatch())
        text = QStringLiteral("http://") + trimmed;
    const QUrl url(text, QUrl::TolerantMode);
    const QString scheme = url.scheme().toLower();
    if (scheme != QLatin1String("http") && scheme != QLatin1String("https"))
        throw AppError(QStringLiteral("Only http and https pages can be fetched, not \"") + prefix.captured(1) +
                       QStringLiteral(":\" addresses: ") + typed);
    if (!url.isValid() || url.host().isEmpty())
        throw AppError(QStringLiteral("The URL is not valid: ") + typed);
    return url;
}

namespace {
// One request under way. The decoded body is taken as it arrives, so the cap
// holds however the server sends it.
class NetworkPendingPage final : public PendingPage {
public:
    NetworkPendingPage(QNetworkReply* reply, QString typed, qint64 maximumBodyBytes)
        : m_reply(reply), m_typed(std::move(typed)), m_maximumBodyBytes(maximumBodyBytes)
    {
        QObject::connect(reply, &QNetworkReply::readyRead, reply, [this] { collect(); });
    }

    ~NetworkPendingPage() override
    {
        if (!m_reply->isFinished())
            m_reply->abort();
        m_reply->deleteLater();
    }

    QByteArray take() override
    {
        if (!m_reply->isFinished()) {
            QEventLoop loop;
            QObject::connect(m_reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
            loop.exec(QEventLoop::AllEvents);
        }
        collect();
        if (m_tooLarge)
            throw AppError(QStringLiteral("The page is larger than %1 MiB: ").arg(m_maximumBodyBytes / (1024 * 1024)) +
                           m_typed);
        const int status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (status >= 400) {
            const QString reason = m_reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
            throw AppError(QStringLiteral("HTTP error %1 %2: ").arg(status).arg(reason) + m_typed);
        }
        if (m_reply->error() != QNetworkReply::NoError) {
            if (m_reply->error() == QNetworkReply::OperationCanceledError)
                throw AppError(QStringLiteral("The server stopped sending the page (timed out): ") + m_typed);
            throw AppError(m_reply->errorString());
        }
        if (status >= 300)
            throw AppError(QStringLiteral("Too many or unfollowable redirects (HTTP %1): ").arg(status) + m_typed);
        return asciiCompatible(std::move(m_body), m_reply->header(QNetworkRequest::ContentTypeHeader).toString());
    }

private:
    void collect()
    {
        if (m_tooLarge)
            return;
        if (m_body.size() + m_reply->bytesAvailable() > m_maximumBodyBytes) {
            m_tooLarge = true;
            m_reply->abort();
            return;
        }
        if (m_body.isEmpty()) {
            const qint64 announced = m_reply->header(QNetworkRequest::ContentLengthHeader).toLongLong();
            if (announced > 0 && announced <= m_maximumBodyBytes)
                m_body.reserve(announced);
        }
        m_body.append(m_reply->readAll());
    }

    QNetworkReply* m_reply;
    QString m_typed;
    qint64 m_maximumBodyBytes;
    QByteArray m_body;
    bool m_tooLarge = false;
};
} // namespace

std::unique_ptr<PendingPage> NetworkFetcher::start(const QString& typed)
{
    QNetworkRequest request(pageUrl(typed));
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setMaximumRedirectsAllowed(m_limits.maximumRedirects);
    request.setTransferTimeout(int(m_limits.stallTimeout.count()));
    return std::make_unique<NetworkPendingPage>(m_manager.get(request), typed, m_limits.maximumBodyBytes);
}
