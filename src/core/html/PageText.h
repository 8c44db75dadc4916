#pragma once
// The text of one HTML page as a browser shows it, for reading phone numbers
// in it: libxml2's HTML parser decodes the charset and the character
// references; no-break spaces become spaces; inline elements are joined, block elements and <br> end a
// line, table cells are separated by a tab, and <script>, <style>,
// <template>, comments and attributes are left out. Named character
// references are read as browsers read them (HtmlEntities). The numbers of
// tel: links are kept beside the text with the stretch of text their link
// shows.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TelLink {
    std::size_t start = 0; // the link's text in PageText::text, [start, end)
    std::size_t end = 0;
    std::string href; // the whole href, "tel:" included, percent escapes decoded when they spell UTF-8
};

struct PageText {
    std::string text; // UTF-8; lines end in '\n', spaces collapsed
    std::vector<TelLink> telLinks;
    // The line ends in text that end no block, in order: a <br>, a line of a
    // <pre>, a <dt> followed by its <dd>. Every other line end ends a block
    // (a paragraph, list item, heading, table row, ...), and what is written
    // in one block says nothing of a number in the next.
    std::vector<std::size_t> lineBreaks;

    // Whether the line end at text[at] ends a block.
    bool endsBlock(std::size_t at) const;
};

// contentType is the Content-Type header's value, empty when there was none;
// its charset wins over the page's own <meta charset>, a byte-order mark over
// both (libxml2 checks it first). Bounded in time and memory by the page's
// size; reading stops, as for the links, at 512 open elements.
PageText extractPageText(std::string_view html, std::string_view contentType = {});

// The page's text and, from the same parse, its links (extractPageLinks'),
// for a page whose links are followed: one pass over the page, not two.
struct PageLinks;
PageText extractPageTextAndLinks(std::string_view html, std::string_view contentType, PageLinks& links);
