#include "core/numbers/PhoneNumberReader.h"

#include "core/html/NumberSieve.h"
#include "core/numbers/MatcherCharacters.h"
#include "core/numbers/NumberLabel.h"
#include "core/numbers/NumberShape.h"
#include "core/numbers/ShortestNumber.h"

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>
#include <unicode/uchar.h>
#include <unicode/utf8.h>

#include <QDate>
#include <QString>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <limits>
#include <unordered_set>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberMatch;
using i18n::phonenumbers::PhoneNumberMatcher;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {

// A text with fewer ASCII digits than this, and no character beyond ASCII
// (digits of other scripts), holds no number the matcher accepts.
constexpr std::size_t kMinDigits = 4;
// A line longer than this goes to the matcher in pieces, so that a page of
// one endless line costs time in proportion to its length.
constexpr std::size_t kMaxStretch = 1024;
// A run of digits with only spaces and number punctuation between them, and
// more digits than this, is a table of figures or a page author's attack,
// not numbers written for people: the matcher would try each twenty-digit
// piece of it in turn, at a cost of a page per megabyte and second. Two
// numbers with an extension still fit.
constexpr std::size_t kMaxRunDigits = 40;
// Candidates the matcher may try in one stretch; it tries each at most once.
constexpr int kMaxTries = int(kMaxStretch / 2);
// Places shaped like a number written with letters weighed in one page.
constexpr int kMaxLetterTries = 256;
// The bytes of stretch text remembered with what the matcher found in them.
constexpr std::size_t kMaxRememberedBytes = 1024 * 1024;
// libphonenumber's name for "no region": only international numbers.
const std::string kNoRegion = "ZZ";

const PhoneNumberUtil& util()
{
    return *PhoneNumberUtil::GetInstance();
}

std::string typeName(PhoneNumberUtil::PhoneNumberType type)
{
    switch (type) {
    case PhoneNumberUtil::FIXED_LINE:
        return "fixed_line";
    case PhoneNumberUtil::MOBILE:
        return "mobile";
    case PhoneNumberUtil::FIXED_LINE_OR_MOBILE:
        return "fixed_line_or_mobile";
    case PhoneNumberUtil::TOLL_FREE:
        return "toll_free";
    case PhoneNumberUtil::PREMIUM_RATE:
        return "premium_rate";
    case PhoneNumberUtil::SHARED_COST:
        return "shared_cost";
    case PhoneNumberUtil::VOIP:
        return "voip";
    case PhoneNumberUtil::PERSONAL_NUMBER:
        return "personal_number";
    case PhoneNumberUtil::PAGER:
        return "pager";
    case PhoneNumberUtil::UAN:
        return "uan";
    case PhoneNumberUtil::VOICEMAIL:
        return "voicemail";
    case PhoneNumberUtil::UNKNOWN:
        break;
    }
    return "unknown";
}

FoundNumber found(std::size_t position, std::string text, const PhoneNumber& number)
{
    FoundNumber result;
    result.position = position;
    result.text = std::move(text);
    util().Format(number, PhoneNumberUtil::E164, &result.e164);
    util().GetRegionCodeForNumber(number, &result.region);
    result.type = typeName(util().GetNumberType(number));
    return result;
}

// Written with its country code ("+49 30 ...", "0049 30 ..."), as the
// library reads it.
bool inInternationalForm(const std::string& raw, const std::string& region)
{
    PhoneNumber number;
    return util().ParseAndKeepRawInput(raw, region, &number) == PhoneNumberUtil::NO_PARSING_ERROR &&
           (number.country_code_source() == PhoneNumber::FROM_NUMBER_WITH_PLUS_SIGN ||
            number.country_code_source() == PhoneNumber::FROM_NUMBER_WITH_IDD);
}

// Whether none of the scanner's runs is a blob. (It counts ASCII digits
// only, so whether a stretch holds enough digits of any script is for
// holdsLongEnoughRun to say.)
bool worthMatching(const CandidateList& runs)
{
    std::size_t longest = 0;
    for (std::size_t i = 0; i < runs.size(); ++i)
        longest = std::max(longest, runs.digitCount(i));
    return longest <= kMaxRunDigits;
}

// Whether a run of digits in the stretch is long enough for a number: digits
// joined only by what the matcher lets stand between a number's digits
// (spaces, its punctuation, "x"), and, to be safe, any character beyond ASCII
// that is not a digit itself. Digits are those of any script, as the matcher
// reads them; '+' and the full-width plus anywhere in a run allow the
// international form.
bool holdsLongEnoughRun(std::string_view stretch, const ShortestNumber& shortest)
{
    std::size_t digits = 0;
    bool plus = false;
    for (std::size_t at = 0; at < stretch.size();) {
        const char c = stretch[at];
        if (static_cast<unsigned char>(c) >= 0x80) {
            UChar32 wide = 0;
            U8_NEXT(reinterpret_cast<const std::uint8_t*>(stretch.data()), at, stretch.size(), wide);
            if (u_charType(wide) == U_DECIMAL_DIGIT_NUMBER)
                ++digits;
            else if (wide == 0xFF0B)
                plus = true;
        } else {
            ++at;
            const MatcherCharacter kind = matcherCharacter(c);
            if (kind == MatcherCharacter::Digit) {
                ++digits;
            } else if (kind == MatcherCharacter::Plus) {
                plus = true;
            } else if (kind != MatcherCharacter::Space && kind != MatcherCharacter::Joins) {
                digits = 0;
                plus = false;
                continue;
            }
        }
        if (digits >= (plus ? shortest.international : shortest.national))
            return true;
    }
    return false;
}

// A key for what is remembered of a text read for a region.
std::string regionAndText(const std::string& region, std::string_view text)
{
    std::string key;
    key.reserve(region.size() + 1 + text.size());
    key.append(region).push_back('\0');
    key.append(text);
    return key;
}

bool isUnbrokenDigits(std::string_view raw)
{
    return std::all_of(raw.begin(), raw.end(), [](char c) { return c >= '0' && c <= '9'; });
}

bool isDate(const std::string& raw)
{
    const QString text = QString::fromStdString(raw);
    for (const char* format : {"dd.MM.yyyy", "d.M.yyyy", "yyyy-MM-dd", "dd/MM/yyyy", "MM/dd/yyyy", "dd-MM-yyyy",
                               "yyyy.MM.dd", "yyyy/MM/dd", "yyyyMMdd", "ddMMyyyy"}) {
        if (QDate::fromString(text, QString::fromLatin1(format)).isValid())
            return true;
    }
    return false;
}

// Where the stretch that starts at `from` on a long line ends: after a
// character in its second half that no match holds, so that the cut changes
// nothing the matcher finds, or else at a character's boundary.
std::size_t stretchEnd(std::string_view line, std::size_t from)
{
    if (line.size() - from <= kMaxStretch)
        return line.size();
    const std::size_t limit = from + kMaxStretch;
    for (std::size_t at = limit; at > from + kMaxStretch / 2; --at) {
        if (noMatchSpans(line[at - 1]))
            return at;
    }
    std::size_t at = limit;
    while (at > from + 1 && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80)
        --at;
    return at;
}

std::string labelName(const NumberLabel& label)
{
    if (label.kind != NumberLabel::Kind::Phone)
        return {};
    switch (label.word) {
    case LabelKind::Fax:
        return "fax";
    case LabelKind::Mobile:
        return "mobile";
    default:
        return "phone";
    }
}

// Whether a match is a telephone number: a tel: link or a number written in
// international form is one unless an identifier label names it; a time or
// opening hours ("Telefonisch bereikbaar 09.00-17.00") are none; a phone
// label makes one of anything else valid; a shape of dates or references is
// none; an identifier label makes none; and with no label at all, an unbroken
// run of digits or a date is none.
bool isKept(const FoundNumber& number, const NumberLabel& label, bool linked, std::string_view text,
            const std::string& region)
{
    if (label.kind == NumberLabel::Kind::Identifier && label.direct)
        return false;
    if (linked)
        return true;
    if (hasTimeShape(text, number.position, number.text.size()))
        return false;
    if (label.kind == NumberLabel::Kind::Phone)
        return true;
    if (hasNonPhoneShape(text, number.position, number.text.size()))
        return false;
    if (inInternationalForm(number.text, region))
        return true;
    return label.kind == NumberLabel::Kind::None && !isUnbrokenDigits(number.text) && !isDate(number.text);
}

// The number as a tel: link writes it: its href from where libphonenumber
// starts reading, a digit or '+' (or a character beyond ASCII, a full-width
// one), or a '(' before one. What it skipped ("tel:=HYPERLINK(...)&+49...")
// would otherwise open the text field, and a spreadsheet reads a field that
// starts with '=' or '@' as a formula.
std::string writtenInLink(std::string_view href)
{
    href.remove_prefix(std::min<std::size_t>(4, href.size()));
    const auto opens = [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || static_cast<unsigned char>(c) >= 0x80;
    };
    std::size_t start = 0;
    while (start < href.size() && !opens(href[start]) &&
           !(href[start] == '(' && start + 1 < href.size() && opens(href[start + 1])))
        ++start;
    return std::string(href.substr(start));
}

// Where a number written with letters ("1-800-FLOWERS", "(800) GOT-JUNK")
// may start before two capitals at `at`: back over digits, spaces and number
// punctuation, if a digit stands there.
std::size_t letterNumberStart(std::string_view text, std::size_t at)
{
    std::size_t start = at;
    bool digit = false;
    while (start > 0 && at - start < 24 && std::strchr("0123456789 ()+.-", text[start - 1]) && text[start - 1]) {
        --start;
        digit = digit || std::isdigit(static_cast<unsigned char>(text[start]));
    }
    while (start < at && (text[start] == ' ' || text[start] == '-' || text[start] == '.'))
        ++start;
    return digit ? start : at;
}

// Where a number written with letters whose capitals begin at `at` ("800-FL",
// "(800) GO") stands in text, [start, end), or start == end.
struct LetterRun {
    std::size_t start = 0;
    std::size_t letters = 0;
    std::size_t end = 0;
};
// ASCII alone, tested inline: every byte of every page passes here.
constexpr bool isCapital(char c)
{
    return c >= 'A' && c <= 'Z';
}
constexpr bool isFigure(char c)
{
    return c >= '0' && c <= '9';
}

LetterRun letterRunAt(std::string_view text, std::size_t at)
{
    if (at < 2 || at + 1 >= text.size() || !isCapital(text[at]) || !isCapital(text[at + 1]) ||
        (text[at - 1] != ' ' && text[at - 1] != '-') || !(isFigure(text[at - 2]) || text[at - 2] == ')'))
        return {};
    const std::size_t start = letterNumberStart(text, at);
    if (start == at)
        return {};
    std::size_t end = at;
    while (end < text.size() && end - start < 32 && (isCapital(text[end]) || isFigure(text[end]) || text[end] == '-'))
        ++end;
    while (end > at && text[end - 1] == '-')
        --end;
    return {start, at, end};
}

// Whether the run dials a valid number in the region once its letters are
// dialled, from its start or, when figures stand before the number ("Dial
// 311 (212-NEW-YORK)"), from a later word; the run then starts there.
bool dialsValidNumber(std::string_view text, LetterRun& run, const std::string& region, PhoneNumber& number)
{
    for (std::size_t start = run.start; start < run.letters; ++start) {
        const char c = text[start];
        if (start > run.start &&
            (text[start - 1] != ' ' || !(std::isdigit(static_cast<unsigned char>(c)) || c == '(' || c == '+')))
            continue;
        std::string digits(text.substr(start, run.end - start));
        util().ConvertAlphaCharactersInNumber(&digits);
        if (util().Parse(digits, region, &number) == PhoneNumberUtil::NO_PARSING_ERROR &&
            util().IsValidNumber(number)) {
            run.start = start;
            return true;
        }
    }
    return false;
}

// Numbers written with letters where a phone label stands before them. Only
// the first few hundred places shaped like one are weighed: each costs what
// reading a label and parsing a number do, and a page of nothing else is a
// page author's attack.
void readLetterNumbers(const PageText& page, const std::string& region, std::vector<FoundNumber>& kept)
{
    const std::string_view text = page.text;
    std::unordered_set<std::size_t> taken;
    for (const FoundNumber& number : kept)
        taken.insert(number.position);
    int tries = 0;
    for (std::size_t at = 2; at + 1 < text.size() && tries < kMaxLetterTries; ++at) {
        LetterRun run = letterRunAt(text, at);
        if (run.start == run.end || taken.count(run.start))
            continue;
        ++tries;
        const NumberLabel label = labelBefore(page, run.start);
        PhoneNumber number;
        if (label.kind != NumberLabel::Kind::Phone || !dialsValidNumber(text, run, region, number))
            continue;
        kept.push_back(found(run.start, std::string(text.substr(run.start, run.end - run.start)), number));
        kept.back().label = labelName(label);
        taken.insert(run.start);
        at = run.end;
    }
}

// Whether the page's bytes may hold a number written with letters, which
// has too few digits for the sieve's runs: one that dials a valid number,
// or more places shaped like one than are weighed.
bool mayHoldLetterNumber(std::string_view html, const std::string& region)
{
    int tries = 0;
    for (std::size_t at = 2; at + 1 < html.size(); ++at) {
        // Two capitals open a run: where the second byte is none, neither
        // it nor this one does.
        if (!isCapital(html[at + 1])) {
            ++at;
            continue;
        }
        LetterRun run = letterRunAt(html, at);
        if (run.start == run.end)
            continue;
        PhoneNumber number;
        if (++tries > kMaxLetterTries || dialsValidNumber(html, run, region, number))
            return true;
        at = run.end;
    }
    return false;
}

} // namespace

