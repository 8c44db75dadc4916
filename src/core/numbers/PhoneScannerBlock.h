#pragma once
// The part of a vector scan that works on bit masks rather than bytes: given
// which bytes of a 64-byte block are digits, number characters and spaces, it
// finds the bytes that finish a run and records each candidate's end. Shared
// by the vector kernels, which differ only in how they build the masks and
// copy the digits out, as is the loop that feeds them the page block by block.

#include "core/numbers/PhoneScannerKernels.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

namespace phonescan {

// Asks for the input 4 KiB ahead and for the output 1 KiB ahead. On large
// pages the hardware prefetchers alone leave a scan waiting on memory for
// most of its time. The addresses may lie past the buffers, which a prefetch
// allows, so they are computed as integers rather than pointers.
[[gnu::always_inline]] inline void prefetchAhead(const char* input, const Cursor& at)
{
    const auto ahead = [](const void* from, std::size_t bytes) {
        return reinterpret_cast<const void*>(reinterpret_cast<std::uintptr_t>(from) + bytes);
    };
    __builtin_prefetch(ahead(input, 4096));
    __builtin_prefetch(ahead(at.digits, 1024), 1);
    __builtin_prefetch(ahead(at.ends, 1024), 1);
}

// Bit i describes byte i of the block.
struct BlockMasks {
    std::uint64_t digits;  // '0'..'9'
    std::uint64_t numbers; // digits and ".-(){}"
    std::uint64_t spaces;  // ' ', which neither belongs to a run nor ends it
};

// Returns the bytes that finish a run: those that are neither number
// characters nor spaces and whose nearest earlier non-space byte is a number
// character. `open` says whether a run is open across the block edge, on
// entry and on return.
[[gnu::always_inline]] inline std::uint64_t runEnds(const BlockMasks& masks, std::uint64_t& open)
{
    const std::uint64_t breaks = ~(masks.numbers | masks.spaces);
    const std::uint64_t afterNumber = (masks.numbers << 1) | open;
    // A stretch of spaces that starts right after a number character keeps
    // the run open: adding its lowest bit carries through the stretch and
    // lands on the byte just past it.
    const std::uint64_t spaceStarts = masks.spaces & afterNumber;
    std::uint64_t pastSpaces;
    const bool carriedOut = __builtin_add_overflow(masks.spaces, spaceStarts, &pastSpaces);
    open = (masks.numbers >> 63) | static_cast<std::uint64_t>(carriedOut);
    return breaks & (afterNumber | pastSpaces);
}

// Stores the end offset of each run finished in this block. `base` is the
// number of digits before the block.
[[gnu::always_inline]] inline void storeEnds(std::uint64_t ends, std::uint64_t digits, std::size_t base,
                                             CandidateWriter& writer, Cursor& at)
{
    // The digits before a run's end are those below its lowest remaining
    // bit; that bit itself is never a digit, so ends ^ (ends - 1), which
    // includes it, selects them with no bit scan.
    if (writer.mayCarry(base)) [[unlikely]] {
        for (; ends; ends &= ends - 1)
            writer.pushEnd(at, base + static_cast<std::size_t>(__builtin_popcountll(digits & (ends ^ (ends - 1)))));
        return;
    }
    // Four at a time without checking how many are left, which keeps the
    // loop branch predictable. Past the last end the mask is zero and the
    // extra stores fall in the writer's spare room, to be overwritten.
    const auto first = static_cast<std::uint32_t>(base);
    const int count = __builtin_popcountll(ends);
    std::uint32_t* out = at.ends;
    do {
#pragma GCC unroll 4
        for (int i = 0; i < 4; ++i) {
            out[i] = first + static_cast<std::uint32_t>(__builtin_popcountll(digits & (ends ^ (ends - 1))));
            ends &= ends - 1;
        }
        out += 4;
    } while (ends);
    at.ends += count;
}

// One kernel's 64-byte block step: classify, record run ends, pack digits.
using ScanBlock = void (*)(const char* block, std::uint64_t& open, CandidateWriter& writer, Cursor& at);

// The loop every vector kernel runs: whole blocks straight from the page,
// then the last partial block from zero padding. Zero is not a number
// character, so a run still open at the end is finished there. Each kernel's
// driver, compiled for its instruction set, flattens this and its block step
// into one loop (always_inline would be refused: the template itself has no
// instruction set of its own).
template <ScanBlock scanBlock> inline void scanBlocks(std::string_view bytes, CandidateWriter& writer)
{
    Cursor at = writer.cursor();
    std::uint64_t open = 0;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    for (; left >= 64; p += 64, left -= 64) {
        prefetchAhead(p, at);
        scanBlock(p, open, writer, at);
    }
    alignas(64) char padded[64] = {};
    if (left)
        std::memcpy(padded, p, left);
    scanBlock(padded, open, writer, at);
    writer.finish(at);
}

} // namespace phonescan
