// The x86 vector scan kernels, SSSE3 and AVX2. Each classifies a 64-byte
// block with two nibble-table lookups (pshufb), turns the classes into bit
// masks, finds the run ends with the shared mask logic and packs the block's
// digits to the output with a shuffle per 8 bytes. The instruction sets are
// enabled per function, so the rest of the program runs on any x86-64; the
// dispatcher only calls a kernel the processor supports.

#include "core/numbers/PhoneScannerBlock.h"
#include "core/numbers/PhoneScannerKernels.h"

#if defined(__x86_64__) || defined(__i386__)

#include <immintrin.h>

#include <array>
#include <cstdint>

#define VANDRELL_SSSE3 __attribute__((target("ssse3,popcnt")))
#define VANDRELL_SSSE3_INLINE __attribute__((target("ssse3,popcnt"), always_inline)) inline
#define VANDRELL_AVX2 __attribute__((target("avx2,bmi,bmi2,popcnt")))
#define VANDRELL_AVX2_INLINE __attribute__((target("avx2,bmi,bmi2,popcnt"), always_inline)) inline

namespace phonescan {
namespace {

// Entry m holds the positions of the bits set in m, lowest first, plus
// `offset`: the pshufb pattern that moves the selected bytes of the 8-byte
// group starting at `offset` to the front. Unused slots hold 0x80 (plus the
// offset, still with the top bit set), which makes pshufb write zero.
constexpr std::array<std::uint64_t, 256> makePackPatterns(unsigned offset)
{
    std::array<std::uint64_t, 256> patterns{};
    for (unsigned mask = 0; mask < 256; ++mask) {
        std::uint64_t pattern = 0;
        unsigned slot = 0;
        for (unsigned bit = 0; bit < 8; ++bit) {
            if (mask & (1u << bit))
                pattern |= std::uint64_t{bit + offset} << (8 * slot++);
        }
        for (; slot < 8; ++slot)
            pattern |= std::uint64_t{0x80 + offset} << (8 * slot);
        patterns[mask] = pattern;
    }
    return patterns;
}

alignas(64) constexpr std::array<std::uint64_t, 256> kPackLow = makePackPatterns(0);
alignas(64) constexpr std::array<std::uint64_t, 256> kPackHigh = makePackPatterns(8);

// Class bits from the nibble tables: a byte's class is
// lowTable[low nibble] & highTable[high nibble].
constexpr char kDigitBit = char(0x80); // 0x30..0x39; bit 7 so movemask reads it directly
constexpr char kPunctuation2x = 0x01;  // ( ) - .   = 0x28 0x29 0x2D 0x2E
constexpr char kSpaceBit = 0x02;       // 0x20
constexpr char kPunctuation7x = 0x04;  // { }       = 0x7B 0x7D
constexpr int kSpaceShift = 6;         // moves kSpaceBit to bit 7 for movemask

// Packs the bytes of `bytes` selected by the 16-bit `mask` to `out` and
// returns the new end. Writes 8 bytes past the end at most.
VANDRELL_SSSE3_INLINE char* packBytes16(__m128i bytes, unsigned mask, char* out)
{
    const unsigned low = mask & 0xFF;
    const unsigned high = (mask >> 8) & 0xFF;
    // Loaded straight into vector registers, not through general ones.
    const __m128i pattern = _mm_unpacklo_epi64(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kPackLow[low])),
                                               _mm_loadl_epi64(reinterpret_cast<const __m128i*>(&kPackHigh[high])));
    const __m128i packed = _mm_shuffle_epi8(bytes, pattern);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), packed);
    out += __builtin_popcount(low);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(out), _mm_unpackhi_epi64(packed, packed));
    return out + __builtin_popcount(high);
}

VANDRELL_SSSE3_INLINE __m128i classify16(__m128i bytes)
{
    const __m128i lowTable = _mm_setr_epi8(kDigitBit | kSpaceBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit,
                                           kDigitBit, kDigitBit, kDigitBit | kPunctuation2x, kDigitBit | kPunctuation2x,
                                           0, kPunctuation7x, 0, kPunctuation2x | kPunctuation7x, kPunctuation2x, 0);
    const __m128i highTable =
        _mm_setr_epi8(0, 0, kPunctuation2x | kSpaceBit, kDigitBit, 0, 0, 0, kPunctuation7x, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i low = _mm_and_si128(bytes, nibble);
    const __m128i high = _mm_and_si128(_mm_srli_epi16(bytes, 4), nibble);
    return _mm_and_si128(_mm_shuffle_epi8(lowTable, low), _mm_shuffle_epi8(highTable, high));
}

VANDRELL_SSSE3 void scanBlockSsse3(const char* block, std::uint64_t& open, CandidateWriter& writer, Cursor& at)
{
    writer.ensureRoom(at);
    __m128i bytes[4];
    BlockMasks masks{0, 0, 0};
#pragma GCC unroll 4
    for (int part = 0; part < 4; ++part) {
        bytes[part] = _mm_loadu_si128(reinterpret_cast<const __m128i*>(block + 16 * part));
        const __m128i classes = classify16(bytes[part]);
        const auto digits = static_cast<std::uint32_t>(_mm_movemask_epi8(classes));
        const auto spaces = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_slli_epi16(classes, kSpaceShift)));
        const auto none = static_cast<std::uint32_t>(_mm_movemask_epi8(_mm_cmpeq_epi8(classes, _mm_setzero_si128())));
        masks.digits |= std::uint64_t{digits} << (16 * part);
        masks.spaces |= std::uint64_t{spaces} << (16 * part);
        masks.numbers |= std::uint64_t{~(none | spaces) & 0xFFFF} << (16 * part);
    }
    storeEnds(runEnds(masks, open), masks.digits, writer.digitsWritten(at), writer, at);
    if (masks.digits) {
#pragma GCC unroll 4
        for (int part = 0; part < 4; ++part)
            at.digits = packBytes16(bytes[part], static_cast<unsigned>(masks.digits >> (16 * part)), at.digits);
    }
}

