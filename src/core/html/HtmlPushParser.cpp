#include "core/html/HtmlPushParser.h"

#include <QByteArray>

#include <libxml/parser.h>
#include <libxml/parserInternals.h>

#include <algorithm>
#include <memory>

namespace {

constexpr std::size_t kChunkBytes = 64 * 1024;
// Real pages stay far shallower, since libxml2 closes the elements HTML lets
// a page leave open.
constexpr int kMaxOpenElements = 512;

// Recover from any markup; build nothing beyond what is reported; never
// reach the network; stay quiet. HTML_PARSE_HUGE stays off, so libxml2's
// limits on names and text lengths hold.
constexpr int kParseOptions =
    HTML_PARSE_RECOVER | HTML_PARSE_NONET | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NODEFDTD;

// Charset errors bypass the parser's handler in libxml2 2.9 and go to the
// thread's generic one, which would print them on standard error.
void ignoreGenericError(void*, const char*, ...) {}

struct ParserFree {
    void operator()(htmlParserCtxtPtr parser) const
    {
        if (parser->myDoc)
            xmlFreeDoc(parser->myDoc);
        htmlFreeParserCtxt(parser);
    }
};

constexpr std::string_view kUtf8ByteOrderMark = "\xef\xbb\xbf";

// libxml2's decoder for the charset contentType names; null for none, or
// when the page starts with a byte-order mark, which wins: UTF-8's is
// decoded here (libxml2's push parser would read the page as Latin-1),
// UTF-16's by libxml2.
xmlCharEncodingHandlerPtr headerEncoding(std::string_view html, std::string_view contentType)
{
    if (html.starts_with(kUtf8ByteOrderMark))
        return xmlFindCharEncodingHandler("UTF-8");
    if (html.starts_with("\xff\xfe") || html.starts_with("\xfe\xff"))
        return nullptr;
    const QByteArray name = HtmlPushParser::headerCharset(contentType);
    return name.isEmpty() ? nullptr : xmlFindCharEncodingHandler(name.constData());
}

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

namespace HtmlPushParser {

QByteArray headerCharset(std::string_view contentType)
{
    const QByteArray lower = QByteArray(contentType.data(), qsizetype(contentType.size())).toLower();
    const qsizetype at = lower.indexOf("charset=");
    if (at < 0)
        return {};
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
    return name;
}

void parse(std::string_view html, std::string_view contentType, xmlSAXHandler& handler, void* userData,
           htmlParserCtxtPtr& parser)
{
    [[maybe_unused]] static const bool initialised = (xmlInitParser(), true);

    xmlSetGenericErrorFunc(nullptr, ignoreGenericError);
    xmlCharEncodingHandlerPtr encoding = headerEncoding(html, contentType);
    if (html.starts_with(kUtf8ByteOrderMark))
        html.remove_prefix(kUtf8ByteOrderMark.size());
    // Without a charset from the header, the first bytes go in with the
    // context, where libxml2 looks for a byte-order mark.
    const std::size_t head = encoding ? 0 : std::min<std::size_t>(html.size(), 4);
    const std::unique_ptr<htmlParserCtxt, ParserFree> owned(
        htmlCreatePushParserCtxt(&handler, userData, html.data(), int(head), nullptr, XML_CHAR_ENCODING_NONE));
    if (!owned)
        return;
    parser = owned.get();
    int options = kParseOptions;
    if (encoding) {
        xmlSwitchToEncoding(parser, encoding);
        options |= HTML_PARSE_IGNORE_ENC; // the header's charset wins over <meta charset>
    }
    htmlCtxtUseOptions(parser, options);
    for (std::size_t pos = head, end = 0; pos < html.size(); pos = end) {
        end = chunkEnd(html, pos);
        feed(parser, html.substr(pos, end - pos), false);
    }
    feed(parser, {}, true);
    parser = nullptr;
}

bool stoppedTooDeep(htmlParserCtxtPtr parser)
{
    if (parser->nameNr <= kMaxOpenElements)
        return false;
    xmlStopParser(parser);
    return true;
}

} // namespace HtmlPushParser
