#pragma once
// Finds the phone-number candidates in the text of one web page. Every space
// is dropped first, then the text is cut into maximal runs of the characters
// "1234567890.-(){}"; each run, stripped of everything but its ASCII digits,
// is one candidate (possibly empty), in page order, duplicates kept. The scan
// works on bytes, which for UTF-8 and other ASCII-compatible encodings is the
// same as working on characters. The candidates live in one shared digit
// buffer plus one end offset each, so a scan allocates nothing per candidate.

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace phonescan {
class CandidateWriter;
}

class CandidateList {
public:
    CandidateList() = default;
    CandidateList(const CandidateList& other);
    CandidateList(CandidateList&& other) noexcept;
    CandidateList& operator=(const CandidateList& other);
    CandidateList& operator=(CandidateList&& other) noexcept;
    ~CandidateList();

    std::size_t size() const { return m_count; }
    bool empty() const { return m_count == 0; }

    // Number of digits of candidate i, without building anything.
    std::size_t digitCount(std::size_t i) const { return endOf(i) - startOf(i); }
    // The ASCII digits of candidate i; valid until the list changes.
    std::string_view digits(std::size_t i) const { return {m_digits + startOf(i), digitCount(i)}; }
    QString text(std::size_t i) const;
    // Every candidate's digits back to back, in order.
    std::string_view allDigits() const { return {m_digits, m_digitCount}; }
    QStringList toStringList() const;

    // Empties the list but keeps its buffers for the next scan.
    void clear();

    friend bool operator==(const CandidateList& a, const CandidateList& b);

private:
    friend class phonescan::CandidateWriter;

    // Ends are kept as 32-bit offsets; a page with more than 4 GiB of digits
    // records in m_carries each candidate index where the offsets wrap.
    std::size_t endOf(std::size_t i) const
    {
        std::size_t end = m_ends[i];
        if (!m_carries.empty()) [[unlikely]]
            end += static_cast<std::size_t>(std::uint64_t{carriesUpTo(i)} << 32);
        return end;
    }
    std::size_t startOf(std::size_t i) const { return i == 0 ? 0 : endOf(i - 1); }
    std::size_t carriesUpTo(std::size_t i) const;
    void copyFrom(const CandidateList& other);
    void release();

    char* m_digits = nullptr;
    std::size_t m_digitCount = 0;
    std::size_t m_digitCapacity = 0;
    std::uint32_t* m_ends = nullptr;
    std::size_t m_count = 0;
    std::size_t m_endCapacity = 0;
    std::vector<std::size_t> m_carries;
};

CandidateList ScanPhoneNumbers(std::string_view bytes);
CandidateList ScanPhoneNumbers(const QString& text);
CandidateList ScanPhoneNumbers(const QByteArray& bytes);
// A NUL-terminated string (null counts as empty); without this overload a
// string literal would match two others.
inline CandidateList ScanPhoneNumbers(const char* text)
{
    return ScanPhoneNumbers(text ? std::string_view(text) : std::string_view());
}
// Scans into out, replacing its contents and reusing its buffers.
void ScanPhoneNumbers(std::string_view bytes, CandidateList& out);
