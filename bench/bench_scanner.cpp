// Measures the phone-number scanner on a large HTML corpus: throughput of
// the public entry point (reusing one list, and with a fresh list per page),
// of each kernel the processor runs, and of the shell pipeline that does the
// same job with tr and grep, so the two can be compared on the same bytes.
// Also reports the peak resident memory of scanning the corpus once.
//
// Usage: bench_scanner [benchmark options] [CORPUS]
// The corpus is CORPUS, else $VANDRELL_CORPUS, else bench/corpus-64m.html in
// the build tree, which is generated on first use.

#include "CorpusPath.h"
#include "ResidentMemory.h"
#include "core/numbers/PhoneScanner.h"
#include "core/numbers/PhoneScannerKernels.h"

#include <benchmark/benchmark.h>

#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <string>

namespace {

std::string g_corpus;

void scanReusingList(benchmark::State& state)
{
    CandidateList list;
    for (auto _ : state) {
        ScanPhoneNumbers(g_corpus, list);
        benchmark::DoNotOptimize(list.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(g_corpus.size()));
}

void scanFreshList(benchmark::State& state)
{
    for (auto _ : state) {
        const CandidateList list = ScanPhoneNumbers(g_corpus);
        benchmark::DoNotOptimize(list.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(g_corpus.size()));
}

void scanWithKernel(benchmark::State& state, phonescan::Kernel kernel)
{
    CandidateList list;
    for (auto _ : state) {
        phonescan::scanWith(kernel, g_corpus, list);
        benchmark::DoNotOptimize(list.size());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(g_corpus.size()));
}

void runShell(benchmark::State& state, const std::string& command)
{
    for (auto _ : state) {
        const auto start = std::chrono::steady_clock::now();
        const int status = std::system(command.c_str());
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        if (status == -1 || !WIFEXITED(status) || WEXITSTATUS(status) > 1) {
            state.SkipWithError("pipeline failed");
            break;
        }
        state.SetIterationTime(elapsed.count());
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * static_cast<std::int64_t>(g_corpus.size()));
}

// Keeps the median throughput of every benchmark for the summary.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    MedianReporter() : ConsoleReporter(isatty(STDOUT_FILENO) ? OO_ColorTabular : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" || run.error_occurred)
                continue;
            if (auto rate = run.counters.find("bytes_per_second"); rate != run.counters.end())
                m_bytesPerSecond[run.run_name.function_name] = rate->second.value;
        }
    }

    double bytesPerSecond(const std::string& name) const
    {
        auto found = m_bytesPerSecond.find(name);
        return found == m_bytesPerSecond.end() ? 0.0 : found->second;
    }

private:
    std::map<std::string, double> m_bytesPerSecond;
};

