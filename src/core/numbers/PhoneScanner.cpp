// The candidate list's storage, the writer that scan kernels fill it through,
// and ScanPhoneNumbers itself, which picks the fastest kernel the processor
// runs once and then hands every page to it.

#include "core/numbers/PhoneScanner.h"
#include "core/numbers/PhoneScannerKernels.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>
#include <utility>

namespace {

template <typename T> T* resizeBuffer(T* buffer, std::size_t count)
{
    // Digits and offsets are trivially copyable, so realloc may move them,
    // and large buffers grow by remapping pages rather than copying.
    void* grown = std::realloc(buffer, count * sizeof(T));
    if (!grown)
        throw std::bad_alloc();
    return static_cast<T*>(grown);
}

} // namespace

CandidateList::CandidateList(const CandidateList& other)
{
    copyFrom(other);
}

CandidateList::CandidateList(CandidateList&& other) noexcept
    : m_digits(std::exchange(other.m_digits, nullptr)), m_digitCount(std::exchange(other.m_digitCount, 0)),
      m_digitCapacity(std::exchange(other.m_digitCapacity, 0)), m_ends(std::exchange(other.m_ends, nullptr)),
      m_count(std::exchange(other.m_count, 0)), m_endCapacity(std::exchange(other.m_endCapacity, 0)),
      m_carries(std::move(other.m_carries))
{
    other.m_carries.clear();
}

CandidateList& CandidateList::operator=(const CandidateList& other)
{
    if (this != &other)
        copyFrom(other);
    return *this;
}

CandidateList& CandidateList::operator=(CandidateList&& other) noexcept
{
    if (this != &other) {
        release();
        m_digits = std::exchange(other.m_digits, nullptr);
        m_digitCount = std::exchange(other.m_digitCount, 0);
        m_digitCapacity = std::exchange(other.m_digitCapacity, 0);
        m_ends = std::exchange(other.m_ends, nullptr);
        m_count = std::exchange(other.m_count, 0);
        m_endCapacity = std::exchange(other.m_endCapacity, 0);
        m_carries = std::move(other.m_carries);
        other.m_carries.clear();
    }
    return *this;
}

CandidateList::~CandidateList()
{
    release();
}

QString CandidateList::text(std::size_t i) const
{
    const std::string_view d = digits(i);
    return QString::fromLatin1(d.data(), static_cast<qsizetype>(d.size()));
}

QStringList CandidateList::toStringList() const
{
    QStringList list;
    list.reserve(static_cast<qsizetype>(m_count));
    for (std::size_t i = 0; i < m_count; ++i)
        list.append(text(i));
    return list;
}

void CandidateList::clear()
{
    m_digitCount = 0;
    m_count = 0;
    m_carries.clear();
}

bool operator==(const CandidateList& a, const CandidateList& b)
{
    if (a.size() != b.size() || a.allDigits() != b.allDigits())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a.digitCount(i) != b.digitCount(i))
            return false;
    }
    return true;
}

std::size_t CandidateList::carriesUpTo(std::size_t i) const
{
    return static_cast<std::size_t>(std::upper_bound(m_carries.begin(), m_carries.end(), i) - m_carries.begin());
}

void CandidateList::copyFrom(const CandidateList& other)
{
    if (m_digitCapacity < other.m_digitCount) {
        m_digits = resizeBuffer(m_digits, other.m_digitCount);
        m_digitCapacity = other.m_digitCount;
    }
    if (m_endCapacity < other.m_count) {
        m_ends = resizeBuffer(m_ends, other.m_count);
        m_endCapacity = other.m_count;
    }
    if (other.m_digitCount)
        std::memcpy(m_digits, other.m_digits, other.m_digitCount);
    if (other.m_count)
        std::memcpy(m_ends, other.m_ends, other.m_count * sizeof(std::uint32_t));
    m_digitCount = other.m_digitCount;
    m_count = other.m_count;
    m_carries = other.m_carries;
}

void CandidateList::release()
{
    std::free(m_digits);
    std::free(m_ends);
    m_digits = nullptr;
    m_ends = nullptr;
    m_digitCount = m_digitCapacity = m_count = m_endCapacity = 0;
    m_carries.clear();
}

