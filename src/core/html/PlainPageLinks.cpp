#include "core/html/PlainPageLinks.h"

#include "core/html/HtmlElements.h"
#include "core/html/HtmlPushParser.h"
#include "core/html/PlainMarkup.h"

#include <QByteArray>

#include <string>
#include <vector>

namespace {

using PlainMarkup::equalsLower;

bool carriesLinks(std::string_view tag)
{
    for (std::string_view name : {"a", "area", "iframe", "frame", "base", "meta"})
        if (equalsLower(tag, name))
            return true;
    return false;
}

// The attributes PageLinkReader reads.
bool isRead(std::string_view attribute)
{
    for (std::string_view name : {"href", "src", "rel", "name", "content"})
        if (equalsLower(attribute, name))
            return true;
    return false;
}

bool isUrl(std::string_view attribute)
{
    return equalsLower(attribute, "href") || equalsLower(attribute, "src");
}

bool holdsBeyondAscii(std::string_view value)
{
    for (char c : value)
        if (static_cast<unsigned char>(c) >= 0x80)
            return true;
    return false;
}

// A charset in which ASCII reads as ASCII.
bool keepsAscii(std::string_view charset)
{
    return charset.empty() || PlainMarkup::isUtf8(charset) || PlainMarkup::readsAsAscii(charset);
}

class LinkTagWalk final : private PlainMarkup::Visitor {
public:
    LinkTagWalk(std::string_view html, std::string_view contentType) : m_html(html), m_contentType(contentType) {}

    std::optional<PageLinks> run()
    {
        // libxml2 stops short at a NUL in many places, ISO-2022 spells
        // characters with ASCII bytes after an escape, and a page that is no
        // UTF-8 is read in a charset only the parse settles.
        if (m_html.find('\0') != std::string_view::npos || m_html.find('\x1b') != std::string_view::npos ||
            !PlainMarkup::isUtf8Text(m_html))
            return std::nullopt;
        const QByteArray headerCharset = HtmlPushParser::headerCharset(m_contentType);
        m_headerNamesCharset = !headerCharset.isEmpty();
        if (!keepsAscii(std::string_view(headerCharset.constData(), std::size_t(headerCharset.size()))))
            return std::nullopt;
        std::size_t at = m_html.starts_with("\xef\xbb\xbf") ? 3 : 0;
        while ((at = m_html.find('<', at)) != std::string_view::npos) {
            switch (PlainMarkup::pass(m_html, at, *this)) {
            case PlainMarkup::Step::Passed:
                break;
            case PlainMarkup::Step::Text:
                ++at;
                break;
            case PlainMarkup::Step::Unsure:
                return std::nullopt;
            }
        }
        return m_reader.take();
    }

private:
    bool startTagNamed(std::string_view name, std::size_t) override
    {
        m_inLinkTag = carriesLinks(name);
        m_attributes.clear();
        m_decoded.clear();
        m_decodedAt.clear();
        return true;
    }

    bool attribute(std::string_view tag, std::string_view name, std::string_view value) override
    {
        if (!m_inLinkTag)
            return true;
        if (equalsLower(tag, "meta") && !m_headerNamesCharset) {
            // A charset the page names for itself, which the parse would
            // switch to.
            if (equalsLower(name, "charset") && !keepsAscii(PlainMarkup::trimmedBlanks(value)))
                return false;
            if (equalsLower(name, "content")) {
                const std::optional<std::string_view> charset = PlainMarkup::charsetInContent(value);
                if (!charset || !keepsAscii(*charset))
                    return false;
            }
        }
        if (!isRead(name))
            return true;
        // Beyond ASCII, the URL the parse hands over depends on the charset;
        // the words looked for in the others are ASCII, which a charset that
        // keeps ASCII spells with none of those bytes.
        if (isUrl(name) && holdsBeyondAscii(value))
            return false;
        if (value.find('&') != std::string_view::npos) {
            const std::size_t from = m_decoded.size();
            PlainMarkup::appendDecodedValue(value, m_decoded);
            m_decodedAt.push_back({m_attributes.size(), from, m_decoded.size() - from});
        }
        m_attributes.push_back({name, value});
        return true;
    }

    void startTag(std::string_view name, std::size_t, std::size_t) override
    {
        if (!m_inLinkTag)
            return;
        for (const Decoded& decoded : m_decodedAt)
            m_attributes[decoded.attribute].value = std::string_view(m_decoded).substr(decoded.from, decoded.size);
        m_reader.startElement(name, m_attributes);
    }

    void endTag(std::string_view, std::size_t, std::size_t) override {}

    std::string_view m_html;
    std::string_view m_contentType;
    bool m_headerNamesCharset = false;
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

} // namespace

std::optional<PageLinks> readPlainPageLinks(std::string_view html, std::string_view contentType)
{
    // The walk imitates one libxml2.
    if constexpr (!HtmlElements::kPlainMarkupMatchesLibxml2)
        return std::nullopt;
    return LinkTagWalk(html, contentType).run();
}
