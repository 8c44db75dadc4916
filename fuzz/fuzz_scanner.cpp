// Fuzzes the phone-number scanner: every kernel the processor runs, the
// public entry points and the QString overload must find exactly what a plain
// reading of the rules finds, on any bytes. Lists are reused between inputs,
// as the program reuses them between pages.

#include "ReferenceScanner.h"
#include "core/numbers/PhoneScanner.h"
#include "core/numbers/PhoneScannerKernels.h"

#include <QString>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace {

using reference::Candidates;

void expectSame(const CandidateList& list, const Candidates& expected, const char* what)
{
    bool same = list.size() == expected.size();
    std::string joined;
    for (std::size_t i = 0; same && i < list.size(); ++i) {
        same = list.digits(i) == expected[i] && list.digitCount(i) == expected[i].size();
        joined += expected[i];
    }
    if (!same || list.allDigits() != joined) {
        std::fprintf(stderr, "%s: %zu candidates, expected %zu\n", what, list.size(), expected.size());
        std::abort();
    }
}

void checkBytes(std::string_view bytes)
{
    static CandidateList lists[std::size(phonescan::kAllKernels)];
    static CandidateList reused;

    const Candidates expected = reference::scan(bytes);
    for (std::size_t k = 0; k < std::size(phonescan::kAllKernels); ++k) {
        const phonescan::Kernel kernel = phonescan::kAllKernels[k];
        if (!phonescan::kernelAvailable(kernel))
            continue;
        phonescan::scanWith(kernel, bytes, lists[k]);
        expectSame(lists[k], expected, phonescan::kernelName(kernel));
    }
    ScanPhoneNumbers(bytes, reused);
    expectSame(reused, expected, "ScanPhoneNumbers into a reused list");
    expectSame(ScanPhoneNumbers(bytes), expected, "ScanPhoneNumbers");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    checkBytes(bytes);
    // The same bytes one off their usual alignment, still ending exactly at
    // the end of the allocation.
    if (size > 0)
        checkBytes(bytes.substr(1));

    const QString text = QString::fromUtf8(bytes.data(), static_cast<qsizetype>(bytes.size()));
    const QByteArray utf8 = text.toUtf8();
    expectSame(ScanPhoneNumbers(text),
               reference::scan(std::string_view(utf8.constData(), static_cast<std::size_t>(utf8.size()))),
               "ScanPhoneNumbers(QString)");
    return 0;
}
