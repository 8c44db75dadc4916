// Text extraction on libxml2's HTML push parser through SAX callbacks, as for
// the page's links: no tree is built, tag names arrive in lower case, text
// with its character references decoded to UTF-8. The page is fed in chunks
// so the parser's input buffer stays small whatever the page's size.

#include "core/html/PageText.h"

#include "core/html/HtmlElements.h"
#include "core/html/HtmlEntities.h"
#include "core/html/HtmlPushParser.h"
#include "core/html/PageLinks.h"

#include <libxml/HTMLparser.h>
#include <libxml/encoding.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <QByteArray>
#include <QString>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <memory>
#include <utility>

namespace {

// No phone number, even with an extension and a context, is longer; a
// longer tel: href is a page author's joke and is not kept.
constexpr std::size_t kMaxTelHref = 256;

bool isHtmlSpace(unsigned char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\f' || c == '\r';
}

// Bytes that onCharacters copies as they are: neither spaces nor the lead
// bytes of a no-break or narrow space.
bool isPlain(unsigned char c)
{
    return c > ' ' ? c != 0xC2 && c != 0xE2 : !isHtmlSpace(c);
}

constexpr std::size_t kNone = std::string::npos;

struct ParseState {
    htmlParserCtxtPtr parser = nullptr;
    PageText page;
    PageLinkReader* links = nullptr; // when the same parse reads the links
    // libxml2 passes a reference it does not know as "&", then its name,
    // then text that starts with the ';': where that '&' stands in the text,
    // and whether its name has followed.
    std::size_t referenceAt = kNone;
    bool referenceNamed = false;
    int hiddenDepth = 0;         // open elements whose content is not shown
    int preDepth = 0;            // open <pre>: its line ends are kept
    std::ptrdiff_t openTel = -1; // the tel: link being read, if any
};

enum class LineEnd {
    Cell,  // a table cell's: a tab
    Block, // a block element's start or end
    Break, // a <br>, a line of a <pre>: the block goes on
};

void endLine(PageText& page, LineEnd kind)
{
    std::string& text = page.text;
    while (!text.empty() && text.back() == ' ')
        text.pop_back();
    if (!text.empty() && text.back() == '\n' && kind == LineEnd::Block && !page.lineBreaks.empty() &&
        page.lineBreaks.back() == text.size() - 1)
        page.lineBreaks.pop_back();
    if (text.empty() || text.back() == '\n' || (kind == LineEnd::Cell && text.back() == '\t'))
        return;
    if (kind == LineEnd::Cell) {
        text.push_back('\t');
        return;
    }
    if (text.back() == '\t')
        text.back() = '\n';
    else
        text.push_back('\n');
    if (kind == LineEnd::Break)
        page.lineBreaks.push_back(text.size() - 1);
}

// Bytes of the no-break or narrow space at chars[i] (U+00A0, U+2007, U+2009,
// U+202F), or 0. They read as spaces, and numbers are often grouped with them.
int fixedSpaceLength(const xmlChar* chars, int i, int length)
{
    if (chars[i] == 0xC2 && i + 1 < length && chars[i + 1] == 0xA0)
        return 2;
    if (chars[i] == 0xE2 && i + 2 < length && chars[i + 1] == 0x80 &&
        (chars[i + 2] == 0x87 || chars[i + 2] == 0x89 || chars[i + 2] == 0xAF))
        return 3;
    return 0;
}

void appendCharacters(ParseState& state, const xmlChar* chars, int length);

// Whether these characters, with those before, end a reference libxml2 did
// not know; if so, the reference is replaced by what it stands for.
bool endsReference(ParseState& state, const xmlChar*& chars, int& length)
{
    const std::size_t at = std::exchange(state.referenceAt, kNone);
    const bool named = std::exchange(state.referenceNamed, false);
    if (at == kNone || length == 0)
        return false;
    if (!named) {
        if (std::all_of(chars, chars + length, [](xmlChar c) { return isEntityNameByte(char(c)); })) {
            state.referenceAt = at;
            state.referenceNamed = true;
        }
        return false;
    }
    std::string& text = state.page.text;
    if (chars[0] != ';' || at >= text.size())
        return false;
    const std::string_view characters = namedCharacters(std::string_view(text).substr(at + 1));
    if (characters.empty())
        return false;
    text.resize(at);
    appendCharacters(state, reinterpret_cast<const xmlChar*>(characters.data()), int(characters.size()));
    ++chars;
    --length;
    return true;
}

void onCharacters(void* context, const xmlChar* chars, int length)
{
    auto& state = *static_cast<ParseState*>(context);
    if (state.hiddenDepth > 0)
        return;
    endsReference(state, chars, length);
    if (length == 1 && chars[0] == '&')
        state.referenceAt = state.page.text.size();
    appendCharacters(state, chars, length);
}

void appendCharacters(ParseState& state, const xmlChar* chars, int length)
{
    std::string& text = state.page.text;
    for (int i = 0; i < length; ++i) {
        // Most of a page's text goes in at once rather than byte by byte.
        int plain = i;
        while (plain < length && isPlain(chars[plain]))
            ++plain;
        if (plain > i) {
            text.append(reinterpret_cast<const char*>(chars + i), std::size_t(plain - i));
            i = plain - 1;
            continue;
        }
        const unsigned char c = chars[i];
        const int fixedSpace = fixedSpaceLength(chars, i, length);
        if (fixedSpace > 0) {
            i += fixedSpace - 1;
            text.push_back(' ');
        } else if (c == '\n' && state.preDepth > 0) {
            endLine(state.page, LineEnd::Break);
        } else if (isHtmlSpace(c)) {
            if (!text.empty() && text.back() != ' ' && text.back() != '\n' && text.back() != '\t')
                text.push_back(' ');
        } else {
            text.push_back(char(c));
        }
    }
}

const char* attribute(const xmlChar** attributes, const char* name)
{
    for (const xmlChar** at = attributes; at && at[0]; at += 2) {
        if (std::strcmp(reinterpret_cast<const char*>(at[0]), name) == 0)
            return at[1] ? reinterpret_cast<const char*>(at[1]) : "";
    }
    return nullptr;
}

void startTelLink(ParseState& state, const char* href)
{
    std::string_view value = href ? href : "";
    while (!value.empty() && isHtmlSpace(value.front()))
        value.remove_prefix(1);
    if (value.size() < 4 || value.size() > kMaxTelHref || strncasecmp(value.data(), "tel:", 4) != 0)
        return;
    const QByteArray raw(value.data(), qsizetype(value.size()));
    QByteArray decoded = QByteArray::fromPercentEncoding(raw);
    // Escapes that spell no UTF-8 stay escapes, so the text stays UTF-8.
    if (QString::fromUtf8(decoded).toUtf8() != decoded)
        decoded = raw;
    state.openTel = std::ptrdiff_t(state.page.telLinks.size());
    state.page.telLinks.push_back({state.page.text.size(), state.page.text.size(), decoded.toStdString()});
}

void onStartElement(void* context, const xmlChar* tagName, const xmlChar** attributes)
{
    auto& state = *static_cast<ParseState*>(context);
    if (HtmlPushParser::stoppedTooDeep(state.parser))
        return;
    const std::string_view tag = reinterpret_cast<const char*>(tagName);
    // Links count wherever they stand, <head> and all.
    if (state.links)
        state.links->startElement(tag, attributes);
    if (HtmlElements::isHidden(tag)) {
        ++state.hiddenDepth;
        return;
    }
    if (state.hiddenDepth > 0)
        return;
    state.referenceAt = kNone;
    std::string& text = state.page.text;
    if (tag == "td" || tag == "th") {
        endLine(state.page, LineEnd::Cell);
    } else if (tag == "dd" && !text.empty() && text.back() == '\n') {
        // A term's description: the term labels it, as a row's header cell does.
        if (state.page.lineBreaks.empty() || state.page.lineBreaks.back() != text.size() - 1)
            state.page.lineBreaks.push_back(text.size() - 1);
    } else if (HtmlElements::isBlock(tag)) {
        endLine(state.page, tag == "br" ? LineEnd::Break : LineEnd::Block);
    }
    if (tag == "pre")
        ++state.preDepth;
    else if (tag == "a")
        startTelLink(state, attribute(attributes, "href"));
    else if (tag == "img") {
        // An image's alt text is what a reader without images sees; icons
        // such as a telephone stand for labels, so keep it as a word.
        const char* alt = attribute(attributes, "alt");
        if (alt && *alt) {
            onCharacters(context, reinterpret_cast<const xmlChar*>(" "), 1);
            onCharacters(context, reinterpret_cast<const xmlChar*>(alt),
                         int(std::min(std::strlen(alt), HtmlElements::kAltTextBytes)));
            onCharacters(context, reinterpret_cast<const xmlChar*>(" "), 1);
        }
    }
}

void onEndElement(void* context, const xmlChar* tagName)
{
    auto& state = *static_cast<ParseState*>(context);
    const std::string_view tag = reinterpret_cast<const char*>(tagName);
    if (HtmlElements::isHidden(tag)) {
        state.hiddenDepth = std::max(0, state.hiddenDepth - 1);
        return;
    }
    if (state.hiddenDepth > 0)
        return;
    if (tag == "pre")
        state.preDepth = std::max(0, state.preDepth - 1);
    if (tag == "a" && state.openTel >= 0) {
        state.page.telLinks[std::size_t(state.openTel)].end = state.page.text.size();
        state.openTel = -1;
    }
    state.referenceAt = kNone;
    if (HtmlElements::isBlock(tag) && tag != "br")
        endLine(state.page, LineEnd::Block);
}

xmlSAXHandler textHandler()
{
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElement = onStartElement;
    handler.endElement = onEndElement;
    handler.characters = onCharacters;
    handler.ignorableWhitespace = onCharacters;
    handler.serror = HtmlPushParser::ignoreError;
    return handler;
}

} // namespace

bool PageText::endsBlock(std::size_t at) const
{
    return !std::binary_search(lineBreaks.begin(), lineBreaks.end(), at);
}

namespace {

PageText extractText(std::string_view html, std::string_view contentType, PageLinkReader* links)
{
    ParseState state;
    state.links = links;
    state.page.text.reserve(html.size() / 4);
    xmlSAXHandler handler = textHandler();
    HtmlPushParser::parse(html, contentType, handler, &state, state.parser);
    if (state.openTel >= 0)
        state.page.telLinks[std::size_t(state.openTel)].end = state.page.text.size();
    endLine(state.page, LineEnd::Block);
    // Blanks dropped at a line's end may lie where a link began.
    for (TelLink& link : state.page.telLinks) {
        link.start = std::min(link.start, state.page.text.size());
        link.end = std::clamp(link.end, link.start, state.page.text.size());
    }
    return std::move(state.page);
}

} // namespace

PageText extractPageText(std::string_view html, std::string_view contentType)
{
    return extractText(html, contentType, nullptr);
}

PageText extractPageTextAndLinks(std::string_view html, std::string_view contentType, PageLinks& links)
{
    PageLinkReader reader;
    PageText text = extractText(html, contentType, &reader);
    links = reader.take();
    return text;
}
