#pragma once
// What libxml2's HTML parser, and the page's text on it, make of each kind of
// element: the facts the page's text (PageText) is built from and the sieve
// (NumberSieve) imitates without the parse. They, and how the markup walk
// (PlainMarkup) reads tags, were checked against libxml2 2.9.14, Debian 12's;
// on any other version the sieve and the walk stand aside and every page is
// parsed.

#include <libxml/xmlversion.h>

#include <cstddef>
#include <string_view>

namespace HtmlElements {

inline constexpr int kCheckedLibxml2Version = 20914;
inline constexpr bool kPlainMarkupMatchesLibxml2 = LIBXML_VERSION == kCheckedLibxml2Version;

// How much of an image's alt text the page's text shows.
inline constexpr std::size_t kAltTextBytes = 64;

// Whether the element (its name in lower case) stands on lines of its own.
bool isBlock(std::string_view tag);

// Whether the element's content is never shown as text: scripts, styles, ...
bool isHidden(std::string_view tag);

// Whether libxml2 opens and closes the element (its name in any case) the
// same wherever it stands: inline elements and plain blocks, not tables,
// forms, the document's own parts or embedded content, whose places it
// implies from their surroundings.
bool keepsItsPlace(std::string_view tag);

} // namespace HtmlElements
