#pragma once
// The digit counts a run keeps: one bit per count, set for the caption of
// every ticked length box. Captions are read as numbers, so the test is the
// same one a user sees on the window.

#include <array>
#include <cstdint>

class ValueCheckBox;

class AcceptedLengths final {
public:
    static AcceptedLengths fromBoxes(const std::array<ValueCheckBox*, 16>& boxes);

    bool accepts(std::size_t digitCount) const { return digitCount < 64 && (m_bits >> digitCount & 1u) != 0; }
    bool none() const { return m_bits == 0; }

private:
    std::uint64_t m_bits = 0;
};
