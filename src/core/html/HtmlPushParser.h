#pragma once
// libxml2's HTML push parser, run the one way both readers of a page (its
// links, its text) need: the page in chunks, so the parser's input buffer
// stays small whatever its size; decoded in the charset the answer's
// Content-Type names, else as the page itself says; errors dropped, since
// malformed pages are the norm; read on after </html>, as browsers do; and
// stopped where elements nest so deep that libxml2 would take quadratic time.
//
// Reentrant: pages may be parsed on several threads at once (libxml2 is set
// up on the first call, under a static guard, and never torn down).

#include <libxml/HTMLparser.h>

#include <QByteArray>

#include <string_view>

namespace HtmlPushParser {

// libxml2 reports errors to the handler's serror rather than on stderr when
// the handler is marked as SAX2. A template, to fit whether this libxml2
// passes the error const or not.
template <typename Error> void ignoreError(void*, Error*) {}

// The charset a Content-Type header names, in lower case; empty for none.
QByteArray headerCharset(std::string_view contentType);

// Feeds the whole page to a parser with handler and userData. `parser` is
// set before the first byte goes in, for the handler's callbacks, and
// cleared once the parser is gone.
void parse(std::string_view html, std::string_view contentType, xmlSAXHandler& handler, void* userData,
           htmlParserCtxtPtr& parser);

// For the start of each element: stops the parser, and says so, once more
// elements are open than real pages ever hold (libxml2 looks for an end
// tag's element through all the open ones, so thousands of unclosed
// elements and then stray end tags take quadratic time).
bool stoppedTooDeep(htmlParserCtxtPtr parser);

} // namespace HtmlPushParser