PhoneNumberReader::PhoneNumberReader(Judge judge, Feed feed) : m_judge(judge), m_feed(feed) {}

bool PhoneNumberReader::isKnownRegion(std::string_view code)
{
    return code.size() == 2 && util().GetCountryCodeForRegion(std::string(code)) != 0;
}

void PhoneNumberReader::matchStretch(std::string_view text, std::size_t offset, const std::string& region,
                                     std::vector<FoundNumber>& out)
{
    if (m_feed == Feed::WholeText) {
        PhoneNumberMatcher matcher(util(), std::string(text), region, PhoneNumberMatcher::VALID,
                                   std::numeric_limits<int>::max());
        PhoneNumberMatch match;
        while (matcher.HasNext() && matcher.Next(&match))
            out.push_back(found(offset + std::size_t(match.start()), match.raw_string(), match.number()));
        return;
    }
    // The matcher's answer depends on nothing but the text and the region.
    std::string key = regionAndText(region, text);
    auto seen = m_stretches.find(key);
    if (seen == m_stretches.end()) {
        if (m_stretchBytes + key.size() > kMaxRememberedBytes) {
            m_stretches.clear();
            m_stretchBytes = 0;
        }
        std::vector<FoundNumber> numbers;
        PhoneNumberMatcher matcher(util(), std::string(text), region, PhoneNumberMatcher::VALID, kMaxTries);
        PhoneNumberMatch match;
        while (matcher.HasNext() && matcher.Next(&match))
            numbers.push_back(found(std::size_t(match.start()), match.raw_string(), match.number()));
        m_stretchBytes += key.size();
        seen = m_stretches.emplace(std::move(key), std::move(numbers)).first;
    }
    for (const FoundNumber& number : seen->second) {
        out.push_back(number);
        out.back().position += offset;
    }
}

