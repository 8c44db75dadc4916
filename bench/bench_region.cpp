// --region's number reading on number-dense pages: the matcher fed only the
// lines the scanner finds digits on (as the harvester runs it) beside the
// matcher over the whole text at once, on the same text with the same
// judgement of the matches; and the text extraction itself. Pages: a staff
// directory (every line a number), and a contact page where one line in four
// holds one, among prices, dates and order numbers.

#include "core/html/PageText.h"
#include "core/numbers/PhoneNumberReader.h"

#include <benchmark/benchmark.h>

#include <string>

namespace {

std::string directoryPage(int people, int everyNth)
{
    std::string html = "<html><body><h1>Kontakt</h1><ul>";
    for (int i = 0; i < people; ++i) {
        const std::string n = std::to_string(1000000 + i * 7);
        if (i % everyNth == 0)
            html +=
                "<li>Abteilung " + std::to_string(i) + ": Tel. <span>030</span> " + n + ", Fax +49 30 " + n + "</li>";
        else
            html += "<li>Lieferung am 12.03.2024, Preis 1.299,00 EUR, Bestellnummer " + n +
                    ", Lieferzeit 3-5 Werktage</li><p>Unsere Beratung hilft Ihnen gern weiter, schreiben Sie uns "
                    "einfach eine Nachricht oder besuchen Sie uns in der Filiale.</p>";
    }
    return html + "</ul></body></html>";
}

void readNumbers(benchmark::State& state, PhoneNumberReader::Feed feed, int everyNth)
{
    const std::string html = directoryPage(2000, everyNth);
    const PageText text = extractPageText(html);
    std::size_t found = 0;
    for (auto _ : state) {
        // A reader of its own each time: what it remembers of one page's
        // lines would make the next reading of the same page free.
        PhoneNumberReader reader(PhoneNumberReader::Judge::Signals, feed);
        found = reader.read(text, "DE").size();
        benchmark::DoNotOptimize(found);
    }
    state.counters["numbers"] = double(found);
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(text.text.size()));
}

void BM_Stretches(benchmark::State& state)
{
    readNumbers(state, PhoneNumberReader::Feed::Stretches, int(state.range(0)));
}
void BM_WholeText(benchmark::State& state)
{
    readNumbers(state, PhoneNumberReader::Feed::WholeText, int(state.range(0)));
}

void BM_PageText(benchmark::State& state)
{
    const std::string html = directoryPage(2000, int(state.range(0)));
    for (auto _ : state)
        benchmark::DoNotOptimize(extractPageText(html).text.size());
    state.SetBytesProcessed(std::int64_t(state.iterations()) * std::int64_t(html.size()));
}

} // namespace

BENCHMARK(BM_Stretches)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_WholeText)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_PageText)->Arg(1)->Arg(4)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
