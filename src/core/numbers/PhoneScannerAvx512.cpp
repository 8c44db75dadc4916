// The AVX-512 scan kernel, for processors with VBMI2 (Ice Lake and later,
// Zen 4). A 64-byte block is one register: one two-table byte permute
// classifies it, compress packs its digits in one instruction, and the run
// ends get their digit counts from a prefix sum over the block, compressed to
// the ends' positions, with no loop over the ends.

#include "core/numbers/PhoneScannerBlock.h"
#include "core/numbers/PhoneScannerKernels.h"

#if defined(__x86_64__)

#include <immintrin.h>

#include <array>
#include <cstdint>

#define VANDRELL_AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt")))
#define VANDRELL_AVX512_INLINE                                                                                         \
    __attribute__((target("avx512f,avx512bw,avx512vbmi,avx512vbmi2,bmi,bmi2,popcnt"), always_inline)) inline

namespace phonescan {
namespace {

// Class of each byte below 0x80; bytes from 0x80 on are never number
// characters or spaces.
constexpr std::uint8_t kNumber = 0x01;
constexpr std::uint8_t kSpace = 0x02;
constexpr std::uint8_t kDigit = 0x04;

constexpr std::array<std::uint8_t, 128> makeClassTable()
{
    std::array<std::uint8_t, 128> table{};
    for (char c = '0'; c <= '9'; ++c)
        table[static_cast<unsigned char>(c)] = kNumber | kDigit;
    for (char c : {'.', '-', '(', ')', '{', '}'})
        table[static_cast<unsigned char>(c)] = kNumber;
    table[' '] = kSpace;
    return table;
}

alignas(64) constexpr std::array<std::uint8_t, 128> kClassTable = makeClassTable();

// kShiftIndex[s][i] = i - 2^s: the permute that moves every byte 2^s places
// up, for the prefix sum.
constexpr std::array<std::array<std::uint8_t, 64>, 6> makeShiftIndexes()
{
    std::array<std::array<std::uint8_t, 64>, 6> indexes{};
    for (unsigned step = 0; step < 6; ++step) {
        for (unsigned i = 0; i < 64; ++i)
            indexes[step][i] = static_cast<std::uint8_t>((i - (1u << step)) & 63);
    }
    return indexes;
}

alignas(64) constexpr std::array<std::array<std::uint8_t, 64>, 6> kShiftIndexes = makeShiftIndexes();

// Byte i of the result is the number of digits in bytes 0..i.
VANDRELL_AVX512_INLINE __m512i digitsUpTo(std::uint64_t digits)
{
    __m512i counts = _mm512_maskz_set1_epi8(digits, 1);
#pragma GCC unroll 6
    for (unsigned step = 0; step < 6; ++step) {
        const __m512i index = _mm512_load_si512(kShiftIndexes[step].data());
        const __mmask64 above = ~std::uint64_t{0} << (1u << step);
        counts = _mm512_add_epi8(counts, _mm512_maskz_permutexvar_epi8(above, index, counts));
    }
    return counts;
}

VANDRELL_AVX512_INLINE void storeEndsAvx512(std::uint64_t ends, std::uint64_t digits, std::size_t base,
                                            CandidateWriter& writer, Cursor& at)
{
    if (writer.mayCarry(base)) [[unlikely]] {
        storeEnds(ends, digits, base, writer, at);
        return;
    }
    // A run's end is never a digit, so the count up to it is the count
    // before it. At most 32 ends fit a block: two stores of 16 cover them,
    // and whatever lies past the last end is overwritten later.
    // (The zero-masking forms: GCC 12 warns about the plain ones.)
    const __m512i counts = _mm512_maskz_compress_epi8(ends, digitsUpTo(digits));
    const __m512i first = _mm512_set1_epi32(static_cast<int>(static_cast<std::uint32_t>(base)));
    const __m128i low = _mm512_maskz_extracti32x4_epi32(0xF, counts, 0);
    const __m128i high = _mm512_maskz_extracti32x4_epi32(0xF, counts, 1);
    _mm512_storeu_si512(at.ends, _mm512_add_epi32(first, _mm512_maskz_cvtepu8_epi32(0xFFFF, low)));
    _mm512_storeu_si512(at.ends + 16, _mm512_add_epi32(first, _mm512_maskz_cvtepu8_epi32(0xFFFF, high)));
    at.ends += __builtin_popcountll(ends);
}

VANDRELL_AVX512 void scanBlockAvx512(const char* block, std::uint64_t& open, CandidateWriter& writer, Cursor& at)
{
    writer.ensureRoom(at);
    const __m512i bytes = _mm512_loadu_si512(block);
    const __m512i tableLow = _mm512_load_si512(kClassTable.data());
    const __m512i tableHigh = _mm512_load_si512(kClassTable.data() + 64);
    const __mmask64 ascii = ~_mm512_movepi8_mask(bytes);
    const __m512i classes = _mm512_maskz_permutex2var_epi8(ascii, tableLow, bytes, tableHigh);
    BlockMasks masks;
    masks.digits = _mm512_test_epi8_mask(classes, _mm512_set1_epi8(kDigit));
    masks.numbers = _mm512_test_epi8_mask(classes, _mm512_set1_epi8(kNumber));
    masks.spaces = _mm512_test_epi8_mask(classes, _mm512_set1_epi8(kSpace));
    storeEndsAvx512(runEnds(masks, open), masks.digits, writer.digitsWritten(at), writer, at);
    _mm512_storeu_si512(at.digits, _mm512_maskz_compress_epi8(masks.digits, bytes));
    at.digits += __builtin_popcountll(masks.digits);
}

} // namespace

[[gnu::flatten]] VANDRELL_AVX512 void scanAvx512(std::string_view bytes, CandidateWriter& writer)
{
    scanBlocks<scanBlockAvx512>(bytes, writer);
}

} // namespace phonescan

#endif
