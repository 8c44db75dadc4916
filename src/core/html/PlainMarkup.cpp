#include "core/html/PlainMarkup.h"

#include <libxml/HTMLparser.h>

#include <unicode/utf8.h>

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <cstring>
#include <initializer_list>

namespace PlainMarkup {
namespace {

constexpr std::size_t kNone = std::string_view::npos;
// libxml2 reads a tag's or an attribute's name into a buffer of 100 bytes,
// and what follows a longer name as another.
constexpr std::size_t kLongestName = 100;

constexpr std::array<bool, 256> kNameCharacters = [] {
    std::array<bool, 256> name{};
    for (std::size_t c = 0; c < name.size(); ++c)
        name[c] = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == ':' ||
                  c == '.' || c == '-';
    return name;
}();

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isNameStart(char c)
{
    return isLetter(c) || c == '_' || c == ':';
}

// <!DOCTYPE name [PUBLIC "id" ["uri"] | SYSTEM "uri"]>, as libxml2 reads it;
// a quoted string may hold a '>'.
Step doctype(std::string_view html, std::size_t& at)
{
    const std::size_t size = html.size();
    std::size_t i = at + 9;
    const auto blanks = [&] {
        while (i < size && isTagBlank(html[i]))
            ++i;
    };
    // A quoted string; a public identifier holds only its own characters.
    const auto literal = [&](bool publicId) {
        if (i == size || (html[i] != '"' && html[i] != '\''))
            return false;
        const std::size_t close = html.find(html[i], i + 1);
        if (close == kNone)
            return false;
        if (publicId && html.substr(i + 1, close - i - 1).find_first_of("<>&\"") != kNone)
            return false;
        i = close + 1;
        return true;
    };
    blanks();
    const std::size_t name = nameAt(html.substr(i)).size();
    if (name == 0)
        return Step::Unsure;
    i += name;
    blanks();
    const std::string_view keyword = html.substr(i, 6);
    if (equalsLower(keyword, "public") || equalsLower(keyword, "system")) {
        const bool publicId = equalsLower(keyword, "public");
        i += 6;
        blanks();
        if (!literal(publicId))
            return Step::Unsure;
        blanks();
        if (publicId && i < size && html[i] != '>' && !literal(false))
            return Step::Unsure;
        blanks();
    }
    if (i == size || html[i] != '>')
        return Step::Unsure;
    at = i + 1;
    return Step::Passed;
}

Step startTag(std::string_view html, std::size_t& at, Visitor& visitor)
{
    const std::size_t size = html.size();
    const std::string_view name = nameAt(html.substr(at + 1));
    if (name.size() >= kLongestName || !visitor.startTagNamed(name, at))
        return Step::Unsure;
    std::size_t i = at + 1 + name.size();
    bool selfClosing = false;
    for (;;) {
        const std::size_t blanks = i;
        while (i < size && isTagBlank(html[i]))
            ++i;
        if (i + 1 < size && html[i] == '/' && html[i + 1] == '>') {
            selfClosing = true;
            ++i;
        }
        if (i >= size)
            return Step::Unsure;
        if (html[i] == '>')
            break;
        // Attributes stand apart, and their names are names: libxml2 skips
        // what is not to the next blank, quotes and all.
        if (i == blanks || !isNameStart(html[i]))
            return Step::Unsure;
        const std::string_view attribute = nameAt(html.substr(i));
        if (attribute.size() >= kLongestName)
            return Step::Unsure;
        i += attribute.size();
        if (i == size || !(isTagBlank(html[i]) || html[i] == '=' || html[i] == '>' || html[i] == '/'))
            return Step::Unsure;
        std::size_t afterName = i;
        while (afterName < size && isTagBlank(html[afterName]))
            ++afterName;
        std::string_view value;
        if (afterName < size && html[afterName] == '=') {
            i = afterName + 1;
            while (i < size && isTagBlank(html[i]))
                ++i;
            if (i < size && (html[i] == '"' || html[i] == '\'')) {
                const std::size_t close = html.find(html[i], i + 1);
                if (close == kNone)
                    return Step::Unsure;
                value = html.substr(i + 1, close - i - 1);
                i = close + 1;
            } else {
                const std::size_t valueStart = i;
                while (i < size && !isTagBlank(html[i]) && html[i] != '>') {
                    if (std::strchr("\"'<=`", html[i]))
                        return Step::Unsure;
                    ++i;
                }
                if (i == valueStart)
                    return Step::Unsure;
                value = html.substr(valueStart, i - valueStart);
            }
        }
        if (!visitor.attribute(name, attribute, value))
            return Step::Unsure;
    }
    const std::size_t from = at;
    at = i + 1;
    visitor.startTag(name, from, at);
    // A script's or a style's content is no markup, up to its end tag;
    // libxml2 takes <script/> for one without content.
    const bool script = equalsLower(name, "script");
    if (script || equalsLower(name, "style")) {
        if (selfClosing)
            return Step::Unsure;
        for (std::size_t end = html.find("</", at); end != kNone; end = html.find("</", end + 2)) {
            const std::string_view closing = nameAt(html.substr(end + 2));
            if (closing.empty())
                continue;
            if (!equalsLower(closing, script ? "script" : "style"))
                return Step::Unsure; // where libxml2 ends it then is its own affair
            at = end;
            return Step::Passed;
        }
        return Step::Unsure;
    }
    return Step::Passed;
}

void appendUtf8(char32_t code, std::string& out)
{
    char bytes[U8_MAX_LENGTH];
    std::int32_t length = 0;
    U8_APPEND_UNSAFE(bytes, length, UChar32(code));
    out.append(bytes, std::size_t(length));
}

// The charset in a <meta content="text/html; charset=...">, spaced as
// libxml2 allows: empty when it names none, nothing when it cannot be read.
std::optional<std::string_view> charsetInContent(std::string_view content)
{
    std::size_t at = 0;
    while (at + 7 <= content.size() && !equalsLower(content.substr(at, 7), "charset"))
        ++at;
    if (at + 7 > content.size())
        return std::string_view();
    std::string_view rest = trimmedBlanks(content.substr(at + 7));
    if (rest.empty() || rest.front() != '=')
        return std::nullopt;
    rest = trimmedBlanks(rest.substr(1));
    std::size_t end = 0;
    while (end < rest.size() && !isTagBlank(rest[end]) && rest[end] != ';' && rest[end] != '"' && rest[end] != '\'')
        ++end;
    if (end == 0)
        return std::nullopt;
    return rest.substr(0, end);
}

} // namespace

Step pass(std::string_view html, std::size_t& at, Visitor& visitor)
{
    const std::string_view rest = html.substr(at);
    const char next = rest.size() > 1 ? rest[1] : '\0';
    if (isLetter(next))
        return startTag(html, at, visitor);
    if (rest.starts_with("<!--")) {
        const std::size_t end = rest.find("-->", 4);
        if (end == kNone || rest.substr(4, 1) == ">" || rest.substr(4, 2) == "->" ||
            rest.substr(0, end).find("--!>") != kNone)
            return Step::Unsure;
        at += end + 3;
        return Step::Passed;
    }
    if (equalsLower(rest.substr(0, 9), "<!doctype"))
        return doctype(html, at);
    if (next == '?') {
        // libxml2 ends a processing instruction, whose target is a name, at
        // the first '>', and drops a "<?" that starts none.
        if (rest.size() < 3 || static_cast<unsigned char>(rest[2]) >= 0x80)
            return Step::Unsure; // a name may start with a letter beyond ASCII
        if (!isNameStart(rest[2])) {
            at += 2;
            return Step::Passed;
        }
        const std::size_t end = rest.find('>');
        if (end == kNone)
            return Step::Unsure;
        at += end + 1;
        return Step::Passed;
    }
    if (next == '/') {
        const std::string_view name = nameAt(rest.substr(2));
        std::size_t end = 2 + name.size();
        while (end < rest.size() && isTagBlank(rest[end]))
            ++end;
        if (name.empty() || name.size() >= kLongestName || !isLetter(name.front()) || end == rest.size() ||
            rest[end] != '>')
            return Step::Unsure;
        visitor.endTag(name, at, at + end + 1);
        at += end + 1;
        return Step::Passed;
    }
    return Step::Text;
}

NumericReference numericReference(std::string_view text, std::size_t at)
{
    const bool hex = at < text.size() && (text[at] == 'x' || text[at] == 'X');
    if (hex)
        ++at;
    char32_t code = 0;
    for (; at < text.size(); ++at) {
        const char c = text[at];
        int digit = -1;
        if (c >= '0' && c <= '9')
            digit = c - '0';
        else if (hex && (c | 0x20) >= 'a' && (c | 0x20) <= 'f')
            digit = (c | 0x20) - 'a' + 10;
        if (digit < 0)
            break;
        code = std::min<char32_t>(code * (hex ? 16 : 10) + char32_t(digit), 0x110000);
    }
    if (at < text.size() && text[at] == ';')
        ++at;
    return {code, at};
}

bool isXmlChar(char32_t c)
{
    return c == 0x9 || c == 0xA || c == 0xD || (c >= 0x20 && c <= 0xD7FF) || (c >= 0xE000 && c <= 0xFFFD) ||
           (c >= 0x10000 && c <= 0x10FFFF);
}

void appendDecodedValue(std::string_view value, std::string& out)
{
    const std::size_t size = value.size();
    for (std::size_t i = 0; i < size;) {
        const std::size_t amp = value.find('&', i);
        out.append(value.substr(i, amp == kNone ? kNone : amp - i));
        if (amp == kNone)
            return;
        i = amp + 1;
        if (i < size && value[i] == '#') {
            const NumericReference reference = numericReference(value, i + 1);
            i = reference.end;
            // libxml2 writes a NUL for a reference to no character, where
            // the value it hands over ends.
            if (!isXmlChar(reference.code))
                return;
            appendUtf8(reference.code, out);
            continue;
        }
        // A name, as an XML name in ASCII; HTML 4's and with its ';' only.
        std::size_t end = i;
        if (end < size && isNameStart(value[end]))
            end += nameAt(value.substr(end)).size();
        const std::string name(value.substr(i, end - i));
        const htmlEntityDesc* entity = nullptr;
        if (!name.empty() && end < size && value[end] == ';')
            entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.c_str()));
        if (!entity) {
            out.push_back('&');
            continue; // the name, and a ';', follow as they stand
        }
        appendUtf8(entity->value, out);
        i = end + 1;
    }
}

