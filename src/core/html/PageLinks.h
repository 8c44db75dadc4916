#pragma once
// The links a crawl follows from one HTML page, and how each becomes the
// absolute URL that is fetched. Pages come from any server on the web, so the
// markup is read by libxml2's forgiving HTML parser, which finds tags the way
// a browser's tokenizer does (not inside comments, scripts or attribute
// values), or, where the markup is plain, by a walk that reads it as that
// parser does at a fifth of the cost (PlainPageLinks.h). URLs are resolved by
// LinkResolver (PageUrl.h) with libcurl, the same code that fetches them.
//
// Resolving a page's links takes two steps: a relative <base href> is first
// resolved against the page's own URL (after its redirects), then every href
// against that base, or against the page's URL when there is no base or it
// does not resolve.
//
// extractPageLinks is reentrant: it may run on several threads at
// once (libxml2 is set up on the first call, under a static guard). libxml2's
// global state is never torn down; its memory goes with the process.

#include <QByteArray>

#include <optional>
#include <span>
#include <string_view>
#include <vector>

struct PageLinks {
    QByteArray base;               // the first <base href>, trimmed, empty if none
    bool nofollow = false;         // a <meta name="robots"> whose content says nofollow (or none)
    std::vector<QByteArray> hrefs; // a[href], area[href], iframe[src] and frame[src] in document order,
                                   // trimmed, without empty ones and a/area whose rel holds "nofollow"
};

// Extracts the links of one HTML page from its bytes, of any size. Values are
// UTF-8 with character references decoded, as libxml2 reports them (a page
// that declares another charset is converted, one that is not valid UTF-8 is
// read as Latin-1 from the first bad byte). The parser builds no tree, loads
// nothing and expands only HTML's own named entities; reading stops at 512
// open elements (see kMaxOpenElements). One case stays quadratic inside
// libxml2 2.9: a single tag with many thousands of distinct attributes.
// A charset in contentType (the answer's Content-Type) wins over the page's
// own <meta charset>, as browsers read it; a byte-order mark wins over both.
// Pages whose markup is plain are read without the parse, and faster
// (PlainPageLinks.h); parsePageLinks always parses.
PageLinks extractPageLinks(std::string_view html, std::string_view contentType = {});
PageLinks parsePageLinks(std::string_view html, std::string_view contentType = {});

// One attribute of a start tag, its value as the parse hands it over.
struct TagAttribute {
    std::string_view name;
    std::string_view value; // empty when it has none
};

// The links of a page as its start tags come in, from a parse or from the
// markup read without one (PlainPageLinks.h).
class PageLinkReader final {
public:
    // Names in any case; of two attributes of one name, the first counts.
    void startElement(std::string_view tag, std::span<const TagAttribute> attributes);
    // As libxml2 hands them over (xmlChar is unsigned char): name, value,
    // name, value, ..., null; a value is null when there is none.
    void startElement(std::string_view tag, const unsigned char** attributes);
    PageLinks take() { return std::move(m_links); }

private:
    PageLinks m_links;
    bool m_baseSeen = false; // only the first <base href> counts, even an empty one
    std::vector<TagAttribute> m_attributes;
};
