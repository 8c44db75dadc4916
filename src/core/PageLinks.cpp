// Link extraction on libxml2's HTML push parser with a single SAX callback,
// start of element: no tree is built, tag and attribute names arrive in lower
// case, values with their character references decoded. The page is fed in
// chunks so the parser's input buffer stays small whatever the page's size.
// The links are resolved by LinkResolver (PageUrl.h).

#include "core/PageLinks.h"

#include "HeaderEncoding.h"

#include "core/PageLinkSax.h"

#include <libxml/HTMLparser.h>
#include <libxml/parser.h>
#include <libxml/parserInternals.h>
#include <libxml/xmlerror.h>

#include <algorithm>
#include <cstring>
#include <initializer_list>
#include <memory>

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
// libxml2 looks for an end tag's element through all the open ones, so a page
// of unclosed elements by the thousand, then stray end tags, takes quadratic
// time: reading stops this deep. Real pages stay far shallower, since libxml2
// closes the elements HTML lets a page leave open.
constexpr int kMaxOpenElements = 512;

// Recover from any markup; build nothing beyond what is reported; never
// reach the network; stay quiet. HTML_PARSE_HUGE stays off, so libxml2's
// limits on names and text lengths hold.
constexpr int kParseOptions =
    HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD;

struct ParseState {
    htmlParserCtxtPtr parser = nullptr;
    PageLinkSax sax;
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

// The value of an attribute; nullptr when absent, "" when it has no value.
const char* attribute(const xmlChar** attributes, const char* name)
{
    for (const xmlChar** at = attributes; at && at[0]; at += 2) {
        if (std::strcmp(reinterpret_cast<const char*>(at[0]), name) == 0)
            return at[1] ? reinterpret_cast<const char*>(at[1]) : "";
    }
    return nullptr;
}

void addLink(PageLinks& links, const char* value)
{
    const std::string_view link = trimmed(value ? value : "", isHtmlSpace);
    if (!link.empty())
        links.hrefs.emplace_back(link.data(), qsizetype(link.size()));
}

void onStartElement(void* context, const xmlChar* tagName, const xmlChar** attributes)
{
    auto& state = *static_cast<ParseState*>(context);
    if (state.parser->nameNr > kMaxOpenElements) {
        xmlStopParser(state.parser);
        return;
    }
    state.sax.startElement(reinterpret_cast<const char*>(tagName), attributes);
}

// libxml2 reports errors here rather than on stderr, since the handler is
// marked as SAX2; malformed pages are the norm, so they are dropped. A
// template, to fit whether this libxml2 passes the error const or not.
template <typename Error> void ignoreError(void*, Error*) {}

xmlSAXHandler linkHandler()
{
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElement = onStartElement;
    handler.serror = ignoreError;
    return handler;
}

struct ParserFree {
    void operator()(htmlParserCtxtPtr parser) const
    {
        if (parser->myDoc)
            xmlFreeDoc(parser->myDoc);
        htmlFreeParserCtxt(parser);
    }
};

// Where the parser is in the text it has decoded so far; only ever grows.
long parsedBytes(htmlParserCtxtPtr parser)
{
    return parser->input->consumed + long(parser->input->cur - parser->input->base);
}

// libxml2 ends the document at the root's end tag and drops all that follows,
// but pages go on after </html> (scripts, trackers, a second page glued on)
// and browsers read on. So a parser that stopped with input left, and not on
// a fatal error, is put back to reading content, as long as it gets on.
void feed(htmlParserCtxtPtr parser, std::string_view chunk, bool last)
{
    htmlParseChunk(parser, chunk.data(), int(chunk.size()), last);
    while ((parser->instate == XML_PARSER_EPILOG || parser->instate == XML_PARSER_EOF) && !parser->disableSAX &&
           parser->input && parser->input->buf && parser->input->cur < parser->input->end) {
        const long stoppedAt = parsedBytes(parser);
        parser->instate = XML_PARSER_CONTENT;
        htmlParseChunk(parser, nullptr, 0, last);
        if (parsedBytes(parser) == stoppedAt)
            break; // an unfinished tag or comment that the next chunk completes, or junk at the end
    }
}

// Chunks end before a '<' when there is one: libxml2 2.9 forgets which quote
// it was in when a chunk ends inside a quoted attribute value, and then holds
// the rest of the page back, unparsed, until the end.
std::size_t chunkEnd(std::string_view html, std::size_t from)
{
    const std::size_t end = std::min(html.size(), from + kChunkBytes);
    if (end == html.size())
        return end;
    const std::size_t tag = html.substr(from + 1, end - from - 1).rfind('<');
    return tag == std::string_view::npos ? end : from + 1 + tag;
}

} // namespace

