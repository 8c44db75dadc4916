#pragma once
// The digit counts a run keeps: one bit per count. The window sets one for
// the caption of every ticked length box, the harvester for each --lengths.

#include <cstddef>
#include <cstdint>

class AcceptedLengths final {
public:
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
