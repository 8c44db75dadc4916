#include "ValueConversion.h"

#include "core/AppError.h"

#include <QString>

#include <cmath>
#include <limits>
#include <optional>

namespace {
bool isBlank(QChar c)
{
    return c == QLatin1Char(' ') || c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r');
}

bool isAsciiDigit(QChar c)
{
    return c.unicode() >= '0' && c.unicode() <= '9';
}

bool isSign(QChar c)
{
    return c == QLatin1Char('+') || c == QLatin1Char('-');
}

qsizetype skipDigits(QStringView text, qsizetype i)
{
    while (i < text.size() && isAsciiDigit(text[i]))
        ++i;
    return i;
}

// Reads a decimal number at the start of text; returns the value and how many
// characters it used (0 when none). "D" is accepted for the exponent as "E".
std::pair<double, qsizetype> leadingDecimal(QStringView text)
{
    const qsizetype n = text.size();
    const qsizetype start = n > 0 && isSign(text[0]) ? 1 : 0;
    qsizetype end = skipDigits(text, start);
    qsizetype mantissaDigits = end - start;
    if (end < n && text[end] == QLatin1Char('.')) {
        const qsizetype fractionEnd = skipDigits(text, end + 1);
        mantissaDigits += fractionEnd - end - 1;
        end = fractionEnd;
    }
    if (mantissaDigits == 0)
        return {0.0, 0};
    if (end < n && (text[end].toUpper() == QLatin1Char('E') || text[end].toUpper() == QLatin1Char('D'))) {
        const qsizetype digitsStart = end + 1 < n && isSign(text[end + 1]) ? end + 2 : end + 1;
        const qsizetype exponentEnd = skipDigits(text, digitsStart);
        if (exponentEnd > digitsStart)
            end = exponentEnd;
    }
    QString number = text.first(end).toString();
    number.replace(QLatin1Char('d'), QLatin1Char('e')).replace(QLatin1Char('D'), QLatin1Char('e'));
    return {number.toDouble(), end};
}

// "&H1F" and "&O17" style prefixed integers; used counts the characters read.
std::optional<double> prefixedNumber(QStringView text, qsizetype* used)
{
    if (text.size() < 3 || text[0] != QLatin1Char('&'))
        return std::nullopt;
    const QChar kind = text[1].toUpper();
    const int radix = kind == QLatin1Char('H') ? 16 : kind == QLatin1Char('O') ? 8 : 0;
    if (radix == 0)
        return std::nullopt;
    const auto isRadixDigit = [radix](QChar c) {
        const char16_t lower = c.toLower().unicode();
        const int value = lower >= '0' && lower <= '9'   ? lower - '0'
                          : lower >= 'a' && lower <= 'f' ? lower - 'a' + 10
                                                         : -1;
        return value >= 0 && value < radix;
    };
    qsizetype i = 2;
    while (i < text.size() && isRadixDigit(text[i]))
        ++i;
    bool ok = false;
    const qulonglong value = text.sliced(2, i - 2).toULongLong(&ok, radix);
    if (!ok)
        return std::nullopt;
    *used = i;
    return double(value);
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
