// Fuzzes the page text extraction around libxml2's HTML parser, on bytes as
// any server may send them and under a charset from the first byte's choice:
// nothing may crash, leak or trip the sanitizers, the text may not outgrow
// what the page can spell, and each tel: link's stretch lies within the text.

#include "core/html/PageText.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static constexpr std::string_view contentTypes[] = {"",
                                                        "text/html",
                                                        "text/html; charset=utf-8",
                                                        "text/html; charset=iso-8859-1",
                                                        "text/html;charset=\"shift_jis\"",
                                                        "text/html; charset=utf-16",
                                                        "text/html; charset=no-such-charset",
                                                        "text/html; charset=windows-1252"};
    if (size == 0)
        return 0;
    const std::string_view contentType = contentTypes[data[0] % std::size(contentTypes)];
    const std::string_view html(reinterpret_cast<const char*>(data) + 1, size - 1);
    const PageText page = extractPageText(html, contentType);
    // A byte becomes at most a character of 4 bytes; each element adds a line end at most.
    if (page.text.size() > 4 * html.size() + 1) {
        std::fprintf(stderr, "text of %zu bytes from %zu\n", page.text.size(), html.size());
        std::abort();
    }
    for (const TelLink& link : page.telLinks) {
        if (link.start > link.end || link.end > page.text.size() || link.href.size() > 4 * 256) {
            std::fprintf(stderr, "tel: link [%zu, %zu) in %zu\n", link.start, link.end, page.text.size());
            std::abort();
        }
    }
    return 0;
}
