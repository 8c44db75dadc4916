// Measures link extraction on the scanner's HTML corpus, so its throughput can
// be set beside the scanner's: extractPageLinks over the corpus cut into its
// pages, as a crawl meets them, beside libxml2's parse of the same pages
// (parsePageLinks), and over the whole corpus as one document of glued
// pages; then LinkResolver on every link found. Also reports the peak
// resident memory of extracting the whole corpus once.
//
// Usage: bench_links [benchmark options] [CORPUS]
// The corpus is CORPUS, else $VANDRELL_CORPUS, else bench/corpus-64m.html in
// the build tree, which is generated on first use.

#include "CorpusPath.h"
#include "ResidentMemory.h"
#include "core/html/PageLinks.h"
#include "core/web/PageUrl.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

namespace {

const QByteArray kPageUrl = "http://shop.example/catalogue/page.html"; // every link's base

std::string g_corpus;
std::vector<std::string_view> g_pages;
std::vector<QByteArray> g_hrefs;

// The generator starts every page with a doctype.
std::vector<std::string_view> cutIntoPages(std::string_view corpus)
{
    constexpr std::string_view kStart = "<!DOCTYPE html>";
    std::vector<std::string_view> pages;
    std::size_t start = 0;
    while (start < corpus.size()) {
        const std::size_t next = corpus.find(kStart, start + 1);
        const std::size_t end = next == std::string_view::npos ? corpus.size() : next;
        pages.push_back(corpus.substr(start, end - start));
        start = end;
    }
    return pages;
}

void setBytes(benchmark::State& state)
{
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(g_corpus.size()));
}

void extractPerPage(benchmark::State& state)
{
    for (auto _ : state) {
        for (std::string_view page : g_pages)
            benchmark::DoNotOptimize(extractPageLinks(page).hrefs.size());
    }
    setBytes(state);
}

// libxml2's parse on every page, as pages whose markup is not plain are read.
void parsePerPage(benchmark::State& state)
{
    for (auto _ : state) {
        for (std::string_view page : g_pages)
            benchmark::DoNotOptimize(parsePageLinks(page).hrefs.size());
    }
    setBytes(state);
}

void extractWhole(benchmark::State& state)
{
    for (auto _ : state)
        benchmark::DoNotOptimize(extractPageLinks(g_corpus).hrefs.size());
    setBytes(state);
}

void resolveAll(benchmark::State& state)
{
    const LinkResolver resolver(*PageUrl::fromAbsolute(kPageUrl));
    for (auto _ : state) {
        for (const QByteArray& href : g_hrefs)
            benchmark::DoNotOptimize(resolver.resolve(href));
    }
    state.SetItemsProcessed(std::int64_t(state.iterations()) * std::int64_t(g_hrefs.size()));
}

// Keeps the median rate of every benchmark for the summary.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type != Run::RT_Aggregate || run.aggregate_name != "median" || run.error_occurred)
                continue;
            for (const char* counter : {"bytes_per_second", "items_per_second"}) {
                if (auto rate = run.counters.find(counter); rate != run.counters.end())
                    m_rates[run.run_name.function_name] = rate->second.value;
            }
        }
    }

    double rate(const std::string& name) const { return m_rates.count(name) ? m_rates.at(name) : 0.0; }

private:
    std::map<std::string, double> m_rates;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    const std::string path = corpusPath(argc, argv);
    {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        g_corpus = std::move(bytes).str();
    }
    if (g_corpus.empty()) {
        std::fprintf(stderr, "cannot read %s\n", path.c_str());
        return 2;
    }
    g_pages = cutIntoPages(g_corpus);

    const double rssBefore = peakResidentMegabytes();
    g_hrefs = extractPageLinks(g_corpus).hrefs;
    const double rssAfter = peakResidentMegabytes();
    std::size_t perPageLinks = 0;
    for (std::string_view page : g_pages)
        perPageLinks += extractPageLinks(page).hrefs.size();

    benchmark::RegisterBenchmark("links/per-page", extractPerPage)->Repetitions(5)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("links/per-page-parsed", parsePerPage)->Repetitions(5)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("links/whole-corpus", extractWhole)->Repetitions(5)->ReportAggregatesOnly(true);
    benchmark::RegisterBenchmark("links/resolve", resolveAll)->Repetitions(5)->ReportAggregatesOnly(true);
    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\ncorpus: %s (%.1f MiB, %zu pages)\n", path.c_str(), double(g_corpus.size()) / (1 << 20),
                g_pages.size());
    std::printf("links: %zu from the pages one by one, %zu from the whole corpus%s\n", perPageLinks, g_hrefs.size(),
                perPageLinks == g_hrefs.size() ? "" : "  <-- MISMATCH");
    std::printf("extraction, median: %.1f MB/s page by page (parsed: %.1f MB/s), %.1f MB/s as one document\n",
                reporter.rate("links/per-page") / 1e6, reporter.rate("links/per-page-parsed") / 1e6,
                reporter.rate("links/whole-corpus") / 1e6);
    std::printf("resolution, median: %.2f million links/s\n", reporter.rate("links/resolve") / 1e6);
    std::printf("peak RSS: %.1f MiB before (corpus loaded), %.1f MiB after extracting it whole (+%.1f MiB)\n",
                rssBefore, rssAfter, rssAfter - rssBefore);
    return perPageLinks == g_hrefs.size() ? 0 : 1;
}