void PhoneNumberReader::setRegion(const std::string& region)
{
    if (m_shortestRegion == region)
        return;
    m_shortest = shortestNumber(region);
    m_shortestRegion = region;
}

void PhoneNumberReader::findMatches(std::string_view text, const std::string& region, std::vector<FoundNumber>& matches)
{
    if (m_feed == Feed::WholeText)
        return matchStretch(text, 0, region, matches);
    setRegion(region);
    // Digits of other scripts than ASCII's are beyond ASCII.
    ScanPhoneNumbers(text, m_digits);
    if (m_digits.allDigits().size() < kMinDigits &&
        std::none_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) >= 0x80; }))
        return;
    for (std::size_t lineStart = 0; lineStart < text.size();) {
        std::size_t lineEnd = text.find('\n', lineStart);
        if (lineEnd == std::string_view::npos)
            lineEnd = text.size();
        const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
        for (std::size_t from = 0; from < line.size();) {
            const std::size_t to = stretchEnd(line, from);
            const std::string_view stretch = line.substr(from, to - from);
            ScanPhoneNumbers(stretch, m_digits);
            if (worthMatching(m_digits) && holdsLongEnoughRun(stretch, m_shortest))
                matchStretch(stretch, lineStart + from, region, matches);
            from = to;
        }
        lineStart = lineEnd + 1;
    }
}

