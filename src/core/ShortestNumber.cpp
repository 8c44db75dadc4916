#include "core/ShortestNumber.h"

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

// The fewest digits a region's valid number can be written with after its
// country code: its shortest possible length, less the digits its parsing
// rule may add to what was written (an area code added to a number dialled
// locally: "$1" becomes "268$1").
std::size_t shortestWritten(const PhoneMetadata& region)
{
    std::size_t shortest = kNone;
    for (int length : region.general_desc().possible_length())
        if (length > 0)
            shortest = std::min(shortest, std::size_t(length));
    if (shortest == kNone)
        return kNone;
    const std::string& rule = region.national_prefix_transform_rule();
    std::size_t added = 0;
    for (std::size_t at = 0; at < rule.size(); ++at) {
        if (rule[at] == '$')
            ++at; // a group of what was written
        else if (rule[at] >= '0' && rule[at] <= '9')
            ++added;
    }
    return shortest > added ? shortest - added : 1;
}

struct Shortest {
    std::map<int, std::size_t> byCountryCode; // over every region that shares it
    std::size_t international = kNone;
};

Shortest readMetadata()
{
    Shortest result;
    PhoneMetadataCollection collection;
    if (!collection.ParseFromArray(i18n::phonenumbers::metadata_get(), i18n::phonenumbers::metadata_size()))
        return result; // then nothing is ruled out
    for (const PhoneMetadata& region : collection.metadata()) {
        const std::size_t written = shortestWritten(region);
        auto [at, added] = result.byCountryCode.try_emplace(region.country_code(), written);
        if (!added)
            at->second = std::min(at->second, written);
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
    else
        shortest.national = std::min(national->second, kShortestInternationalPrefix + metadata.international);
    return shortest;
}
