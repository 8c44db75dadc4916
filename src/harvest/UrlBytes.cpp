#include "UrlBytes.h"

#include <algorithm>
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

// Bytes of the printable character at raw[at], or 0 for a byte that is no
// UTF-8 or starts a control character (C0, DEL, or C1 as U+0080 to U+009F).
qsizetype printableLength(QByteArrayView raw, qsizetype at)
{
    const qsizetype length = utf8Length(raw, at);
    const auto lead = static_cast<unsigned char>(raw[at]);
    const bool control =
        lead < 0x20 || lead == 0x7F || (lead == 0xC2 && length == 2 && static_cast<unsigned char>(raw[at + 1]) < 0xA0);
    return control ? 0 : length;
}

bool printsHarmlessly(QByteArrayView raw)
{
    for (qsizetype at = 0; at < raw.size();) {
        const qsizetype length = printableLength(raw, at);
        if (length == 0)
            return false;
        at += length;
    }
    return true;
}
} // namespace

namespace UrlBytes {

QByteArray utf8Escaped(QByteArrayView raw)
{
    QByteArray text;
    text.reserve(raw.size());
    for (qsizetype at = 0; at < raw.size();) {
        const qsizetype length = utf8Length(raw, at);
        if (length > 0) {
            text += raw.sliced(at, length);
            at += length;
            continue;
        }
        static constexpr char hex[] = "0123456789ABCDEF";
        const auto byte = static_cast<unsigned char>(raw[at++]);
        text += '%';
        text += hex[byte >> 4];
        text += hex[byte & 0xF];
    }
    return text;
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
        const qsizetype length = printableLength(raw, at);
        if (length > 0) {
            openQuotes(true);
            if (raw[at] == '\'')
                out += "'\\''";
            else
                out += raw.sliced(at, length);
            at += length;
            continue;
        }
        // A control character, or a byte that is no UTF-8: escaped byte by byte.
        openQuotes(false);
        const qsizetype bytes = std::max<qsizetype>(utf8Length(raw, at), 1);
        for (const qsizetype end = at + bytes; at < end; ++at) {
            const auto c = static_cast<unsigned char>(raw[at]);
            static constexpr char named[] = "abtnvfr"; // \a (7) to \r (13)
            out += "$'\\";
            if (c >= 7 && c <= 13)
                out += named[c - 7];
            else
                out += QByteArray::number(c, 8).rightJustified(3, '0');
            out += '\'';
        }
    }
    openQuotes(false);
    return out;
}

} // namespace UrlBytes
