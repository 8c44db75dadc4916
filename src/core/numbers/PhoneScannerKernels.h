#pragma once
// The inside of the phone-number scanner: the writer through which a scan
// kernel fills a CandidateList, and the kernels themselves (a portable one and
// x86 ones chosen by what the processor offers). Tests use this to run every
// kernel the machine supports; the rest of the program calls ScanPhoneNumbers.

#include "core/numbers/PhoneScanner.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace phonescan {

// Where a kernel writes next. Kernels keep it in a local: writes through a
// char pointer could alias anything, so pointers held in the writer would be
// reloaded after every store.
struct Cursor {
    char* digits;
    std::uint32_t* ends;
};

class CandidateWriter {
public:
    // Room a kernel may fill for one 64-byte block without checking: up to 64
    // digits, written with stores that may reach 8 bytes past them, and up to
    // 32 run ends (every second byte), written in fixed-size groups.
    static constexpr std::size_t kDigitRoom = 128;
    static constexpr std::size_t kEndRoom = 64;

    // Empties the list and sizes its buffers for a page of inputSize bytes.
    CandidateWriter(CandidateList& list, std::size_t inputSize);
    CandidateWriter(const CandidateWriter&) = delete;
    CandidateWriter& operator=(const CandidateWriter&) = delete;

    Cursor cursor() const { return {m_digitBase, m_endBase}; }

    void ensureRoom(Cursor& at)
    {
        if (static_cast<std::size_t>(m_digitLimit - at.digits) < kDigitRoom ||
            static_cast<std::size_t>(m_endLimit - at.ends) < kEndRoom) [[unlikely]]
            at = grow(at);
    }

    std::size_t digitsWritten(const Cursor& at) const { return static_cast<std::size_t>(at.digits - m_digitBase); }

    // Whether a block whose digits start at `base` may end a run past the
    // next multiple of 4 GiB digits. If not, a kernel may store its ends
    // directly as 32-bit offsets.
    bool mayCarry(std::size_t base) const { return (std::uint64_t{base + 64} >> 32) != m_carried; }

    // Records a candidate ending after `end` digits of the whole page.
    void pushEnd(Cursor& at, std::size_t end)
    {
        if ((std::uint64_t{end} >> 32) != m_carried) [[unlikely]]
            recordCarries(static_cast<std::size_t>(at.ends - m_endBase), end);
        *at.ends++ = static_cast<std::uint32_t>(end);
    }

    // Hands the written digits and ends over to the list.
    void finish(Cursor at);

private:
    // These take and return cursors by value so that kernels never hand out
    // their cursor's address, which would keep it out of registers.
    Cursor grow(Cursor at);
    Cursor reserve(Cursor at, std::size_t digitsNeeded, std::size_t endsNeeded);
    void recordCarries(std::size_t index, std::size_t end);

    CandidateList& m_list;
    char* m_digitBase = nullptr;
    char* m_digitLimit = nullptr;
    std::uint32_t* m_endBase = nullptr;
    std::uint32_t* m_endLimit = nullptr;
    std::uint64_t m_carried = 0; // multiples of 4 GiB recorded in the list's carries
};

enum class Kernel { Scalar, Ssse3, Avx2, Avx512 };
inline constexpr Kernel kAllKernels[] = {Kernel::Scalar, Kernel::Ssse3, Kernel::Avx2, Kernel::Avx512};

bool kernelAvailable(Kernel kernel);
const char* kernelName(Kernel kernel);
// The fastest kernel this processor runs.
Kernel bestKernel();
// Scans with the given kernel, which must be available.
void scanWith(Kernel kernel, std::string_view bytes, CandidateList& out);

void scanScalar(std::string_view bytes, CandidateWriter& writer);
#if defined(__x86_64__) || defined(__i386__)
void scanSsse3(std::string_view bytes, CandidateWriter& writer);
void scanAvx2(std::string_view bytes, CandidateWriter& writer);
#endif
#if defined(__x86_64__)
void scanAvx512(std::string_view bytes, CandidateWriter& writer);
#endif

} // namespace phonescan
