#pragma once
// The fewest digits a telephone number that libphonenumber takes as valid
// can be written with, read from the library's own metadata. Text whose runs
// of digits are all shorter never reaches its matcher, which costs a
// regular-expression search per candidate. The counts are lower bounds on
// every digit written: a national prefix, an international prefix or a
// country code only adds to them.

#include <cstddef>
#include <string>

struct ShortestNumber {
    // A country code and a number, written after a plus sign, anywhere.
    std::size_t international = 0;
    // Without a plus sign in the region: its own shortest number, or an
    // international prefix with the shortest international number. For no
    // region, no number can be written so.
    std::size_t national = 0;
};

// region: an ISO 3166-1 code in capitals, or "ZZ" for none.
ShortestNumber shortestNumber(const std::string& region);
