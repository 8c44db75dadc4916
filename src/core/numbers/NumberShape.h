#pragma once
// Shapes of digits that libphonenumber may read as a valid number but that
// people write for other things: a reference with a slash ("2019/123456"), a
// signed decimal (a coordinate, "-49.123456"), a dotted date ("12.03.2024",
// with a time or not), a time ("14:30"), an IP address, a version
// ("v1.2.3"). A page's label or tel: link may still say it is a telephone,
// except of a time: no telephone number is written with a colon, nor as hours
// from and to ("09.00-17.00"), whatever stands before it.

#include <cstddef>
#include <string_view>

// Whether the match [start, start + length) of text, with the digits and
// number punctuation that adjoin it, has one of those shapes.
bool hasNonPhoneShape(std::string_view text, std::size_t start, std::size_t length);

// Whether it has the shape of a time or of hours from and to.
bool hasTimeShape(std::string_view text, std::size_t start, std::size_t length);
