#pragma once
// Markup read without the parse, as libxml2's HTML parser reads it where the
// markup is plainly well formed: comments, doctypes, processing
// instructions, end tags, and start tags with their attributes (a script's
// or a style's content passed over). Anything libxml2 recovers from in ways
// of its own is left to the parse. The number sieve (NumberSieve) and the
// quick link reader (PageLinks) walk pages with it; what it imitates was
// checked against one libxml2 (HtmlElements::kPlainMarkupMatchesLibxml2).

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace PlainMarkup {

// What a walk is told of the markup it passes.
class Visitor {
public:
    virtual ~Visitor() = default;
    // A start tag's name (as written), at the '<', before its attributes;
    // false leaves the page to the parse.
    virtual bool startTagNamed(std::string_view name, std::size_t at) = 0;
    // An attribute as written: its value still holds its character
    // references, and is empty when there is none; false leaves the page to
    // the parse.
    virtual bool attribute(std::string_view tag, std::string_view name, std::string_view value) = 0;
    // The whole start tag, [from, to).
    virtual void startTag(std::string_view name, std::size_t from, std::size_t to) = 0;
    virtual void endTag(std::string_view name, std::size_t from, std::size_t to) = 0;
    // Told by the walk's owner once the walk has passed the page's last byte.
    virtual void endOfPage() {}
};

enum class Step {
    Passed, // the markup at the '<', now behind `at`
    Text,   // the '<' is text; `at` is where it was
    Unsure, // markup that only the parse can read
};

// At the '<' at `at`.
Step pass(std::string_view html, std::size_t& at, Visitor& visitor);

// A numeric character reference as libxml2 reads it, from `at`, just after
// its "&#": the character (0x110000 for any beyond Unicode; 0 without
// digits) and where the reference ends, after its ';' if any.
struct NumericReference {
    char32_t code = 0;
    std::size_t end = 0;
};
NumericReference numericReference(std::string_view text, std::size_t at);

// The characters XML allows, and libxml2 lets a reference stand for.
bool isXmlChar(char32_t c);

// An attribute's value in ASCII as libxml2 hands it over, appended to `out`:
// "&#...;" and "&name;" of HTML 4's names decoded, any other '&' kept, and
// the value ending at a numeric reference to no character.
void appendDecodedValue(std::string_view value, std::string& out);

// As libxml2 reads a tag's or an attribute's name.
std::string_view nameAt(std::string_view from);

bool equalsLower(std::string_view text, std::string_view lower);

// Blanks between a tag's parts, as libxml2 takes them.
constexpr bool isTagBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

std::string_view trimmedBlanks(std::string_view text);

// Charsets, known to libxml2 (through iconv), whose bytes below 0x80 are
// ASCII's: a page in one of them that holds only ASCII reads as it would in
// UTF-8.
bool readsAsAscii(std::string_view charset);
bool isUtf8(std::string_view charset);
// Charsets in which libxml2 decodes every byte: it stops a page at the
// first byte its charset has no character for.
bool decodesEveryByte(std::string_view charset);

bool holdsBeyondAscii(std::string_view bytes);

// Whether the bytes are UTF-8 throughout: libxml2 decodes a page that names
// no charset as Latin-1 once it meets a byte that is not, markup included,
// and stops where a page that names UTF-8 is not.
bool isUtf8Text(std::string_view bytes);

// Whether a page's bytes read as the walk reads them: libxml2 stops short at
// a NUL in many places, ISO-2022 spells characters with ASCII bytes after an
// escape, and a page that is no UTF-8 is read in a charset only the parse
// settles. A walk's owner looks before walking.
bool isPlainText(std::string_view bytes);

// The charset a <meta>'s attribute names (its charset, or the charset in its
// content="text/html; charset=...", spaced as libxml2 allows), looked for
// as libxml2 looks, once its references are decoded (into `decoded` where
// it holds any): empty when it names none, nothing when it cannot be read.
std::optional<std::string_view> declaredCharset(std::string_view attribute, std::string_view value,
                                                std::string& decoded);

} // namespace PlainMarkup
