#include "core/html/NumberSieve.h"

#include "core/html/HtmlElements.h"
#include "core/html/HtmlEntities.h"
#include "core/html/HtmlPushParser.h"
#include "core/html/PageText.h"
#include "core/html/PlainMarkup.h"
#include "core/numbers/MatcherCharacters.h"

#include <libxml/HTMLparser.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <QByteArray>

#include <algorithm>
#include <array>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstdint>
#include <cstring>

namespace {

constexpr std::size_t kNone = std::string_view::npos;
// Beyond these, sparing the parse is not worth the windows' own: a page
// crowded with long runs of digits is read whole.
constexpr std::size_t kMaxWindowBytes = 16 * 1024;
constexpr std::size_t kMaxWindows = 256;
constexpr std::size_t kMaxWindowTags = 256;
// Each place where end tags may end a line doubles the ways to read a window.
constexpr std::size_t kMaxLineEnds = 3;
constexpr std::size_t kMaxEndTags = 64;
// A window's text stays within half the stretch PhoneNumberReader hands the
// matcher at once, so that its cuts, made where no match goes on, never fall
// inside one.
constexpr std::size_t kMaxWindowText = 512;

// What a byte is to a run of digits, and to a match of the matcher, as the
// text shows it.
enum class Kind : std::uint8_t {
    Hard, // no candidate of the matcher holds it: ends runs and windows
    Soft, // ends a run, but may stand in an extension ("ext", ',', '#')
    Digit,
    Space,     // joins, but neither starts nor ends a run; also what the text drops
    Joins,     // what the matcher lets stand between digits
    Plus,      // joins, and allows the international form
    Markup,    // '<': a tag, a comment or a plain '<'
    Reference, // '&': a character reference or a plain '&'
    Wide,      // the first byte of a character beyond ASCII
};

// The matcher's classes, and what HTML makes of '<', '&' and the bytes
// beyond ASCII.
constexpr std::array<Kind, 256> kKinds = [] {
    std::array<Kind, 256> kinds{};
    for (std::size_t c = 0; c < kinds.size(); ++c) {
        switch (kMatcherCharacters[c]) {
        case MatcherCharacter::Hard:
            kinds[c] = Kind::Hard;
            break;
        case MatcherCharacter::Soft:
            kinds[c] = Kind::Soft;
            break;
        case MatcherCharacter::Digit:
            kinds[c] = Kind::Digit;
            break;
        case MatcherCharacter::Space:
            kinds[c] = Kind::Space;
            break;
        case MatcherCharacter::Joins:
            kinds[c] = Kind::Joins;
            break;
        case MatcherCharacter::Plus:
            kinds[c] = Kind::Plus;
            break;
        case MatcherCharacter::Beyond:
            kinds[c] = Kind::Wide;
            break;
        }
    }
    kinds['<'] = Kind::Markup;
    kinds['&'] = Kind::Reference;
    return kinds;
}();

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

using PlainMarkup::equalsLower;
using PlainMarkup::isUtf8;
using PlainMarkup::readsAsAscii;

// Plain bytes are those skipWords passes over: all but digits, '+', '<',
// '&' and the bytes of characters beyond ASCII.
bool isPlain(unsigned char c)
{
    const Kind kind = kKinds[c];
    return kind != Kind::Digit && kind != Kind::Plus && kind != Kind::Markup && kind != Kind::Reference &&
           kind != Kind::Wide;
}

std::size_t nextNotPlain(const unsigned char* bytes, std::size_t at, std::size_t size)
{
#if defined(__SSE2__)
    const __m128i less = _mm_set1_epi8('<');
    const __m128i ampersand = _mm_set1_epi8('&');
    const __m128i plus = _mm_set1_epi8('+');
    const __m128i zero = _mm_set1_epi8('0');
    const __m128i flip = _mm_set1_epi8(char(0x80));
    const __m128i ten = _mm_set1_epi8(char(0x80 + 10));
    for (; at + 16 <= size; at += 16) {
        const __m128i block = _mm_loadu_si128(reinterpret_cast<const __m128i*>(bytes + at));
        const __m128i marks = _mm_or_si128(_mm_or_si128(_mm_cmpeq_epi8(block, less), _mm_cmpeq_epi8(block, ampersand)),
                                           _mm_cmpeq_epi8(block, plus));
        // c - '0' below 10, unsigned, as a signed comparison
        const __m128i digits = _mm_cmplt_epi8(_mm_xor_si128(_mm_sub_epi8(block, zero), flip), ten);
        // The top bit: bytes beyond ASCII.
        const int found = _mm_movemask_epi8(_mm_or_si128(marks, digits)) | _mm_movemask_epi8(block);
        if (found != 0)
            return at + std::size_t(__builtin_ctz(unsigned(found)));
    }
#endif
    while (at < size && isPlain(bytes[at]))
        ++at;
    return at;
}

std::size_t firstBeyondAscii(std::string_view bytes)
{
    const auto found =
        std::find_if(bytes.begin(), bytes.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; });
    return found == bytes.end() ? kNone : std::size_t(found - bytes.begin());
}

