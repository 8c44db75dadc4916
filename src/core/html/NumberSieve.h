#pragma once
// A first look at a page's bytes, before libxml2 parses its text, for
// `--region`: most pages of a site hold no telephone number, and parsing
// them costs ten times what scanning them does.
//
// The sieve reads the bytes as the text would show them: tags, comments,
// scripts and styles pass unseen, character references stand for their
// characters. It finds the runs of digits, joined by spaces and number
// punctuation, long enough for a number in the region (ShortestNumber), and
// returns each with the stretch around it up to the nearest characters that
// no match of libphonenumber's matcher can hold (most letters, most
// punctuation): from there on, the matcher reads a text as it would a text
// of its own. It errs one way only: where the matcher finds a number in the
// page's text, it finds it in a window's text too (extractPageText), unless
// the sieve says to read the page whole (a charset other than UTF-8 or ASCII,
// bytes that are no UTF-8, a tel: link, an image's alt text with digits,
// markup it cannot follow, windows too many or too long). A window's text
// is to be read each way its block elements' end tags may be taken.

#include "core/html/PlainMarkup.h"
#include "core/numbers/ShortestNumber.h"

#include <string>
#include <string_view>
#include <vector>

// An end tag of a block element in a window: whether it ends a line of the
// page's text depends on whether that element is open there, which only the
// whole page tells.
struct SieveEndTag {
    std::size_t start = 0; // in the window's bytes, [start, end)
    std::size_t end = 0;
    std::string name; // in lower case
    // No text since the end tag before: one line end for both, if any.
    bool sameLineEnd = false;
};

struct SieveWindow {
    std::string_view bytes; // into the page's bytes
    std::vector<SieveEndTag> endTags;
    bool closesPre = false; // holds a </pre>
};

struct SievedPage {
    bool readWhole = false;           // the bytes alone cannot tell
    std::vector<SieveWindow> windows; // in page order
};

// contentType is the Content-Type header's value, empty when there was none.
// alsoTold, if any, is told the markup the sieve walks (PlainMarkup.h), and
// the page's end when the walk reached it.
SievedPage sievePage(std::string_view html, std::string_view contentType, const ShortestNumber& shortest,
                     PlainMarkup::Visitor* alsoTold = nullptr);
