#include "core/PhoneNumberReader.h"

#include "core/NumberLabel.h"

#include <phonenumbers/phonenumber.pb.h>
#include <phonenumbers/phonenumbermatch.h>
#include <phonenumbers/phonenumbermatcher.h>
#include <phonenumbers/phonenumberutil.h>

#include <QDate>
#include <QString>

#include <algorithm>
#include <limits>
#include <unordered_set>

using i18n::phonenumbers::PhoneNumber;
using i18n::phonenumbers::PhoneNumberMatch;
using i18n::phonenumbers::PhoneNumberMatcher;
using i18n::phonenumbers::PhoneNumberUtil;

namespace {

// Fewer digits than this on a line: no number the matcher accepts fits.
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
// Every number has a group of this many digits at least, once no-break
// spaces are spaces; text where letters or commas cut every digit short
// ("1a1a1a", "a 12, 34, 56") holds none.
constexpr std::size_t kMinRunDigits = 3;
// Candidates the matcher may try in one stretch; it tries each at most once.
constexpr int kMaxTries = int(kMaxStretch / 2);
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

// Whether the scanner's runs leave room for a number, and none is a blob.
bool worthMatching(const CandidateList& runs)
{
    if (runs.allDigits().size() < kMinDigits)
        return false;
    std::size_t longest = 0;
    for (std::size_t i = 0; i < runs.size(); ++i)
        longest = std::max(longest, runs.digitCount(i));
    return longest >= kMinRunDigits && longest <= kMaxRunDigits;
}

// Without a region the library takes only numbers that start with a plus
// sign, '+' or the full-width one (bytes above ASCII).
bool mayHoldPlus(std::string_view stretch)
{
    return std::any_of(stretch.begin(), stretch.end(),
                       [](char c) { return c == '+' || static_cast<unsigned char>(c) >= 0x80; });
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
// letter, tab or semicolon in its second half, where no number goes on, or
// else at a character's boundary.
std::size_t stretchEnd(std::string_view line, std::size_t from)
{
    if (line.size() - from <= kMaxStretch)
        return line.size();
    const std::size_t limit = from + kMaxStretch;
    for (std::size_t at = limit; at > from + kMaxStretch / 2; --at) {
        const char c = line[at - 1];
        if (c == '\t' || c == ';' || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'))
            return at;
    }
    std::size_t at = limit;
    while (at > from + 1 && (static_cast<unsigned char>(line[at]) & 0xC0) == 0x80)
        --at;
    return at;
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
    std::string key;
    key.reserve(region.size() + 1 + text.size());
    key.append(region).push_back('\0');
    key.append(text);
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

std::vector<FoundNumber> PhoneNumberReader::read(const PageText& page, const std::string& givenRegion)
{
    const std::string& region = givenRegion.empty() ? kNoRegion : givenRegion;
    const std::string_view text = page.text;
    std::vector<FoundNumber> matches;
    if (m_feed == Feed::WholeText) {
        matchStretch(text, 0, region, matches);
    } else {
        ScanPhoneNumbers(text, m_digits);
        if (m_digits.allDigits().size() >= kMinDigits) {
            for (std::size_t lineStart = 0; lineStart < text.size();) {
                std::size_t lineEnd = text.find('\n', lineStart);
                if (lineEnd == std::string_view::npos)
                    lineEnd = text.size();
                const std::string_view line = text.substr(lineStart, lineEnd - lineStart);
                for (std::size_t from = 0; from < line.size();) {
                    const std::size_t to = stretchEnd(line, from);
                    const std::string_view stretch = line.substr(from, to - from);
                    ScanPhoneNumbers(stretch, m_digits);
                    if (worthMatching(m_digits) && (region != kNoRegion || mayHoldPlus(stretch)))
                        matchStretch(stretch, lineStart + from, region, matches);
                    from = to;
                }
                lineStart = lineEnd + 1;
            }
        }
    }
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
        std::string written = link.href.substr(4);
        linked.push_back({&link, found(link.start, std::move(written), number)});
        linkedNumbers.insert(linked.back().number.e164);
    }

    std::vector<FoundNumber> kept;
    for (FoundNumber& number : matches) {
        bool keep = linkedNumbers.count(number.e164) > 0;
        for (Linked& link : linked) {
            if (number.position >= link.link->start && number.position < link.link->end &&
                number.e164 == link.number.e164)
                link.shown = true;
        }
        if (!keep) {
            switch (labelBefore(text, number.position)) {
            case NumberLabel::Phone:
                keep = true;
                break;
            case NumberLabel::Identifier:
                break;
            case NumberLabel::None:
                keep = inInternationalForm(number.text, region) ||
                       (!isUnbrokenDigits(number.text) && !isDate(number.text));
                break;
            }
        }
        if (keep)
            kept.push_back(std::move(number));
    }
    for (Linked& link : linked)
        if (!link.shown)
            kept.push_back(std::move(link.number));
    std::stable_sort(kept.begin(), kept.end(),
                     [](const FoundNumber& a, const FoundNumber& b) { return a.position < b.position; });
    return kept;
}
