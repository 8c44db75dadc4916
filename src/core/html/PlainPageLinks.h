#pragma once
// A page's links read from its markup without libxml2's parse, which costs
// several times what walking the markup does on pages of many links (a
// documentation site's index pages hold thousands). The walk (PlainMarkup)
// finds the tags that carry links, and their values in ASCII are what the
// parse hands over once their character references are decoded as it
// decodes them. A page whose markup, charset or link values the walk cannot
// vouch for is left to the parse.

#include "core/html/PageLinks.h"

#include <optional>
#include <string_view>

// The page's links as extractPageLinks gives them, or nothing when only the
// parse of the whole page can tell. Unlike that parse, it reads links at any
// depth of nesting.
std::optional<PageLinks> readPlainPageLinks(std::string_view html, std::string_view contentType);
