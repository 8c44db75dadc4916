// Fuzzes link extraction around libxml2's HTML parser, on bytes as any server
// may send them, and the resolution of every link found against a fixed
// page: nothing may crash, leak or trip the sanitizers, and each resolved URL
// must be an absolute http or https URL without a fragment. The first byte
// picks the answer's Content-Type; the page is also read behind 64 KiB of
// spaces, so that it straddles the first chunk's end at a place that byte
// picks. Its links may then differ: libxml2's push
// parser guesses where an unfinished tag ends, and the guess depends on where
// the chunk ends. Where the markup is plain enough to be read without the
// parse, that reading must give what the parse does.

#include "core/html/PageLinks.h"
#include "core/html/PlainPageLinks.h"
#include "core/web/PageUrl.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void expect(bool holds, const char* what, const QByteArray& url)
{
    if (!holds) {
        std::fprintf(stderr, "%s: %s\n", what, url.constData());
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr std::string_view contentTypes[] = {"",
                                                        "text/html; charset=utf-8",
                                                        "text/html; charset=iso-8859-1",
                                                        "text/html; charset=us-ascii",
                                                        "text/html; charset=windows-1252",
                                                        "text/html; charset=shift_jis",
                                                        "text/html; charset=iso-8859-99"};
    static const PageUrl page = *PageUrl::fromAbsolute("https://site.example/dir/page.html?q=1");
    if (size < 1)
        return 0;
    // The first byte picks the Content-Type and where the page straddles the
    // first chunk's end.
    const std::string_view contentType = contentTypes[data[0] % std::size(contentTypes)];
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const PageLinks links = parsePageLinks(bytes, contentType);
    // Nested 512 deep, the parse stops and the plain reading goes on.
    if (const std::optional<PageLinks> plain = readPlainPageLinks(bytes, contentType);
        plain && std::count(bytes.begin(), bytes.end(), '<') <= 512) {
        expect(plain->hrefs == links.hrefs, "links read otherwise than the parse reads them", plain->base);
        expect(plain->base == links.base && plain->nofollow == links.nofollow, "base or robots read otherwise",
               plain->base);
    }
    if (!bytes.empty())
        extractPageLinks(std::string(65540 - data[0] % 64, ' ') + std::string(bytes.substr(1)), contentType);
    const PageUrl base = links.base.isEmpty() ? page : LinkResolver(page).resolve(links.base).value_or(page);
    const LinkResolver resolver(base);
    for (const QByteArray& href : links.hrefs) {
        if (const std::optional<PageUrl> url = resolver.resolve(href)) {
            const QByteArray& request = url->request();
            expect(request.startsWith("http://") || request.startsWith("https://"), "not http or https", request);
            expect(!request.contains('#'), "fragment kept", request);
            expect(url->canonical().startsWith(url->origin()), "canonical form off its origin", url->canonical());
        }
    }
    return 0;
}
