#pragma once
// The named character references browsers know, sorted by name (without '&'
// and ';'), each with its characters in UTF-8: generated from the WHATWG
// table by tools/generate_html_entities.py.

#include <cstddef>
#include <string_view>

struct HtmlEntity {
    std::string_view name;
    std::string_view characters;
};

extern const HtmlEntity kHtmlEntities[];
extern const std::size_t kHtmlEntityCount;