long countOutputLines(const std::string& command)
{
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe)
        return -1;
    long lines = -1;
    if (std::fscanf(pipe, "%ld", &lines) != 1)
        lines = -1;
    pclose(pipe);
    return lines;
}

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::string path = corpusPath(argc, argv);
    {
        // Read at its final size, so that the corpus alone accounts for the
        // memory measured before the scan.
        std::ifstream in(path, std::ios::binary | std::ios::ate);
        const std::streamoff size = in ? static_cast<std::streamoff>(in.tellg()) : -1;
        if (size < 0) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 2;
        }
        g_corpus.resize(static_cast<std::size_t>(size));
        in.seekg(0);
        if (!in.read(g_corpus.data(), size)) {
            std::fprintf(stderr, "cannot read %s\n", path.c_str());
            return 2;
        }
    }
    const double mib = static_cast<double>(g_corpus.size()) / (1 << 20);

    // Peak memory of one scan into a fresh list, on top of the corpus.
    const double rssBefore = peakResidentMegabytes();
    std::size_t candidates = 0;
    std::size_t digits = 0;
    {
        const CandidateList list = ScanPhoneNumbers(g_corpus);
        candidates = list.size();
        digits = list.allDigits().size();
    }
    const double rssAfter = peakResidentMegabytes();

    // The shell pipeline finds the same runs: it prints each one on a line.
    const std::string file = shellQuote(path);
    const std::string grepRuns = "tr -d ' ' < " + file + " | grep -oE '[0-9.(){}-]+'";
    const long pipelineRuns = countOutputLines("LC_ALL=C " + grepRuns + " | wc -l");

    // The pipeline exactly as written. GNU grep notices that its output is
    // /dev/null and stops matching after the first match, only reading the
    // rest of its input, so the pipeline is also timed with its output
    // drained, doing the whole job: in the C locale, its fastest, and in the
    // locale the benchmark was started in.
    const std::string literal = grepRuns + " > /dev/null";
    const std::string drained = "export LC_ALL=C; " + grepRuns + " | cat > /dev/null";
    const std::string drainedHere = grepRuns + " | cat > /dev/null";

    const phonescan::Kernel best = phonescan::bestKernel();
    benchmark::RegisterBenchmark("scan/reused-list", scanReusingList)->Repetitions(15)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("scan/fresh-list", scanFreshList)->Repetitions(15)->ReportAggregatesOnly(true);
    for (auto kernel : phonescan::kAllKernels) {
        if (phonescan::kernelAvailable(kernel) && kernel != best) {
            benchmark::RegisterBenchmark((std::string("scan/kernel:") + phonescan::kernelName(kernel)).c_str(),
                                         scanWithKernel, kernel)
                ->Repetitions(5)
                ->ReportAggregatesOnly(true);
        }
    }
    benchmark::RegisterBenchmark("pipeline/as-written", runShell, literal)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("pipeline/C-locale-drained", runShell, drained)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(5)
        ->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("pipeline/own-locale-drained", runShell, drainedHere)
        ->UseManualTime()
        ->Iterations(1)
        ->Repetitions(3)
        ->ReportAggregatesOnly(true);

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    const double scanRate = reporter.bytesPerSecond("scan/reused-list");
    const double freshRate = reporter.bytesPerSecond("scan/fresh-list");
    const double literalRate = reporter.bytesPerSecond("pipeline/as-written");
    const double drainedRate = reporter.bytesPerSecond("pipeline/C-locale-drained");
    const double drainedHereRate = reporter.bytesPerSecond("pipeline/own-locale-drained");
    const double bytes = static_cast<double>(g_corpus.size());

    std::printf("\ncorpus: %s (%.1f MiB), kernel %s\n", path.c_str(), mib, phonescan::kernelName(best));
    std::printf("candidates: %zu (%zu digits); the pipeline printed %ld runs%s\n", candidates, digits, pipelineRuns,
                pipelineRuns == static_cast<long>(candidates) ? "" : "  <-- MISMATCH");
    std::printf("scan, median: %.2f GB/s reusing the list, %.2f GB/s with a fresh list\n", scanRate / 1e9,
                freshRate / 1e9);
    if (literalRate > 0 && drainedRate > 0 && drainedHereRate > 0 && scanRate > 0) {
        std::printf("pipeline as written, median: %.3f s, scan is %.0fx faster (grep stops matching at the "
                    "first match when writing to /dev/null)\n",
                    bytes / literalRate, scanRate / literalRate);
        std::printf("pipeline in C locale, output drained, median: %.3f s, scan is %.0fx faster\n", bytes / drainedRate,
                    scanRate / drainedRate);
        const char* locale = std::getenv("LC_ALL");
        if (!locale || !*locale)
            locale = std::getenv("LANG");
        std::printf("pipeline in this locale (%s), output drained, median: %.3f s, scan is %.0fx faster\n",
                    locale && *locale ? locale : "C", bytes / drainedHereRate, scanRate / drainedHereRate);
    }
    std::printf("peak RSS: %.1f MiB before the scan (corpus loaded), %.1f MiB after one scan (+%.1f MiB)\n", rssBefore,
                rssAfter, rssAfter - rssBefore);
    return pipelineRuns == static_cast<long>(candidates) ? 0 : 1;
}