std::string_view nameAt(std::string_view from)
{
    std::size_t end = 0;
    while (end < from.size() && kNameCharacters[static_cast<unsigned char>(from[end])])
        ++end;
    return from.substr(0, end);
}

bool equalsLower(std::string_view text, std::string_view lower)
{
    if (text.size() != lower.size())
        return false;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (char(text[i] | 0x20) != lower[i])
            return false;
    return true;
}

std::string_view trimmedBlanks(std::string_view text)
{
    while (!text.empty() && isTagBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isTagBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

bool readsAsAscii(std::string_view charset)
{
    // A number after a prefix, within [low, high], and no more.
    const auto numbered = [&](std::string_view prefix, int low, int high) {
        if (charset.size() <= prefix.size() || charset.size() > prefix.size() + 2 ||
            !equalsLower(charset.substr(0, prefix.size()), prefix))
            return false;
        int number = 0;
        for (char c : charset.substr(prefix.size())) {
            if (c < '0' || c > '9')
                return false;
            number = number * 10 + (c - '0');
        }
        return number >= low && number <= high;
    };
    // ISO 8859 has no twelfth part.
    return equalsLower(charset, "us-ascii") || equalsLower(charset, "ascii") ||
           ((numbered("iso-8859-", 1, 16) || numbered("iso8859-", 1, 16)) && !charset.ends_with("-12")) ||
           numbered("windows-125", 0, 8) || numbered("cp125", 0, 8) || numbered("latin", 1, 10);
}

bool decodesEveryByte(std::string_view charset)
{
    return isUtf8(charset) || equalsLower(charset, "iso-8859-1") || equalsLower(charset, "iso8859-1") ||
           equalsLower(charset, "latin1");
}

bool holdsBeyondAscii(std::string_view bytes)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    std::size_t at = 0;
#if defined(__SSE2__)
    for (; at + 16 <= bytes.size(); at += 16)
        if (_mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at))) != 0)
            return true;
