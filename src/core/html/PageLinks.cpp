// Link extraction on libxml2's HTML push parser with a single SAX callback,
// start of element: no tree is built, tag and attribute names arrive in lower
// case, values with their character references decoded, fed by HtmlPushParser.
// The links are resolved by LinkResolver (PageUrl.h).

#include "core/html/PageLinks.h"

#include "core/html/HtmlPushParser.h"
#include "core/html/PlainPageLinks.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

struct ParseState {
    htmlParserCtxtPtr parser = nullptr;
    PageLinkReader reader;
};

bool isHtmlSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

std::string_view trimmed(std::string_view text, bool (*isSpace)(char))
{
    while (!text.empty() && isSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return (x >= 'A' && x <= 'Z' ? x + 32 : x) == (y >= 'A' && y <= 'Z' ? y + 32 : y);
           });
}

// Whether a list of tokens separated by isSeparator holds one of the tokens.
bool holdsToken(std::string_view list, bool (*isSeparator)(char), std::initializer_list<std::string_view> tokens)
{
    std::size_t pos = 0;
    while (pos < list.size()) {
        std::size_t end = pos;
        while (end < list.size() && !isSeparator(list[end]))
            ++end;
        const std::string_view token = list.substr(pos, end - pos);
        for (std::string_view wanted : tokens) {
            if (equalsIgnoringCase(token, wanted))
                return true;
        }
        pos = end + 1;
    }
    return false;
}

bool isRobotsSeparator(char c)
{
    return c == ',' || isHtmlSpace(c);
}

// The value of an attribute, nothing when absent.
std::optional<std::string_view> attribute(std::span<const TagAttribute> attributes, std::string_view name)
{
    for (const TagAttribute& at : attributes) {
        if (equalsIgnoringCase(at.name, name))
            return at.value;
    }
    return std::nullopt;
}

void addLink(PageLinks& links, std::optional<std::string_view> value)
{
    const std::string_view link = trimmed(value.value_or(""), isHtmlSpace);
    if (!link.empty())
        links.hrefs.emplace_back(link.data(), qsizetype(link.size()));
}

void onStartElement(void* context, const xmlChar* tagName, const xmlChar** attributes)
{
    auto& state = *static_cast<ParseState*>(context);
    if (HtmlPushParser::stoppedTooDeep(state.parser))
        return;
    state.reader.startElement(reinterpret_cast<const char*>(tagName), attributes);
}

xmlSAXHandler linkHandler()
{
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElement = onStartElement;
    handler.serror = HtmlPushParser::ignoreError;
    return handler;
}

} // namespace

void PageLinkReader::startElement(std::string_view tag, std::span<const TagAttribute> attributes)
{
    if (equalsIgnoringCase(tag, "a") || equalsIgnoringCase(tag, "area")) {
        const std::optional<std::string_view> rel = attribute(attributes, "rel");
        if (!rel || !holdsToken(*rel, isHtmlSpace, {"nofollow"}))
            addLink(m_links, attribute(attributes, "href"));
    } else if (equalsIgnoringCase(tag, "iframe") || equalsIgnoringCase(tag, "frame")) {
        addLink(m_links, attribute(attributes, "src"));
    } else if (equalsIgnoringCase(tag, "base")) {
        const std::optional<std::string_view> href = attribute(attributes, "href");
        if (href && !m_baseSeen) {
            m_baseSeen = true;
            const std::string_view base = trimmed(*href, isHtmlSpace);
            m_links.base = QByteArray(base.data(), qsizetype(base.size()));
        }
    } else if (equalsIgnoringCase(tag, "meta")) {
        const std::optional<std::string_view> name = attribute(attributes, "name");
        const std::optional<std::string_view> content = attribute(attributes, "content");
        if (name && content && equalsIgnoringCase(trimmed(*name, isHtmlSpace), "robots") &&
            holdsToken(*content, isRobotsSeparator, {"nofollow", "none"}))
            m_links.nofollow = true;
    }
}

void PageLinkReader::startElement(std::string_view tag, const unsigned char** attributes)
{
    m_attributes.clear();
    for (const xmlChar** at = attributes; at && at[0]; at += 2)
        m_attributes.push_back(
            {reinterpret_cast<const char*>(at[0]), at[1] ? reinterpret_cast<const char*>(at[1]) : ""});
    startElement(tag, m_attributes);
}

PageLinks extractPageLinks(std::string_view html, std::string_view contentType)
{
    if (std::optional<PageLinks> links = readPlainPageLinks(html, contentType))
        return std::move(*links);
    return parsePageLinks(html, contentType);
}

PageLinks parsePageLinks(std::string_view html, std::string_view contentType)
{
    ParseState state;
    xmlSAXHandler handler = linkHandler();
    HtmlPushParser::parse(html, contentType, handler, &state, state.parser);
    return state.reader.take();
}