void PageLinkSax::startElement(std::string_view tag, const xmlChar** attributes)
{
    if (tag == "a" || tag == "area") {
        const char* rel = attribute(attributes, "rel");
        if (!rel || !holdsToken(rel, isHtmlSpace, {"nofollow"}))
            addLink(links, attribute(attributes, "href"));
    } else if (tag == "iframe" || tag == "frame") {
        addLink(links, attribute(attributes, "src"));
    } else if (tag == "base") {
        const char* href = attribute(attributes, "href");
        if (href && !baseSeen) {
            baseSeen = true;
            const std::string_view base = trimmed(href, isHtmlSpace);
            links.base = QByteArray(base.data(), qsizetype(base.size()));
        }
    } else if (tag == "meta") {
        const char* name = attribute(attributes, "name");
        const char* content = attribute(attributes, "content");
        if (name && content && equalsIgnoringCase(trimmed(name, isHtmlSpace), "robots") &&
            holdsToken(content, isRobotsSeparator, {"nofollow", "none"}))
            links.nofollow = true;
    }
}

xmlCharEncodingHandlerPtr headerEncoding(std::string_view html, std::string_view contentType)
{
    if (html.starts_with("\xef\xbb\xbf") || html.starts_with("\xff\xfe") || html.starts_with("\xfe\xff"))
        return nullptr;
    const QByteArray lower = QByteArray(contentType.data(), qsizetype(contentType.size())).toLower();
    const qsizetype at = lower.indexOf("charset=");
    if (at < 0)
        return nullptr;
    QByteArray name = lower.mid(at + 8);
    const qsizetype end = name.indexOf(';');
    if (end >= 0)
        name.truncate(end);
    name = name.trimmed();
    if (name.startsWith('"') && name.endsWith('"') && name.size() >= 2)
        name = name.mid(1, name.size() - 2);
    // The fetcher hands UTF-16 pages over already turned into UTF-8.
    if (name.startsWith("utf-16"))
        name = "utf-8";
    return name.isEmpty() ? nullptr : xmlFindCharEncodingHandler(name.constData());
}

PageLinks extractPageLinks(std::string_view html, std::string_view contentType)
{
    [[maybe_unused]] static const bool initialised = (xmlInitParser(), true);

    ParseState state;
    xmlSAXHandler handler = linkHandler();
    xmlCharEncodingHandlerPtr encoding = headerEncoding(html, contentType);
    // Without a charset from the header, the first bytes go in with the
    // context, where libxml2 looks for a byte-order mark.
    const std::size_t head = encoding ? 0 : std::min<std::size_t>(html.size(), 4);
    const std::unique_ptr<htmlParserCtxt, ParserFree> parser(
        htmlCreatePushParserCtxt(&handler, &state, html.data(), int(head), nullptr, XML_CHAR_ENCODING_NONE));
    if (!parser)
        return {};
    state.parser = parser.get();
    int options = kParseOptions;
    if (encoding) {
        xmlSwitchToEncoding(parser.get(), encoding);
        options |= HTML_PARSE_IGNORE_ENC; // the header's charset wins over <meta charset>
    }
    htmlCtxtUseOptions(parser.get(), options);
    for (std::size_t pos = head, end = 0; pos < html.size(); pos = end) {
        end = chunkEnd(html, pos);
        feed(parser.get(), html.substr(pos, end - pos), false);
    }
    feed(parser.get(), {}, true);
    return std::move(state.sax.links);
}
