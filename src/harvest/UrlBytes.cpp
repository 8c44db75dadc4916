#include "UrlBytes.h"

#include <cstddef>

namespace {
// Length of the valid UTF-8 sequence starting at text[at], or 0.
qsizetype utf8Length(QByteArrayView text, qsizetype at)
{
    const auto byte = [&](qsizetype i) { return i < text.size() ? static_cast<unsigned char>(text[i]) : 0u; };
    const unsigned lead = byte(at);
    if (lead < 0x80)
        return 1;
    // The first continuation byte's range depends on the lead; the rest are 80-BF.
    qsizetype length = 0;
    unsigned low = 0x80, high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3; // no overlong forms, no surrogates
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4; // no overlong forms, nothing past U+10FFFF
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (byte(at + 1) < low || byte(at + 1) > high)
        return 0;
    for (qsizetype i = 2; i < length; ++i)
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
    return length;
}

bool isControl(unsigned char c)
{
    return c < 0x20 || c == 0x7F;
}

bool printsHarmlessly(QByteArrayView raw)
{
    for (qsizetype at = 0; at < raw.size();) {
        const qsizetype length = utf8Length(raw, at);
        if (length == 0 || isControl(static_cast<unsigned char>(raw[at])))
            return false;
        at += length;
    }
    return true;
}
} // namespace

namespace UrlBytes {

QString requestText(QByteArrayView raw)
{
    QString text;
    qsizetype from = 0; // start of the valid stretch not yet taken
    for (qsizetype at = 0; at < raw.size();) {
        const qsizetype length = utf8Length(raw, at);
        if (length > 0) {
            at += length;
            continue;
        }
        text += QString::fromUtf8(raw.sliced(from, at - from));
        text += QLatin1Char('%') +
                QString::number(static_cast<unsigned char>(raw[at]), 16).toUpper().rightJustified(2, u'0');
        from = ++at;
    }
    return text + QString::fromUtf8(raw.sliced(from));
}

QByteArray quoted(QByteArrayView raw)
{
    if (printsHarmlessly(raw))
        return raw.toByteArray();
    QByteArray out;
    bool inQuotes = false;
    const auto openQuotes = [&](bool wanted) {
        if (inQuotes != wanted)
            out += '\'';
        inQuotes = wanted;
    };
    for (qsizetype at = 0; at < raw.size();) {
        const qsizetype length = utf8Length(raw, at);
        const auto c = static_cast<unsigned char>(raw[at]);
        if (length > 0 && !isControl(c)) {
            openQuotes(true);
            if (c == '\'')
                out += "'\\''";
            else
                out += raw.sliced(at, length);
            at += length;
            continue;
        }
        openQuotes(false);
        static constexpr char named[] = "abtnvfr"; // \a (7) to \r (13)
        out += "$'\\";
        if (c >= 7 && c <= 13)
            out += named[c - 7];
        else
            out += QByteArray::number(c, 8).rightJustified(3, '0');
        out += '\'';
        ++at;
    }
    openQuotes(false);
    return out;
}

} // namespace UrlBytes
