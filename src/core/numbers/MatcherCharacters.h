#pragma once
// What libphonenumber's PhoneNumberMatcher makes of each ASCII character of a
// text, as far as where a number may start, go on and end: the one table the
// sieve (NumberSieve), the reader's test for a run long enough and its cuts
// of long lines (PhoneNumberReader) read. Characters beyond ASCII are looked
// at one by one (digits of every script count, a full-width plus is a plus).

#include <array>
#include <cstdint>
#include <string_view>

enum class MatcherCharacter : std::uint8_t {
    Hard,   // no candidate of the matcher holds it: ends runs, and stretches may be cut after it
    Soft,   // ends a run of digits, but may stand in an extension ("ext", ',', '#')
    Digit,  // an ASCII digit
    Space,  // joins digits, but neither starts nor ends a run
    Joins,  // punctuation the matcher lets stand between digits
    Plus,   // joins, and allows the international form
    Beyond, // the first byte of a character beyond ASCII
};

inline constexpr std::array<MatcherCharacter, 256> kMatcherCharacters = [] {
    std::array<MatcherCharacter, 256> kinds{};
    // The letters and marks of libphonenumber's extension patterns.
    for (char c : std::string_view("aeinostAEINOST,;:#="))
        kinds[std::size_t(c)] = MatcherCharacter::Soft;
    for (int c = '0'; c <= '9'; ++c)
        kinds[std::size_t(c)] = MatcherCharacter::Digit;
    // Spaces, and the control characters, which the matcher's extension
    // patterns let stand as spaces.
    for (std::size_t c = 1; c <= ' '; ++c)
        kinds[c] = MatcherCharacter::Space;
    for (char c : std::string_view("-.()[]/~xX"))
        kinds[std::size_t(c)] = MatcherCharacter::Joins;
    kinds['+'] = MatcherCharacter::Plus;
    for (std::size_t c = 0x80; c < kinds.size(); ++c)
        kinds[c] = MatcherCharacter::Beyond;
    return kinds;
}();

inline MatcherCharacter matcherCharacter(char c)
{
    return kMatcherCharacters[static_cast<unsigned char>(c)];
}

// Whether no match of the matcher holds this ASCII character: the matcher
// reads what follows it as it would a text of its own.
inline bool noMatchSpans(char c)
{
    return matcherCharacter(c) == MatcherCharacter::Hard;
}
