#pragma once
// How results are written, the same in the window and in the harvester. A
// row is a candidate's digits, or the page's URL as typed, " - " and the
// digits. The text format writes each row on a line of its own; the comma
// format writes every row followed by a comma on one line, ended once.

#include <QByteArray>

#include <string_view>

class ResultsFormat final {
public:
    enum class Kind { Text, Comma };

    static constexpr std::string_view urlSeparator = " - ";
    static constexpr std::string_view crLf = "\r\n";

    // Appends one row's UTF-8 text, without what follows it.
    static void appendRow(QByteArray& out, bool withUrl, std::string_view url, std::string_view digits)
    {
        if (withUrl) {
            out.append(url.data(), qsizetype(url.size()));
            out.append(urlSeparator.data(), qsizetype(urlSeparator.size()));
        }
        out.append(digits.data(), qsizetype(digits.size()));
    }

    // lineEnd must outlive the format.
    constexpr explicit ResultsFormat(Kind kind, std::string_view lineEnd = crLf) : m_kind(kind), m_lineEnd(lineEnd) {}

    Kind kind() const { return m_kind; }
    // Written after every row.
    std::string_view afterRow() const { return m_kind == Kind::Text ? m_lineEnd : std::string_view(","); }
    // Written once after the last row (and also when there are none).
    std::string_view atEnd() const { return m_kind == Kind::Text ? std::string_view() : m_lineEnd; }

private:
    Kind m_kind;
    std::string_view m_lineEnd;
};