class Sieve final : private PlainMarkup::Visitor {
public:
    Sieve(std::string_view html, const ShortestNumber& shortest, PlainMarkup::Visitor* alsoTold)
        : m_html(html), m_shortest(shortest), m_alsoTold(alsoTold)
    {}

    SievedPage run(std::string_view headerCharset)
    {
        // The charset libxml2 decodes the page in (HtmlPushParser): a UTF-8
        // byte-order mark, else the header's charset, else the first
        // <meta> that names one, which counts only for what follows it.
        // Bytes beyond ASCII read otherwise than UTF-8 have the page read
        // whole.
        const bool byteOrderMark = m_html.starts_with("\xef\xbb\xbf");
        m_headerNamesCharset = !headerCharset.empty();
        m_utf8 = byteOrderMark || isUtf8(headerCharset);
        if (!byteOrderMark)
            declareCharset(headerCharset, 0);
        m_firstWide = firstBeyondAscii(m_html);
        if (!PlainMarkup::isPlainText(m_html))
            m_page.readWhole = true;
        const auto* bytes = reinterpret_cast<const unsigned char*>(m_html.data());
        const std::size_t size = m_html.size();
        std::size_t at = byteOrderMark ? 3 : 0;
        m_segmentStart = m_segmentEnd = at;
        while (at < size && !m_page.readWhole) {
            // Outside a run, words pass by at once.
            if (m_start == kNone) {
                skipWords(bytes, at);
                if (at == size)
                    break;
            }
            switch (kKinds[bytes[at]]) {
            case Kind::Space:
                ++m_segmentText;
                ++at;
                break;
            case Kind::Markup:
                markup(at);
                break;
            case Kind::Reference:
                reference(at);
                break;
            case Kind::Wide:
                wide(at);
                break;
            default:
                character(bytes[at], at, at + 1);
                ++at;
                break;
            }
        }
        if (!m_page.readWhole && m_alsoTold)
            m_alsoTold->endOfPage();
        hard(size);
        if (m_firstWide != kNone && !m_utf8)
            m_page.readWhole = true;
        if (m_page.readWhole)
            m_page.windows.clear();
        return std::move(m_page);
    }

private:
    // Passes over text up to a digit, a plus sign, markup, a reference or a
    // character beyond ASCII: what lies between only moves the stretch since
    // the last hard character.
    void skipWords(const unsigned char* bytes, std::size_t& at)
    {
        const std::size_t size = m_html.size();
        // A window waiting for its end ends at the first hard character.
        while (at < size && m_segmentHoldsRun) {
            const Kind kind = kKinds[bytes[at]];
            if (kind == Kind::Soft) {
                ++m_segmentText;
                m_segmentEnd = ++at;
            } else if (kind == Kind::Hard) {
                hard(++at);
            } else {
                return;
            }
        }
        const std::size_t from = at;
        at = nextNotPlain(bytes, at, size);
        std::size_t back = at;
        while (back > from && kKinds[bytes[back - 1]] != Kind::Hard)
            --back;
        if (back > from) {
            m_segmentStart = m_segmentEnd = back;
            m_segmentText = 0;
            m_segmentEndTagsSeen.clear();
            m_segmentTags.clear();
            m_segmentOddTag = false;
        }
        const std::size_t low = std::max(from, m_segmentStart);
        std::size_t last = at;
        while (last > low && kKinds[bytes[last - 1]] == Kind::Space)
            --last;
        if (last > low)
            m_segmentEnd = last;
        m_segmentText += at - low;
    }

