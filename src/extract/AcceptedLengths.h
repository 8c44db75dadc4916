#pragma once
// The digit counts a run keeps: one bit per count, set for the caption of
// every ticked length box. Captions are read as numbers, so the test is the
// same one a user sees on the window.

#include <array>
#include <cstddef>
#include <cstdint>

class ValueCheckBox;

class AcceptedLengths final {
public:
    static AcceptedLengths fromBoxes(const std::array<ValueCheckBox*, 16>& boxes);

    // Counts outside 0 … 63 can never be a candidate's length and are ignored.
    void add(double digitCount)
    {
        if (digitCount >= 0 && digitCount < 64 && digitCount == double(int(digitCount)))
            m_bits |= std::uint64_t(1) << int(digitCount);
    }
    bool accepts(std::size_t digitCount) const { return digitCount < 64 && (m_bits >> digitCount & 1u) != 0; }
    bool none() const { return m_bits == 0; }

private:
    std::uint64_t m_bits = 0;
};
