#pragma once
// A page's links read from its markup without libxml2's parse, which costs
// several times what walking the markup does on pages of many links (a
// documentation site's index pages hold thousands). The walk (PlainMarkup)
// finds the tags that carry links, and their values in ASCII are what the
// parse hands over once their character references are decoded as it
// decodes them. A page whose markup, charset or link values the walk cannot
// vouch for is left to the parse.

#include "core/html/PageLinks.h"
#include "core/html/PlainMarkup.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The page's links as extractPageLinks gives them, or nothing when only the
// parse can tell. Unlike the parse, it reads links at any depth of nesting.
std::optional<PageLinks> readPlainPageLinks(std::string_view html, std::string_view contentType);

// The same links told by a walk of the page's markup that is not its own:
// the number sieve's, which spares a page whose links are followed a second
// walk (NumberSieve.h).
class PlainLinkReader final : public PlainMarkup::Visitor {
public:
    // The walk's owner has seen that the page is plain text
    // (PlainMarkup::isPlainText); the sieve does, and walks no other page.
    PlainLinkReader(std::string_view html, std::string_view contentType);
    // The links, when the walk went to the page's end and nothing in it
    // needs the parse.
    std::optional<PageLinks> take();

    bool startTagNamed(std::string_view name, std::size_t at) override;
    bool attribute(std::string_view tag, std::string_view name, std::string_view value) override;
    void startTag(std::string_view name, std::size_t from, std::size_t to) override;
    void endTag(std::string_view, std::size_t, std::size_t) override {}
    void endOfPage() override { m_walkedWhole = true; }

private:
    bool unsure()
    {
        m_unsure = true;
        return false;
    }
    // Whether the parse, reading the page in this charset, hands over what
    // it would in UTF-8 (or a charset that spells the page's ASCII alike):
    // it stops at a byte its charset has no character for.
    bool readsLikeUtf8(std::string_view charset) const;

    bool m_headerNamesCharset = false;
    bool m_beyondAscii = false; // the page holds a byte beyond ASCII
    bool m_unsure = false;      // only the parse can read the page
    bool m_walkedWhole = false;
    bool m_inLinkTag = false;
    // The link tag being read: its attributes, and the values whose
    // references are decoded, kept in m_decoded.
    std::vector<TagAttribute> m_attributes;
    struct Decoded {
        std::size_t attribute = 0;
        std::size_t from = 0;
        std::size_t size = 0;
    };
    std::vector<Decoded> m_decodedAt;
    std::string m_decoded;
    PageLinkReader m_reader;
};
