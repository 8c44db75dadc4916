#include "core/html/HtmlElements.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <cstdint>
#include <iterator>
#include <string>

namespace {

// Elements a browser shows on lines of their own, in order for a binary search.
constexpr std::string_view kBlockElements[] = {
    "address", "article", "aside",  "blockquote", "body",  "br",       "caption",    "center", "dd",
    "details", "dialog",  "div",    "dl",         "dt",    "fieldset", "figcaption", "figure", "footer",
    "form",    "h1",      "h2",     "h3",         "h4",    "h5",       "h6",         "header", "hr",
    "html",    "legend",  "li",     "main",       "menu",  "nav",      "ol",         "option", "p",
    "pre",     "section", "select", "summary",    "table", "textarea", "title",      "tr",     "ul"};
static_assert(std::is_sorted(std::begin(kBlockElements), std::end(kBlockElements)));

// A name of up to eight bytes as one number, so that looking a tag up (once
// per tag, in the parse and in the sieve) compares numbers.
constexpr std::uint64_t packedName(std::string_view name)
{
    std::uint64_t packed = 0;
    for (std::size_t i = 0; i < name.size(); ++i)
        packed |= std::uint64_t(static_cast<unsigned char>(name[i])) << (8 * i);
    return packed;
}

constexpr auto kShortBlockElements = [] {
    std::array<std::uint64_t, std::size(kBlockElements)> packed{};
    for (std::size_t i = 0; i < packed.size(); ++i)
        packed[i] = kBlockElements[i].size() <= 8 ? packedName(kBlockElements[i]) : 0;
    std::sort(packed.begin(), packed.end());
    return packed;
}();

// Elements a window may hold and still read alone as in its page: inline
// ones, and blocks that libxml2 opens and closes the same wherever they
// stand. Not tables, forms, the document's own parts or embedded content,
// whose places libxml2 implies from their surroundings. In order for a
// binary search.
constexpr std::string_view kWindowTags[] = {
    "a",          "abbr",   "address", "article", "aside", "b",       "bdi",   "bdo",  "big",    "blockquote", "br",
    "center",     "cite",   "code",    "data",    "dd",    "del",     "dfn",   "div",  "dl",     "dt",         "em",
    "figcaption", "figure", "font",    "footer",  "h1",    "h2",      "h3",    "h4",   "h5",     "h6",         "header",
    "hr",         "i",      "img",     "ins",     "kbd",   "li",      "main",  "mark", "nav",    "nobr",       "ol",
    "p",          "pre",    "q",       "s",       "samp",  "section", "small", "span", "strike", "strong",     "sub",
    "sup",        "time",   "tt",      "u",       "ul",    "var",     "wbr"};
static_assert(std::is_sorted(std::begin(kWindowTags), std::end(kWindowTags)));
constexpr std::size_t kLongestWindowTag = 10;

} // namespace

namespace HtmlElements {

bool isBlock(std::string_view tag)
{
    if (tag.empty() || tag.size() > 8)
        return std::binary_search(std::begin(kBlockElements), std::end(kBlockElements), tag);
    return std::binary_search(kShortBlockElements.begin(), kShortBlockElements.end(), packedName(tag));
}

bool isHidden(std::string_view tag)
{
    return tag == "script" || tag == "style" || tag == "template" || tag == "noembed" || tag == "head";
}

bool keepsItsPlace(std::string_view tag)
{
    if (tag.size() > kLongestWindowTag)
        return false;
    std::string lower(tag);
    for (char& c : lower)
        c = char(std::tolower(static_cast<unsigned char>(c)));
    return std::binary_search(std::begin(kWindowTags), std::end(kWindowTags), lower);
}

} // namespace HtmlElements