    // A charset named at `at`: UTF-8 there counts when no byte beyond ASCII
    // came before; one that reads ASCII alike leaves a page of ASCII as it
    // is; any other has the page read whole.
    void declareCharset(std::string_view charset, std::size_t at)
    {
        if (charset.empty())
            return;
        if (isUtf8(charset)) {
            if (!m_charsetNamed && at < m_firstWide)
                m_utf8 = true;
        } else if (!readsAsAscii(charset)) {
            unsure();
        }
        m_charsetNamed = true;
    }

    // One character of text at [from, to), by the code point it stands for.
    void character(char32_t c, std::size_t from, std::size_t to)
    {
        Kind kind = c < 0x80 ? kKinds[c] : Kind::Joins;
        if (kind == Kind::Markup || kind == Kind::Reference)
            kind = Kind::Hard; // a '<' or '&' of the text
        if (c >= 0x80) {
            // Digits of every script count, as the matcher reads them. Letters
            // end a run, and those of no extension label end a window too;
            // the katakana length mark is a dash to the matcher. Anything else
            // may be punctuation to it.
            if (u_charType(UChar32(c)) == U_DECIMAL_DIGIT_NUMBER)
                kind = Kind::Digit;
            else if (c == 0xFF0B) // full-width plus
                kind = Kind::Plus;
            else if (c == 0x30FC)
                kind = Kind::Joins;
            else if (u_isalpha(UChar32(c)))
                kind = isExtensionLetter(c) ? Kind::Soft : Kind::Hard;
        }
        // An alt text's characters all stand where its tag does.
        m_segmentText += m_inAltText ? 1 : to - from;
        if (kind != Kind::Space && kind != Kind::Hard)
            m_segmentEnd = to;
        switch (kind) {
        case Kind::Digit:
            ++m_digits;
            break;
        case Kind::Plus:
            m_plus = true;
            break;
        case Kind::Joins:
            break;
        case Kind::Space:
            return;
        case Kind::Hard:
            return hard(m_inAltText ? from : to);
        default:
            return endRun();
        }
        if (m_start == kNone)
            m_start = from;
    }

    static bool isExtensionLetter(char32_t c)
    {
        // "доб", "extensión", full-width "ｅｘｔｎ" and "ｉｎｔ"
        return c == 0x434 || c == 0x43E || c == 0x431 || c == 0xF3 || (c >= 0xFF41 && c <= 0xFF5A);
    }

    void endRun()
    {
        if (m_start != kNone && m_digits >= (m_plus ? m_shortest.international : m_shortest.national))
            m_segmentHoldsRun = true;
        m_start = kNone;
        m_digits = 0;
        m_plus = false;
    }

    // A character, ending at `after`, that no match of the matcher spans:
    // the matcher reads what follows as it would from the start of a text, so
    // a window may end before it and start after it.
    void hard(std::size_t after)
    {
        endRun();
        if (m_segmentHoldsRun) {
            // The window ends with its last character: markup after it
            // changes nothing the matcher finds.
            SieveWindow window{m_html.substr(m_segmentStart, m_segmentEnd - m_segmentStart),
                               blockEndTags(m_segmentEnd)};
            window.closesPre = m_windowClosesPre;
            for (SieveEndTag& tag : window.endTags) {
                tag.start -= m_segmentStart;
                tag.end -= m_segmentStart;
            }
            const auto lineEnds = std::count_if(window.endTags.begin(), window.endTags.end(),
                                                [](const SieveEndTag& tag) { return !tag.sameLineEnd; });
            // Each way to read the window is a parse of it (PhoneNumberReader).
            const bool newlines = window.bytes.find_first_of("\r\n") != kNone;
            const std::size_t ways = std::min(std::size_t(lineEnds), kMaxLineEnds + 1) + (newlines ? 1 : 0);
            m_windowBytesRead += window.bytes.size() << ways;
            if (window.bytes.size() > kMaxWindowBytes || m_segmentText > kMaxWindowText ||
                std::size_t(lineEnds) > kMaxLineEnds || window.endTags.size() > kMaxEndTags ||
                m_page.windows.size() == kMaxWindows || m_windowBytesRead > m_html.size() + kMaxWindowBytes ||
                m_segmentOddTag || !tagsReadAlone(m_segmentEnd))
                m_page.readWhole = true;
            else
                m_page.windows.push_back(std::move(window));
            m_segmentHoldsRun = false;
        }
        m_segmentStart = after;
        m_segmentEnd = after;
        m_segmentText = 0;
        m_segmentEndTagsSeen.clear();
        m_segmentOddTag = false;
        m_segmentTags.clear();
    }

