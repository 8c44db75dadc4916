#include "core/html/PlainPageLinks.h"

#include "core/html/HtmlElements.h"
#include "core/html/HtmlPushParser.h"
#include "core/html/PlainMarkup.h"

#include <QByteArray>

namespace {

using PlainMarkup::equalsLower;
using PlainMarkup::holdsBeyondAscii;

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

} // namespace

std::optional<PageLinks> readPlainPageLinks(std::string_view html, std::string_view contentType)
{
    // The walk imitates one libxml2.
    if (!HtmlElements::kPlainMarkupMatchesLibxml2 || !PlainMarkup::isPlainText(html))
        return std::nullopt;
    PlainLinkReader reader(html, contentType);
    std::size_t at = html.starts_with("\xef\xbb\xbf") ? 3 : 0;
    while ((at = html.find('<', at)) != std::string_view::npos) {
        switch (PlainMarkup::pass(html, at, reader)) {
        case PlainMarkup::Step::Passed:
            break;
        case PlainMarkup::Step::Text:
            ++at;
            break;
        case PlainMarkup::Step::Unsure:
            return std::nullopt;
        }
    }
    reader.endOfPage();
    return reader.take();
}

PlainLinkReader::PlainLinkReader(std::string_view html, std::string_view contentType)
{
    const QByteArray headerCharset = HtmlPushParser::headerCharset(contentType);
    m_headerNamesCharset = !headerCharset.isEmpty();
    m_beyondAscii = holdsBeyondAscii(html);
    m_unsure = !readsLikeUtf8(std::string_view(headerCharset.constData(), std::size_t(headerCharset.size())));
}

bool PlainLinkReader::readsLikeUtf8(std::string_view charset) const
{
    if (charset.empty() || PlainMarkup::isUtf8(charset))
        return true;
    return m_beyondAscii ? PlainMarkup::decodesEveryByte(charset) : PlainMarkup::readsAsAscii(charset);
}

std::optional<PageLinks> PlainLinkReader::take()
{
    if (m_unsure || !m_walkedWhole)
        return std::nullopt;
    return m_reader.take();
}

bool PlainLinkReader::startTagNamed(std::string_view name, std::size_t)
{
    if (m_unsure)
        return false;
    m_inLinkTag = carriesLinks(name);
    m_attributes.clear();
    m_decoded.clear();
    m_decodedAt.clear();
    return true;
}

bool PlainLinkReader::attribute(std::string_view tag, std::string_view name, std::string_view value)
{
    if (!m_inLinkTag)
        return true;
    if (equalsLower(tag, "meta") && !m_headerNamesCharset &&
        (equalsLower(name, "charset") || equalsLower(name, "content"))) {
        // A charset the page names for itself, which the parse switches to.
        std::string decoded;
        const std::optional<std::string_view> charset = PlainMarkup::declaredCharset(name, value, decoded);
        if (!charset || !readsLikeUtf8(*charset))
            return unsure();
    }
    if (!isRead(name))
        return true;
    // Beyond ASCII, the URL the parse hands over depends on the charset; the
    // words looked for in the others are ASCII, which a charset that keeps
    // ASCII spells with none of those bytes.
    if (isUrl(name) && holdsBeyondAscii(value))
        return unsure();
    if (value.find('&') != std::string_view::npos) {
        const std::size_t from = m_decoded.size();
        PlainMarkup::appendDecodedValue(value, m_decoded);
        m_decodedAt.push_back({m_attributes.size(), from, m_decoded.size() - from});
    }
    m_attributes.push_back({name, value});
    return true;
}

void PlainLinkReader::startTag(std::string_view name, std::size_t, std::size_t)
{
    if (!m_inLinkTag || m_unsure)
        return;
    for (const Decoded& decoded : m_decodedAt)
        m_attributes[decoded.attribute].value = std::string_view(m_decoded).substr(decoded.from, decoded.size);
    m_reader.startElement(name, m_attributes);
}