VANDRELL_AVX2_INLINE __m256i classify32(__m256i bytes)
{
    const __m256i lowTable = _mm256_setr_epi8(
        kDigitBit | kSpaceBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit,
        kDigitBit | kPunctuation2x, kDigitBit | kPunctuation2x, 0, kPunctuation7x, 0, kPunctuation2x | kPunctuation7x,
        kPunctuation2x, 0, kDigitBit | kSpaceBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit, kDigitBit,
        kDigitBit, kDigitBit | kPunctuation2x, kDigitBit | kPunctuation2x, 0, kPunctuation7x, 0,
        kPunctuation2x | kPunctuation7x, kPunctuation2x, 0);
    const __m256i highTable =
        _mm256_setr_epi8(0, 0, kPunctuation2x | kSpaceBit, kDigitBit, 0, 0, 0, kPunctuation7x, 0, 0, 0, 0, 0, 0, 0, 0,
                         0, 0, kPunctuation2x | kSpaceBit, kDigitBit, 0, 0, 0, kPunctuation7x, 0, 0, 0, 0, 0, 0, 0, 0);
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i low = _mm256_and_si256(bytes, nibble);
    const __m256i high = _mm256_and_si256(_mm256_srli_epi16(bytes, 4), nibble);
    return _mm256_and_si256(_mm256_shuffle_epi8(lowTable, low), _mm256_shuffle_epi8(highTable, high));
}

VANDRELL_AVX2_INLINE std::uint64_t bits(__m256i bytes)
{
    return static_cast<std::uint32_t>(_mm256_movemask_epi8(bytes));
}

VANDRELL_AVX2 void scanBlockAvx2(const char* block, std::uint64_t& open, CandidateWriter& writer, Cursor& at)
{
    writer.ensureRoom(at);
    const __m256i first = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block));
    const __m256i second = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(block + 32));
    const __m256i firstClasses = classify32(first);
    const __m256i secondClasses = classify32(second);
    BlockMasks masks;
    masks.digits = bits(firstClasses) | (bits(secondClasses) << 32);
    masks.spaces = bits(_mm256_slli_epi16(firstClasses, kSpaceShift)) |
                   (bits(_mm256_slli_epi16(secondClasses, kSpaceShift)) << 32);
    const __m256i zero = _mm256_setzero_si256();
    const std::uint64_t none =
        bits(_mm256_cmpeq_epi8(firstClasses, zero)) | (bits(_mm256_cmpeq_epi8(secondClasses, zero)) << 32);
    masks.numbers = ~(none | masks.spaces);
    storeEnds(runEnds(masks, open), masks.digits, writer.digitsWritten(at), writer, at);
    if (masks.digits) {
        const auto digits = masks.digits;
        at.digits = packBytes16(_mm256_castsi256_si128(first), static_cast<unsigned>(digits), at.digits);
        at.digits = packBytes16(_mm256_extracti128_si256(first, 1), static_cast<unsigned>(digits >> 16), at.digits);
        at.digits = packBytes16(_mm256_castsi256_si128(second), static_cast<unsigned>(digits >> 32), at.digits);
        at.digits = packBytes16(_mm256_extracti128_si256(second, 1), static_cast<unsigned>(digits >> 48), at.digits);
    }
}

} // namespace

[[gnu::flatten]] VANDRELL_SSSE3 void scanSsse3(std::string_view bytes, CandidateWriter& writer)
{
    scanBlocks<scanBlockSsse3>(bytes, writer);
}

[[gnu::flatten]] VANDRELL_AVX2 void scanAvx2(std::string_view bytes, CandidateWriter& writer)
{
    scanBlocks<scanBlockAvx2>(bytes, writer);
}

} // namespace phonescan

#endif
