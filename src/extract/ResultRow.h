#pragma once
// The text of one results row: a candidate's digits, or the page's URL as
// typed, " - " and the digits. The window's results list and the headless
// harvester build their rows from these same pieces.

#include <QByteArray>

#include <string_view>

namespace ResultRow {
inline constexpr std::string_view urlSeparator = " - ";

// Appends the row's UTF-8 text to out.
inline void appendTo(QByteArray& out, bool withUrl, std::string_view url, std::string_view digits)
{
    if (withUrl) {
        out.append(url.data(), qsizetype(url.size()));
        out.append(urlSeparator.data(), qsizetype(urlSeparator.size()));
    }
    out.append(digits.data(), qsizetype(digits.size()));
}
} // namespace ResultRow