    void unsure() { m_page.readWhole = true; }

    // At a '<': markup passes as the text would, joined to what stands
    // around it; a '<' before a space, a digit or the like is text. Markup
    // that is not plainly well formed has the page read whole.
    void markup(std::size_t& at)
    {
        switch (PlainMarkup::pass(m_html, at, *this)) {
        case PlainMarkup::Step::Passed:
            break;
        case PlainMarkup::Step::Text:
            character(U'<', at, at + 1);
            ++at;
            break;
        case PlainMarkup::Step::Unsure:
            unsure();
            break;
        }
    }

    bool startTagNamed(std::string_view name, std::size_t at) override
    {
        if (m_alsoTold)
            m_alsoTold->startTagNamed(name, at);
        // Their content is hidden (PageText) up to where libxml2 takes them
        // to end, which only the whole page tells.
        if (equalsLower(name, "template") || equalsLower(name, "noembed"))
            return false;
        noteTag(name, at, false);
        m_tagStart = at;
        return true;
    }

    void startTag(std::string_view name, std::size_t from, std::size_t to) override
    {
        if (m_alsoTold)
            m_alsoTold->startTag(name, from, to);
        altText(from, to);
        // A block element's start ends the line before it in the page's text,
        // and the matcher reads each line on its own: no match spans the tag.
        // (libxml2 drops a second <html> or <body>, which then ends nothing.)
        if (startsLine(name))
            hard(to);
    }

    void endTag(std::string_view name, std::size_t from, std::size_t to) override
    {
        if (m_alsoTold)
            m_alsoTold->endTag(name, from, to);
        endTagOf(name, from, to);
    }

    // A window parsed on its own reads as the page only while its tags are
    // of the plain kind (WindowTags); one of another kind in the stretch
    // has a window there read whole.
    // Looked at only once a window takes the stretch, which is seldom.
    void noteTag(std::string_view name, std::size_t at, bool end)
    {
        if (m_segmentTags.size() < kMaxWindowTags)
            m_segmentTags.push_back({at, name, end});
        else
            m_segmentOddTag = true;
    }

    // Whether the window up to `end` reads alone as in its page: its tags
    // are of the plain kind, and no end tag of an element opened before it
    // may close a block or a <pre> opened within it (which the page's text
    // would end there, and the window's not).
    bool tagsReadAlone(std::size_t end) const
    {
        std::vector<std::string_view> open;
        for (const SeenTag& tag : m_segmentTags) {
            if (tag.at >= end)
                break;
            if (!isWindowTag(tag.name))
                return false;
            if (!tag.end) {
                if (!equalsLower(tag.name, "br") && !equalsLower(tag.name, "img") && !equalsLower(tag.name, "hr") &&
                    !equalsLower(tag.name, "wbr"))
                    open.push_back(tag.name);
                continue;
            }
            const auto opened = std::find_if(open.rbegin(), open.rend(), [&](std::string_view name) {
                return name.size() == tag.name.size() && equalsLower(name, lowerCopy(tag.name));
            });
            if (opened != open.rend()) {
                open.erase(opened.base() - 1, open.end());
                continue;
            }
            for (std::string_view name : open)
                if (HtmlElements::isBlock(lowerCopy(name)))
                    return false;
        }
        return true;
    }

