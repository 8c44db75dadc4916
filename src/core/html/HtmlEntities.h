#pragma once
// Named character references as browsers read them. libxml2's HTML parser
// knows HTML 4's names only and passes the others ("&plus;", "&bsol;", ...)
// through as text; the page's text and the sieve look those up here.

#include <string_view>

// The characters, in UTF-8, that "&name;" stands for, or empty when browsers
// know no such name. Names are case-sensitive.
std::string_view namedCharacters(std::string_view name);

// Whether the byte may be part of a reference's name.
constexpr bool isEntityNameByte(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
}
