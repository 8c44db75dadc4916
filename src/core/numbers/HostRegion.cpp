#include "core/numbers/HostRegion.h"

#include "core/numbers/PhoneNumberReader.h"

#include <QUrl>

std::string regionForUrl(QByteArrayView url)
{
    QString text = QString::fromUtf8(url).trimmed();
    if (!text.contains(QLatin1String("://")))
        text.prepend(QLatin1String("http://"));
    QString host = QUrl(text, QUrl::TolerantMode).host();
    while (host.endsWith(u'.'))
        host.chop(1);
    const QString label = host.mid(host.lastIndexOf(u'.') + 1).toUpper();
    if (label.size() != 2 || !label.at(0).isLetter() || !label.at(1).isLetter())
        return {};
    const std::string code = label == QLatin1String("UK") ? std::string("GB") : label.toStdString();
    return PhoneNumberReader::isKnownRegion(code) ? code : std::string();
}