    static std::string lowerCopy(std::string_view name)
    {
        std::string lower(name);
        for (char& c : lower)
            c = char(c >= 'A' && c <= 'Z' ? c | 0x20 : c);
        return lower;
    }

    static bool startsLine(std::string_view name)
    {
        const std::string lower = lowerCopy(name);
        const std::string_view view = lower;
        return view != "html" && view != "body" && HtmlElements::isBlock(view);
    }

    static bool isWindowTag(std::string_view name) { return HtmlElements::keepsItsPlace(name); }

    // Which end tags are of block elements is looked at only once a window
    // takes the stretch.
    void endTagOf(std::string_view name, std::size_t from, std::size_t to)
    {
        noteTag(name, from, true);
        // Before the window's first character, a line's end changes nothing.
        if (m_segmentEnd == m_segmentStart)
            return;
        if (m_segmentEndTagsSeen.size() < kMaxWindowTags)
            m_segmentEndTagsSeen.push_back({from, to, name, m_segmentEnd});
        else
            m_segmentOddTag = true;
    }

    // The end tags of block elements among those seen, as far as `end`.
    std::vector<SieveEndTag> blockEndTags(std::size_t end)
    {
        m_windowClosesPre = false;
        std::vector<SieveEndTag> tags;
        std::size_t textEndAtLast = kNone;
        for (const SeenEndTag& seen : m_segmentEndTagsSeen) {
            if (seen.to > end)
                continue;
            std::string name = lowerCopy(seen.name);
            // Whether a <pre> ends here is read both ways already (PhoneNumberReader).
            if (name == "pre")
                m_windowClosesPre = true;
            if (name == "pre" || !HtmlElements::isBlock(name))
                continue;
            const bool sameLineEnd = !tags.empty() && seen.textEnd == textEndAtLast;
            tags.push_back({seen.from, seen.to, std::move(name), sameLineEnd});
            textEndAtLast = seen.textEnd;
        }
        return tags;
    }

    // An image's alt text, which the text shows between spaces as far as its
    // first 64 bytes (PageText), read as characters that stand where the tag
    // does, so that windows still begin and end outside tags.
    void altText(std::size_t from, std::size_t to)
    {
        const std::string_view alt = m_alt.substr(0, HtmlElements::kAltTextBytes);
        m_alt = {};
        if (alt.empty())
            return;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(alt.data());
        m_inAltText = true;
        for (std::size_t at = 0; at < alt.size() && !m_page.readWhole;) {
            UChar32 c = 0;
            U8_NEXT(bytes, at, alt.size(), c);
            if (c >= 0)
                character(char32_t(c), from, to);
        }
        m_inAltText = false;
    }

    // The attributes the text takes something from.
    bool attribute(std::string_view tag, std::string_view attribute, std::string_view value) override
    {
        if (m_alsoTold)
            m_alsoTold->attribute(tag, attribute, value);
        if (equalsLower(attribute, "href")) {
            value = PlainMarkup::trimmedBlanks(value);
            const std::string_view scheme = value.substr(0, 4);
            if (equalsLower(scheme, "tel:") || scheme.find('&') != kNone)
                unsure();
        } else if (equalsLower(attribute, "alt") && equalsLower(tag, "img")) {
            // Read once the tag is whole (altText); libxml2 decodes its references.
            if (value.find('&') != kNone)
                return false;
            m_alt = value;
        } else if (equalsLower(tag, "meta") && !m_headerNamesCharset) {
            // The header's charset wins over the page's own.
            std::string decoded;
            const std::optional<std::string_view> charset = PlainMarkup::declaredCharset(attribute, value, decoded);
            if (!charset)
                return false;
            declareCharset(*charset, m_tagStart);
        }
        return !m_page.readWhole;
    }

