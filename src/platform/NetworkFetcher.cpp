#include "NetworkFetcher.h"

#include "AppError.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QNetworkReply>
#include <QPointer>
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

QByteArray NetworkFetcher::OpenURL(const QString& typed)
{
    const QUrl url = pageUrl(typed);
    QNetworkRequest request(url);
    request.setHeader(QNetworkRequest::UserAgentHeader, userAgent());
    request.setMaximumRedirectsAllowed(m_limits.maximumRedirects);
    request.setTransferTimeout(int(m_limits.stallTimeout.count()));

    QPointer<QNetworkReply> reply = m_manager.get(request);
    const std::unique_ptr<QNetworkReply, void (*)(QNetworkReply*)> owner(reply,
                                                                         [](QNetworkReply* r) { r->deleteLater(); });
    // The body stays in the reply's own buffer until the end; only its
    // decoded size is watched on the way.
    bool tooLarge = false;
    QEventLoop loop;
    QObject::connect(reply, &QNetworkReply::readyRead, &loop, [&] {
        if (reply->bytesAvailable() > m_limits.maximumBodyBytes) {
            tooLarge = true;
            reply->abort();
        }
    });
    QObject::connect(reply, &QNetworkReply::finished, &loop, &QEventLoop::quit);
    if (!reply->isFinished())
        loop.exec(QEventLoop::AllEvents);

    const QString tooLargeMessage =
        QStringLiteral("The page is larger than %1 MiB: ").arg(m_limits.maximumBodyBytes / (1024 * 1024)) + typed;
    if (tooLarge)
        throw AppError(tooLargeMessage);
    const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (status >= 400) {
        const QString reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
        throw AppError(QStringLiteral("HTTP error %1 %2: ").arg(status).arg(reason) + typed);
    }
    if (reply->error() != QNetworkReply::NoError) {
        if (reply->error() == QNetworkReply::OperationCanceledError)
            throw AppError(QStringLiteral("The server stopped sending the page (timed out): ") + typed);
        throw AppError(reply->errorString());
    }
    if (status >= 300)
        throw AppError(QStringLiteral("Too many or unfollowable redirects (HTTP %1): ").arg(status) + typed);
    if (reply->bytesAvailable() > m_limits.maximumBodyBytes)
        throw AppError(tooLargeMessage);
    return asciiCompatible(reply->readAll(), reply->header(QNetworkRequest::ContentTypeHeader).toString());
}