namespace phonescan {

CandidateWriter::CandidateWriter(CandidateList& list, std::size_t inputSize) : m_list(list)
{
    m_list.clear();
    // Pages are mostly markup: an eighth of the bytes being digits and one
    // candidate per 32 bytes covers typical HTML without regrowing.
    reserve({m_list.m_digits, m_list.m_ends}, inputSize / 8 + kDigitRoom, inputSize / 32 + kEndRoom);
}

void CandidateWriter::finish(Cursor at)
{
    m_list.m_digitCount = digitsWritten(at);
    m_list.m_count = static_cast<std::size_t>(at.ends - m_endBase);
}

Cursor CandidateWriter::grow(Cursor at)
{
    const std::size_t digits = digitsWritten(at);
    const std::size_t ends = static_cast<std::size_t>(at.ends - m_endBase);
    return reserve(at, std::max(digits * 2, digits + kDigitRoom), std::max(ends * 2, ends + kEndRoom));
}

Cursor CandidateWriter::reserve(Cursor at, std::size_t digitsNeeded, std::size_t endsNeeded)
{
    const std::size_t digits = static_cast<std::size_t>(at.digits - m_list.m_digits);
    const std::size_t ends = static_cast<std::size_t>(at.ends - m_list.m_ends);
    if (m_list.m_digitCapacity < digitsNeeded) {
        m_list.m_digits = resizeBuffer(m_list.m_digits, digitsNeeded);
        m_list.m_digitCapacity = digitsNeeded;
    }
    if (m_list.m_endCapacity < endsNeeded) {
        m_list.m_ends = resizeBuffer(m_list.m_ends, endsNeeded);
        m_list.m_endCapacity = endsNeeded;
    }
    m_digitBase = m_list.m_digits;
    m_digitLimit = m_digitBase + m_list.m_digitCapacity;
    m_endBase = m_list.m_ends;
    m_endLimit = m_endBase + m_list.m_endCapacity;
    return {m_digitBase + digits, m_endBase + ends};
}

void CandidateWriter::recordCarries(std::size_t index, std::size_t end)
{
    for (; m_carried < (std::uint64_t{end} >> 32); ++m_carried)
        m_list.m_carries.push_back(index);
}

namespace {

using KernelFunction = void (*)(std::string_view, CandidateWriter&);

KernelFunction kernelFunction(Kernel kernel)
{
    switch (kernel) {
#if defined(__x86_64__) || defined(__i386__)
    case Kernel::Ssse3:
        return scanSsse3;
    case Kernel::Avx2:
        return scanAvx2;
#endif
#if defined(__x86_64__)
    case Kernel::Avx512:
        return scanAvx512;
#endif
    default:
        return scanScalar;
    }
}

} // namespace

bool kernelAvailable(Kernel kernel)
{
#if defined(__x86_64__) || defined(__i386__)
    // May run from another file's static initialiser, before the compiler's
    // own start-up code has looked at the processor.
    __builtin_cpu_init();
#endif
    switch (kernel) {
    case Kernel::Scalar:
        return true;
#if defined(__x86_64__) || defined(__i386__)
    case Kernel::Ssse3:
        return __builtin_cpu_supports("ssse3") && __builtin_cpu_supports("popcnt");
    case Kernel::Avx2:
        return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") &&
               __builtin_cpu_supports("popcnt");
#endif
#if defined(__x86_64__)
    case Kernel::Avx512:
        return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
               __builtin_cpu_supports("avx512vbmi") && __builtin_cpu_supports("avx512vbmi2") &&
               __builtin_cpu_supports("bmi") && __builtin_cpu_supports("bmi2") && __builtin_cpu_supports("popcnt");
#endif
    default:
        return false;
    }
}

const char* kernelName(Kernel kernel)
{
    switch (kernel) {
    case Kernel::Scalar:
        return "scalar";
    case Kernel::Ssse3:
        return "ssse3";
    case Kernel::Avx2:
        return "avx2";
    case Kernel::Avx512:
        return "avx512";
    }
    return "unknown";
}

Kernel bestKernel()
{
    static const Kernel best = [] {
        for (Kernel kernel : {Kernel::Avx512, Kernel::Avx2, Kernel::Ssse3}) {
            if (kernelAvailable(kernel))
                return kernel;
        }
        return Kernel::Scalar;
    }();
    return best;
}

void scanWith(Kernel kernel, std::string_view bytes, CandidateList& out)
{
    CandidateWriter writer(out, bytes.size());
    kernelFunction(kernel)(bytes, writer);
}

} // namespace phonescan

CandidateList ScanPhoneNumbers(std::string_view bytes)
{
    CandidateList list;
    ScanPhoneNumbers(bytes, list);
    return list;
}

CandidateList ScanPhoneNumbers(const QString& text)
{
    // Every number character and the space are ASCII, so scanning the UTF-8
    // bytes finds exactly what scanning the characters would.
    return ScanPhoneNumbers(text.toUtf8());
}

CandidateList ScanPhoneNumbers(const QByteArray& bytes)
{
    return ScanPhoneNumbers(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
}

void ScanPhoneNumbers(std::string_view bytes, CandidateList& out)
{
    phonescan::scanWith(phonescan::bestKernel(), bytes, out);
}
