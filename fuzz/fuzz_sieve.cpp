// Fuzzes the sieve that spares --region the parse of pages without numbers,
// against the reading it spares: whenever libphonenumber's matcher finds a
// number in a page's text, the sieve must have said to read the page. The
// first byte picks the Content-Type, the second the region.

#include "core/html/PageText.h"
#include "core/numbers/PhoneNumberReader.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr std::string_view contentTypes[] = {"", "text/html; charset=utf-8", "text/html; charset=iso-8859-1",
                                                        "text/html; charset=shift_jis"};
    static const std::string regions[] = {"DE", "US", "GB", "JP", "FR", "IN", "BR", "AG", ""};
    static PhoneNumberReader reader(PhoneNumberReader::Judge::LibraryAlone);
    if (size < 2)
        return 0;
    const std::string_view contentType = contentTypes[data[0] % std::size(contentTypes)];
    const std::string& region = regions[data[1] % std::size(regions)];
    const std::string_view html(reinterpret_cast<const char*>(data) + 2, size - 2);
    if (reader.mayHoldNumbers(html, contentType, region))
        return 0;
    const std::vector<FoundNumber> found = reader.read(extractPageText(html, contentType), region);
    if (!found.empty()) {
        std::fprintf(stderr, "the sieve passed over %s (\"%s\") for region \"%s\"\n", found.front().e164.c_str(),
                     found.front().text.c_str(), region.c_str());
        std::abort();
    }
    return 0;
}
