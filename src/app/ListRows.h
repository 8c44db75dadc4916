#pragma once
// Compact storage for the rows of a list: every row's own text as UTF-8 in
// one buffer plus an end offset per row, so a million rows cost their bytes
// and eight more each, with no allocation per row. Rows may also begin with a
// shared prefix (the URL of the page they were found on), stored once however
// many rows begin with it; each row then costs four bytes more.

#include <QString>

#include <cstdint>
#include <limits>
#include <string>
#include <string_view>
#include <vector>

class ListRows final {
public:
    // A row's text in its two pieces: the shared prefix (often empty), then
    // the row's own bytes.
    struct Utf8 {
        std::string_view prefix;
        std::string_view own;
        std::size_t size() const { return prefix.size() + own.size(); }
        std::string joined() const { return std::string(prefix).append(own); }
    };

    // Names a shared prefix; valid until the rows are cleared, which is also
    // when a prefix's bytes go.
    struct Prefix {
        std::uint32_t index = 0; // 0: none
        std::uint64_t generation = 0;
    };

    std::size_t size() const { return m_ends.size(); }
    bool empty() const { return m_ends.empty(); }

    Utf8 utf8(std::size_t row) const;
    QString text(std::size_t row) const;

    void append(QStringView text);
    // Appends one row made of the pieces, already UTF-8, joined.
    void appendUtf8(std::string_view a, std::string_view b = {}, std::string_view c = {});
    // Stores the pieces, joined, once, for rows to begin with.
    Prefix sharePrefix(std::string_view a, std::string_view b = {});
    bool holds(Prefix prefix) const;
    // Appends a row made of the shared prefix and then own.
    void appendShared(Prefix prefix, std::string_view own);
    void remove(std::size_t row);
    void clear();

    // Bytes of all rows' texts, prefixes counted in every row that has one.
    std::size_t textBytes() const { return m_textBytes; }

    // Bytes the rows take here: texts, prefixes and the per-row offsets.
    std::size_t storedBytes() const
    {
        return m_bytes.size() + m_prefixBytes + m_ends.size() * sizeof(std::uint64_t) +
               m_prefixOf.size() * sizeof(std::uint32_t);
    }

    // Appends that would take the stored bytes beyond this fail as if the
    // memory had run out.
    void setByteLimit(std::size_t bytes) { m_byteLimit = bytes; }

private:
    std::size_t start(std::size_t row) const { return row == 0 ? 0 : m_ends[row - 1]; }
    void reserveFor(std::size_t moreBytes);

    std::string m_bytes;
    std::vector<std::uint64_t> m_ends;
    std::vector<std::uint32_t> m_prefixOf; // per row once any row has a prefix; empty before
    std::vector<std::string> m_prefixes;
    std::uint64_t m_generation = 1;
    std::size_t m_prefixBytes = 0;
    std::size_t m_textBytes = 0;
    std::size_t m_byteLimit = std::numeric_limits<std::size_t>::max();
};
