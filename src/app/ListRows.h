#pragma once
// Compact storage for the rows of a list: every row's text as UTF-8 in one
// buffer plus an end offset per row, so a million rows cost their bytes and
// eight more each, with no allocation per row.

#include <QString>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

class ListRows final {
public:
    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }

    std::string_view utf8(std::size_t row) const;
    QString text(std::size_t row) const { return QString::fromUtf8(utf8(row)); }

    void append(QStringView text);
    // Appends one row made of the pieces, already UTF-8, joined.
    void appendUtf8(std::string_view a, std::string_view b = {}, std::string_view c = {});
    void remove(std::size_t row);
    void clear();

    std::size_t byteSize() const { return m_bytes.size(); }

private:
    std::size_t start(std::size_t row) const { return row == 0 ? 0 : m_ends[row - 1]; }

    std::string m_bytes;
    std::vector<std::uint64_t> m_ends;
};