bool PhoneNumberReader::mayHoldNumbers(std::string_view html, std::string_view contentType,
                                       const std::string& givenRegion, PlainMarkup::Visitor* markupAlsoTold)
{
    const std::string& region = givenRegion.empty() ? kNoRegion : givenRegion;
    setRegion(region);
    const SievedPage sieved = sievePage(html, contentType, m_shortest, markupAlsoTold);
    if (sieved.readWhole)
        return true;
    std::vector<FoundNumber> matches;
    std::string variant;
    for (const SieveWindow& window : sieved.windows) {
        // A site's pages share their header and footer.
        std::string key = regionAndText(region, window.bytes);
        if (m_emptyWindows.count(key))
            continue;
        // Each place in the window where end tags of block elements stand
        // ends a line or not, and the window lies in a <pre> or not: a number
        // found any way has the page read. Where a line ends, the first end
        // tag gets its element opened before the window, and so does a <pre>
        // the window may lie in; the other end tags there, and all where no
        // line ends, are left out.
        std::vector<std::size_t> place; // of each end tag
        for (const SieveEndTag& tag : window.endTags)
            place.push_back(place.empty() ? 0 : place.back() + (tag.sameLineEnd ? 0 : 1));
        const std::size_t places = place.empty() ? 0 : place.back() + 1;
        const bool preMatters = window.closesPre || window.bytes.find_first_of("\r\n") != std::string_view::npos;
        for (bool insidePre : {false, true}) {
            if (insidePre && !preMatters)
                break;
            for (std::size_t ending = 0; ending < (std::size_t(1) << places); ++ending) {
                const auto ends = [&](std::size_t i) {
                    return !window.endTags[i].sameLineEnd && (ending & (std::size_t(1) << place[i]));
                };
                variant.clear();
                // A window that starts with U+FEFF must not read as a byte-order mark.
                if (window.bytes.starts_with("\xef\xbb\xbf"))
                    variant.push_back(' ');
                if (insidePre)
                    variant.append("<pre>");
                for (std::size_t i = window.endTags.size(); i-- > 0;)
                    if (ends(i))
                        variant.append("<").append(window.endTags[i].name).append(">");
                std::size_t from = 0;
                for (std::size_t i = 0; i < window.endTags.size(); ++i) {
                    const SieveEndTag& tag = window.endTags[i];
                    variant.append(window.bytes.substr(from, (ends(i) ? tag.end : tag.start) - from));
                    // A tag left out leaves a comment, lest a character
                    // reference before it run on into the digits after it.
                    if (!ends(i))
                        variant.append("<!---->");
                    from = tag.end;
                }
                variant.append(window.bytes.substr(from));
                findMatches(extractPageText(variant, "text/html; charset=utf-8").text, region, matches);
                if (!matches.empty())
                    return true;
            }
        }
        if (m_emptyWindowBytes + key.size() > kMaxRememberedBytes) {
            m_emptyWindows.clear();
            m_emptyWindowBytes = 0;
        }
        m_emptyWindowBytes += key.size();
        m_emptyWindows.insert(std::move(key));
    }
    return mayHoldLetterNumber(html, region);
}