    // At a '&': a character reference stands for its character, as libxml2
    // reads it; anything else is text.
    void reference(std::size_t& at)
    {
        const std::size_t size = m_html.size();
        std::size_t i = at + 1;
        if (i < size && m_html[i] == '#') {
            const PlainMarkup::NumericReference reference = PlainMarkup::numericReference(m_html, i + 1);
            // Without digits, or naming no character, it vanishes.
            if (PlainMarkup::isXmlChar(reference.code))
                character(reference.code, at, reference.end);
            at = reference.end;
            return;
        }
        // A name must be one libxml2 knows, or else one browsers know (which
        // the page's text reads too), and end in ';'.
        while (i < size && (isLetter(m_html[i]) || (m_html[i] >= '0' && m_html[i] <= '9')))
            ++i;
        if (i > at + 1 && isLetter(m_html[at + 1]) && i < size && m_html[i] == ';') {
            const std::string name(m_html.substr(at + 1, i - at - 1));
            if (const htmlEntityDesc* entity = htmlEntityLookup(reinterpret_cast<const xmlChar*>(name.c_str()))) {
                character(entity->value, at, i + 1);
                at = i + 1;
                return;
            }
            const std::string_view characters = namedCharacters(name);
            if (!characters.empty()) {
                // None of these stands for more than one character a match may hold.
                UChar32 first = 0;
                std::size_t read = 0;
                U8_NEXT(reinterpret_cast<const std::uint8_t*>(characters.data()), read, characters.size(), first);
                character(char32_t(first), at, i + 1);
                at = i + 1;
                return;
            }
        }
        character(U'&', at, at + 1);
        ++at;
    }

    void wide(std::size_t& at)
    {
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(m_html.data());
        std::size_t next = at;
        UChar32 c = 0;
        U8_NEXT(bytes, next, m_html.size(), c);
        if (c < 0)
            return unsure(); // no UTF-8: some other charset, which libxml2 reads otherwise
        character(char32_t(c), at, next);
        at = next;
    }

    std::string_view m_html;
    ShortestNumber m_shortest;
    PlainMarkup::Visitor* m_alsoTold; // told the markup too, if any
    SievedPage m_page;
    bool m_headerNamesCharset = false;
    bool m_charsetNamed = false; // by the header or a <meta>
    bool m_utf8 = false;         // libxml2 reads the page as UTF-8
    std::size_t m_firstWide = kNone;
    std::string_view m_alt; // of the <img> being read
    bool m_inAltText = false;
    std::size_t m_tagStart = 0; // of the start tag being read
    struct SeenTag {
        std::size_t at = 0;
        std::string_view name;
        bool end = false;
    };
    std::vector<SeenTag> m_segmentTags; // the stretch's tags
    bool m_segmentOddTag = false;       // more of them than are looked at
    // The run being read: where it starts, its digits, and whether it holds
    // a plus sign.
    std::size_t m_start = kNone;
    std::size_t m_digits = 0;
    bool m_plus = false;
    // The stretch since the last character no match spans: where it starts,
    // the bytes of text in it, and whether a run in it is long enough.
    std::size_t m_segmentStart = 0;
    std::size_t m_segmentEnd = 0; // after its last character that is no space
    std::size_t m_segmentText = 0;
    bool m_segmentHoldsRun = false;
    // An end tag in the stretch, and where the stretch's text ended then.
    struct SeenEndTag {
        std::size_t from = 0;
        std::size_t to = 0;
        std::string_view name;
        std::size_t textEnd = 0;
    };
    std::vector<SeenEndTag> m_segmentEndTagsSeen;
    bool m_windowClosesPre = false; // set by blockEndTags
    // The bytes the windows' reading parses, all ways counted: beyond the
    // page's own size, parsing it whole costs less.
    std::size_t m_windowBytesRead = 0;
};

} // namespace

SievedPage sievePage(std::string_view html, std::string_view contentType, const ShortestNumber& shortest,
                     PlainMarkup::Visitor* alsoTold)
{
    // What the sieve imitates was checked against one libxml2.
    if constexpr (!HtmlElements::kPlainMarkupMatchesLibxml2)
        return {true, {}};
    const QByteArray charset = HtmlPushParser::headerCharset(contentType);
    return Sieve(html, shortest, alsoTold).run(std::string_view(charset.constData(), std::size_t(charset.size())));
}
