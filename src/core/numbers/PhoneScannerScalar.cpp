// The portable scan kernel: one byte at a time with a class table. It is the
// only kernel on processors without the x86 vector kernels, and it handles
// every page there, so it writes straight into the candidate buffers too.

#include "core/numbers/PhoneScannerKernels.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace phonescan {
namespace {

enum ByteClass : std::uint8_t { Other, Digit, Punctuation, Space };

constexpr std::array<std::uint8_t, 256> makeByteClasses()
{
    std::array<std::uint8_t, 256> classes{};
    for (char c = '0'; c <= '9'; ++c)
        classes[static_cast<unsigned char>(c)] = Digit;
    for (char c : {'.', '-', '(', ')', '{', '}'})
        classes[static_cast<unsigned char>(c)] = Punctuation;
    classes[' '] = Space;
    return classes;
}

constexpr std::array<std::uint8_t, 256> kByteClasses = makeByteClasses();

// A chunk of this many bytes yields at most 64 digits and 32 run ends, which
// the writer's guaranteed room holds.
constexpr std::size_t kChunk = 64;

} // namespace

void scanScalar(std::string_view bytes, CandidateWriter& writer)
{
    Cursor at = writer.cursor();
    bool open = false;
    const char* p = bytes.data();
    const char* const end = p + bytes.size();
    while (p != end) {
        writer.ensureRoom(at);
        const char* const chunkEnd = p + std::min(static_cast<std::size_t>(end - p), kChunk);
        for (; p != chunkEnd; ++p) {
            switch (kByteClasses[static_cast<unsigned char>(*p)]) {
            case Digit:
                *at.digits++ = *p;
                open = true;
                break;
            case Punctuation:
                open = true;
                break;
            case Space:
                break;
            default:
                if (open)
                    writer.pushEnd(at, writer.digitsWritten(at));
                open = false;
                break;
            }
        }
    }
    // The end of the page finishes a run still open.
    if (open) {
        writer.ensureRoom(at);
        writer.pushEnd(at, writer.digitsWritten(at));
    }
    writer.finish(at);
}

} // namespace phonescan
