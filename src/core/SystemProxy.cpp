#include "SystemProxy.h"

#include "PageUrl.h"
#include <QRegularExpression>

#include <arpa/inet.h>

#include <array>
#include <optional>

namespace {
struct Address {
    int family = 0;
    std::array<unsigned char, 16> bytes{};
    int bits = 0;
};

// An IPv4 or IPv6 address; `withPrefix` also takes "/bits".
std::optional<Address> parseAddress(const QString& text, bool withPrefix)
{
    const qsizetype slash = withPrefix ? text.indexOf(u'/') : -1;
    const QByteArray host = (slash < 0 ? text : text.left(slash)).toLatin1();
    Address address;
    for (const int family : {AF_INET, AF_INET6}) {
        if (inet_pton(family, host.constData(), address.bytes.data()) == 1) {
            address.family = family;
            address.bits = family == AF_INET ? 32 : 128;
            break;
        }
    }
    if (address.family == 0)
        return std::nullopt;
    if (slash >= 0) {
        bool ok = false;
        const int bits = text.mid(slash + 1).toInt(&ok);
        if (!ok || bits < 0 || bits > address.bits)
            return std::nullopt;
        address.bits = bits;
    }
    return address;
}

bool inSubnet(const Address& host, const Address& subnet)
{
    if (host.family != subnet.family)
        return false;
    for (int bit = 0; bit < subnet.bits; ++bit) {
        const unsigned char mask = static_cast<unsigned char>(0x80 >> (bit % 8));
        if ((host.bytes[std::size_t(bit / 8)] & mask) != (subnet.bytes[std::size_t(bit / 8)] & mask))
            return false;
    }
    return true;
}

QString variable(const char* lower, const char* upper)
{
    if (!qEnvironmentVariableIsEmpty(lower))
        return QString::fromLatin1(lower);
    if (upper && !qEnvironmentVariableIsEmpty(upper))
        return QString::fromLatin1(upper);
    return {};
}

// no_proxy: "*", or hosts, domains (a leading dot is optional) and
// addresses with an optional prefix length, separated by commas or spaces.
bool exempted(const QString& host)
{
    const QString list =
        qEnvironmentVariableIsSet("no_proxy") ? qEnvironmentVariable("no_proxy") : qEnvironmentVariable("NO_PROXY");
    const std::optional<Address> address = parseAddress(host, false);
    for (QString entry : list.split(QRegularExpression(QStringLiteral("[, ]")), Qt::SkipEmptyParts)) {
        if (entry == QLatin1String("*"))
            return true;
        if (address) {
            const std::optional<Address> subnet = parseAddress(entry, true);
            if (subnet && inSubnet(*address, *subnet))
                return true;
            continue;
        }
        if (entry.startsWith(u'.'))
            entry.remove(0, 1);
        if (host.compare(entry, Qt::CaseInsensitive) == 0 || host.endsWith(u'.' + entry, Qt::CaseInsensitive))
            return true;
    }
    return false;
}
} // namespace

QString systemProxyVariableFor(const PageUrl& url)
{
    const bool https = url.isHttps();
    QString name = https ? variable("https_proxy", "HTTPS_PROXY") : variable("http_proxy", nullptr);
    if (name.isEmpty())
        name = variable("all_proxy", "ALL_PROXY");
    QString host = QString::fromUtf8(url.host());
    if (host.startsWith(u'[')) // an IPv6 address, as no_proxy writes it
        host = host.mid(1, host.size() - 2);
    if (name.isEmpty() || exempted(host))
        return {};
    return name;
}
