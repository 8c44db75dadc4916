#include "ValueConversion.h"

#include "platform/AppError.h"

#include <QString>

#include <cmath>
#include <limits>
#include <optional>

namespace {
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

// "&H1F" and "&O17" style prefixed integers.
std::optional<double> radixNumber(QStringView digits, int radix)
{
    double value = 0;
    bool any = false;
    for (QChar c : digits) {
        const int d =
            c.isDigit() ? c.digitValue() : (c.toUpper().unicode() >= 'A' ? c.toUpper().unicode() - 'A' + 10 : 99);
        if (d < 0 || d >= radix)
            break;
        value = value * radix + d;
        any = true;
    }
    return any ? std::optional<double>(value) : std::nullopt;
}

// Reads a decimal number at the start of text; returns the value and how many
// characters it used (0 when none).
std::pair<double, qsizetype> leadingDecimal(QStringView text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    QString number;
    if (i < n && (text[i] == QLatin1Char('+') || text[i] == QLatin1Char('-')))
        number += text[i++];
    qsizetype mantissaDigits = 0;
    while (i < n && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
        number += text[i++];
        ++mantissaDigits;
    }
    if (i < n && text[i] == QLatin1Char('.')) {
        number += text[i++];
        while (i < n && text[i].unicode() >= '0' && text[i].unicode() <= '9') {
            number += text[i++];
            ++mantissaDigits;
        }
    }
    if (mantissaDigits == 0)
        return {0.0, 0};
    qsizetype used = i;
    if (i < n && (text[i].toUpper() == QLatin1Char('E') || text[i].toUpper() == QLatin1Char('D'))) {
        qsizetype j = i + 1;
        QString exponent = QStringLiteral("e");
        if (j < n && (text[j] == QLatin1Char('+') || text[j] == QLatin1Char('-')))
            exponent += text[j++];
        qsizetype expDigits = 0;
        while (j < n && text[j].unicode() >= '0' && text[j].unicode() <= '9') {
            exponent += text[j++];
            ++expDigits;
        }
        if (expDigits > 0) {
            number += exponent;
            used = j;
        }
    }
    return {number.toDouble(), used};
}

std::optional<double> prefixedNumber(QStringView text, qsizetype* used)
{
    if (text.size() < 3 || text[0] != QLatin1Char('&'))
        return std::nullopt;
    const QChar kind = text[1].toUpper();
    const int radix = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
    if (radix == 0)
        return std::nullopt;
    qsizetype i = 2;
    while (i < text.size()) {
        const QChar c = text[i].toUpper();
        const bool ok = radix == 16 ? (c.isDigit() || (c >= QLatin1Char('A') && c <= QLatin1Char('F')))
                                    : (c >= QLatin1Char('0') && c <= QLatin1Char('7'));
        if (!ok)
            break;
        ++i;
    }
    *used = i;
    return radixNumber(text.mid(2, i - 2), radix);
}
} // namespace

double numericValue(QStringView text)
{
    QString compact;
    compact.reserve(text.size());
    for (QChar c : text) {
        if (!isBlank(c))
            compact += c;
    }
    qsizetype used = 0;
    if (auto prefixed = prefixedNumber(compact, &used))
        return *prefixed;
    return leadingDecimal(compact).first;
}

double toDouble(QStringView text)
{
    QStringView trimmed = text.trimmed();
    double value = 0;
    qsizetype used = 0;
    if (auto prefixed = prefixedNumber(trimmed, &used)) {
        value = *prefixed;
    } else {
        auto [decimal, count] = leadingDecimal(trimmed);
        value = decimal;
        used = count;
    }
    if (used == 0 || used != trimmed.size())
        throw AppError::typeMismatch();
    if (!std::isfinite(value))
        throw AppError::overflow();
    return value;
}

std::int16_t toInteger(double value)
{
    if (!std::isfinite(value))
        throw AppError::overflow();
    const double rounded = std::nearbyint(value); // the default rounding mode rounds half to even
    if (rounded < std::numeric_limits<std::int16_t>::min() || rounded > std::numeric_limits<std::int16_t>::max())
        throw AppError::overflow();
    return static_cast<std::int16_t>(rounded);
}

std::int16_t toInteger(QStringView text)
{
    return toInteger(toDouble(text));
}

QString plainNumberText(double value)
{
    if (std::nearbyint(value) == value && std::fabs(value) < 1e15)
        return QString::number(static_cast<long long>(value));
    return QString::number(value, 'g', 15);
}
