// Fuzzes the sieve that spares --region the parse of pages without numbers,
// against the reading it spares: whenever libphonenumber's matcher finds a
// number in a page's text, the sieve must have said to read the page. The
// links its walk of the markup tells must be those a walk of their own reads.
// The first byte picks the Content-Type, the second the region.

#include "core/html/PageText.h"
#include "core/html/PlainPageLinks.h"
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
    PlainLinkReader toldLinks(html, contentType);
    const bool mayHold = reader.mayHoldNumbers(html, contentType, region, &toldLinks);
    if (const std::optional<PageLinks> told = toldLinks.take()) {
        const std::optional<PageLinks> own = readPlainPageLinks(html, contentType);
        if (!own || own->hrefs != told->hrefs || own->base != told->base || own->nofollow != told->nofollow) {
            std::fprintf(stderr, "the sieve's walk told other links than a walk of their own reads\n");
            std::abort();
        }
    }
    if (mayHold)
        return 0;
    const std::vector<FoundNumber> found = reader.read(extractPageText(html, contentType), region);
    if (!found.empty()) {
        std::fprintf(stderr, "the sieve passed over %s (\"%s\") for region \"%s\"\n", found.front().e164.c_str(),
                     found.front().text.c_str(), region.c_str());
        std::abort();
    }
    return 0;
}