#endif
    for (; at < bytes.size(); ++at)
        if (data[at] >= 0x80)
            return true;
    return false;
}

bool isUtf8(std::string_view charset)
{
    return equalsLower(charset, "utf-8") || equalsLower(charset, "utf8");
}

std::optional<std::string_view> declaredCharset(std::string_view attribute, std::string_view value,
                                                std::string& decoded)
{
    if (value.find('&') != kNone) {
        decoded.clear();
        appendDecodedValue(value, decoded);
        value = decoded;
    }
    if (equalsLower(attribute, "charset"))
        return trimmedBlanks(value);
    if (equalsLower(attribute, "content"))
        return charsetInContent(value);
    return std::string_view();
}

bool isPlainText(std::string_view bytes)
{
    return bytes.find('\0') == kNone && bytes.find('\x1b') == kNone && isUtf8Text(bytes);
}

bool isUtf8Text(std::string_view bytes)
{
    const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
    const std::size_t size = bytes.size();
    std::size_t at = 0;
    while (at < size) {
#if defined(__SSE2__)
        // ASCII, sixteen bytes at a time.
        if (at + 16 <= size) {
            const int high = _mm_movemask_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + at)));
            if (high == 0) {
                at += 16;
                continue;
            }
            at += std::size_t(__builtin_ctz(unsigned(high)));
        }
#endif
        if (data[at] < 0x80) {
            ++at;
            continue;
        }
        UChar32 c = 0;
        U8_NEXT(data, at, size, c);
        if (c < 0)
            return false;
    }
    return true;
}

} // namespace PlainMarkup
