#include "core/numbers/ShortestNumber.h"

#include <phonenumbers/phonemetadata.pb.h>
#include <phonenumbers/phonenumberutil.h>

#include <algorithm>
#include <limits>
#include <map>

using i18n::phonenumbers::PhoneMetadata;
using i18n::phonenumbers::PhoneMetadataCollection;
using i18n::phonenumbers::PhoneNumberUtil;

// The metadata compiled into libphonenumber, which PhoneNumberUtil reads
// too; libphonenumber exports these but Debian does not install their header.
namespace i18n::phonenumbers {
int metadata_size();
const void* metadata_get();
} // namespace i18n::phonenumbers

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
// Every international prefix has two digits at least ("00", "011", "810");
// a test holds the metadata to it.
constexpr std::size_t kShortestInternationalPrefix = 2;

std::size_t digitCount(int value)
{
    std::size_t count = 1;
    while (value >= 10) {
        value /= 10;
        ++count;
    }
    return count;
}

// A region's shortest possible number after its country code.
std::size_t shortestPossible(const PhoneMetadata& region)
{
    std::size_t shortest = kNone;
    for (int length : region.general_desc().possible_length())
        if (length > 0)
            shortest = std::min(shortest, std::size_t(length));
    return shortest;
}

// The digits a region's parsing rule may add to a number written in it
// without a country code (an area code added to a number dialled locally:
// "$1" becomes "268$1").
std::size_t digitsAddedInParsing(const PhoneMetadata& region)
{
    const std::string& rule = region.national_prefix_transform_rule();
    std::size_t added = 0;
    for (std::size_t at = 0; at < rule.size(); ++at) {
        if (rule[at] == '$')
            ++at; // a group of what was written
        else if (rule[at] >= '0' && rule[at] <= '9')
            ++added;
    }
    return added;
}

// The fewest digits a region's international prefix is dialled with: all of
// them where its pattern is only digits ("011"), else the fewest any has.
std::size_t internationalPrefixDigits(const PhoneMetadata& region)
{
    const std::string& pattern = region.international_prefix();
    if (!pattern.empty() && std::all_of(pattern.begin(), pattern.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::max(pattern.size(), kShortestInternationalPrefix);
    return kShortestInternationalPrefix;
}

std::size_t lessAdded(std::size_t length, std::size_t added)
{
    return length == kNone ? kNone : length > added ? length - added : 1;
}

struct Shortest {
    // The shortest possible number over every region that shares a country
    // code: the region of a number is known only once it is parsed.
    std::map<int, std::size_t> byCountryCode;
    // What a region's own rules allow for numbers written in it.
    struct Rules {
        std::size_t added = 0;
        std::size_t prefixDigits = kShortestInternationalPrefix;
    };
    std::map<std::string, Rules> byRegion;
    std::size_t international = kNone;
};

Shortest readMetadata()
{
    Shortest result;
    PhoneMetadataCollection collection;
    if (!collection.ParseFromArray(i18n::phonenumbers::metadata_get(), i18n::phonenumbers::metadata_size()))
        return result; // then nothing is ruled out
    for (const PhoneMetadata& region : collection.metadata()) {
        const std::size_t possible = shortestPossible(region);
        auto [at, added] = result.byCountryCode.try_emplace(region.country_code(), possible);
        if (!added)
            at->second = std::min(at->second, possible);
        const Shortest::Rules rules{digitsAddedInParsing(region), internationalPrefixDigits(region)};
        result.byRegion[region.id()] = rules;
        // After a plus sign, the rules of the country code's main region
        // apply: any region's, to be safe.
        const std::size_t written = lessAdded(possible, rules.added);
        if (written != kNone)
            result.international = std::min(result.international, digitCount(region.country_code()) + written);
    }
    return result;
}

} // namespace

ShortestNumber shortestNumber(const std::string& region)
{
    static const Shortest metadata = readMetadata();
    ShortestNumber shortest;
    shortest.international = metadata.international == kNone ? 1 : metadata.international;
    const int countryCode = PhoneNumberUtil::GetInstance()->GetCountryCodeForRegion(region);
    const auto national = metadata.byCountryCode.find(countryCode);
    if (countryCode == 0)
        shortest.national = kNone;
    else if (national == metadata.byCountryCode.end() || metadata.international == kNone)
        shortest.national = 1;
    else {
        // A number written without a plus sign is parsed by the region's own
        // rules, or after its international prefix.
        const auto rules = metadata.byRegion.find(region);
        const Shortest::Rules own = rules == metadata.byRegion.end() ? Shortest::Rules{} : rules->second;
        shortest.national = std::min(lessAdded(national->second, own.added), own.prefixDigits + metadata.international);
    }
    return shortest;
}
