#include "core/numbers/NumberShape.h"

#include <QRegularExpression>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// How far the shape is looked at on either side of the match.
constexpr std::size_t kReach = 24;

bool adjoins(char c)
{
    return (c >= '0' && c <= '9') || (c != '\0' && std::strchr("./:-+,", c));
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The words "version", "ver", "v", ... just before `at`.
bool afterVersionWord(std::string_view text, std::size_t at)
{
    std::size_t end = at;
    while (end > 0 && text[end - 1] == ' ')
        --end;
    std::size_t start = end;
    while (start > 0 && std::isalpha(static_cast<unsigned char>(text[start - 1])) && end - start < 12)
        --start;
    const QString word = QString::fromLatin1(text.substr(start, end - start)).toLower();
    return word == u"v" || word == u"ver" || word == u"version" || word == u"versione" || word == u"release" ||
           word == u"build";
}

// The match [start, start + length) of text with the digits and number
// punctuation that adjoin it. Punctuation that closes a sentence, or ends a
// label written without a space ("Infoline:030 1234567"), is not part of it.
std::string_view shapeAround(std::string_view text, std::size_t start, std::size_t length)
{
    std::size_t end = std::min(text.size(), start + length);
    const std::size_t floor = start > kReach ? start - kReach : 0;
    while (start > floor && adjoins(text[start - 1]))
        --start;
    while (start < end && adjoins(text[start]) && !isDigit(text[start]) && text[start] != '+' && text[start] != '-')
        ++start;
    const std::size_t ceiling = std::min(text.size(), end + kReach);
    while (end < ceiling && adjoins(text[end]))
        ++end;
    while (end > start && !isDigit(text[end - 1]))
        --end;
    return text.substr(start, end - start);
}

// A time ("14:30", also after a date) or hours from and to ("16.00–01.30",
// "8.30 - 12.30").
bool isTime(std::string_view shape)
{
    if (shape.find(':') != std::string_view::npos)
        return true;
    // Hours need a dot and a dash, which most numbers have not: the
    // expression is spared them.
    if (shape.find('.') == std::string_view::npos ||
        (shape.find('-') == std::string_view::npos && shape.find("\xe2\x80") == std::string_view::npos))
        return false;
    static const QRegularExpression hours(
        QStringLiteral("^\\d{1,2}[.:]\\d{2}\\s*[-\u2013\u2014]\\s*\\d{1,2}[.:]\\d{2}$"));
    return hours.match(QString::fromUtf8(shape.data(), qsizetype(shape.size()))).hasMatch();
}

} // namespace

bool hasTimeShape(std::string_view text, std::size_t start, std::size_t length)
{
    return isTime(shapeAround(text, start, length));
}

bool hasNonPhoneShape(std::string_view text, std::size_t start, std::size_t length)
{
    const std::string_view shape = shapeAround(text, start, length);
    if (isTime(shape))
        return true;
    // A slash after an area code with its trunk prefix ("030/1234567",
    // "0800/11.901") is how many countries write telephones; after anything
    // else ("2019/123456", "8.30/12.30"), or twice, it writes a reference.
    const std::size_t slash = shape.find('/');
    if (slash != std::string_view::npos &&
        (shape.front() != '0' || shape.find('/', slash + 1) != std::string_view::npos))
        return true;
    static const QRegularExpression whole(QStringLiteral("^(?:"
                                                         "[+-]\\d{1,3}[.,]\\d+"                     // signed decimal
                                                         "|\\d{1,2}\\.\\d{1,2}\\.(?:\\d{4}|\\d{2})" // dotted date
                                                         "|\\d{4}\\.\\d{1,2}\\.\\d{1,2}"
                                                         "|\\d{1,3}(?:\\.\\d{1,3}){3}" // IP address
                                                         ")$"));
    if (whole.match(QString::fromLatin1(shape)).hasMatch())
        return true;
    // A version: dotted, after a word that says so.
    return shape.find('.') != std::string_view::npos && std::isdigit(static_cast<unsigned char>(shape.front())) &&
           afterVersionWord(text, std::size_t(shape.data() - text.data()));
}