std::vector<FoundNumber> PhoneNumberReader::read(const PageText& page, const std::string& givenRegion)
{
    const std::string& region = givenRegion.empty() ? kNoRegion : givenRegion;
    const std::string_view text = page.text;
    std::vector<FoundNumber> matches;
    findMatches(text, region, matches);
    if (m_judge == Judge::LibraryAlone)
        return matches;

    // The numbers the page links as tel:, each also found in its link's text or not.
    struct Linked {
        const TelLink* link;
        FoundNumber number;
        bool shown = false;
    };
    std::vector<Linked> linked;
    std::unordered_set<std::string> linkedNumbers;
    for (const TelLink& link : page.telLinks) {
        PhoneNumber number;
        if (util().Parse(link.href, region, &number) != PhoneNumberUtil::NO_PARSING_ERROR ||
            !util().IsValidNumber(number))
            continue;
        linked.push_back({&link, found(link.start, writtenInLink(link.href), number)});
        linkedNumbers.insert(linked.back().number.e164);
    }

    std::vector<FoundNumber> kept;
    for (FoundNumber& number : matches) {
        for (Linked& link : linked) {
            if (number.position >= link.link->start && number.position < link.link->end &&
                number.e164 == link.number.e164)
                link.shown = true;
        }
        const NumberLabel label = labelBefore(page, number.position);
        if (isKept(number, label, linkedNumbers.count(number.e164) > 0, text, region)) {
            number.label = labelName(label);
            kept.push_back(std::move(number));
        }
    }
    readLetterNumbers(page, region, kept);
    for (Linked& link : linked)
        if (!link.shown)
            kept.push_back(std::move(link.number));
    std::stable_sort(kept.begin(), kept.end(),
                     [](const FoundNumber& a, const FoundNumber& b) { return a.position < b.position; });
    return kept;
}
