// The extraction run against distant servers, played by the page server
// (tests/support/page_server.py) answering each request after 100 ms, from
// the button to "Done." with box "10" ticked and the window shown:
//  1. 200 pages of about 32 KB on 8 hosts (127.0.0.1 to 127.0.0.8), against
//     16 curl processes in parallel (xargs -P 16) piped through tr and grep;
//  2. the same 200 pages on one host, against 4 curl processes in parallel;
//  3. memory: a slow first page (3 s) and 64 pages of 16 MiB behind it, then
//     the same with 32 MiB pages, no box that matches ticked; peak resident
//     memory of the whole process. Once over http, once over https through
//     nghttpx, which offers HTTP/2; every page must arrive.
// The pipeline's ten-digit runs must equal the rows the run adds.
// Usage: bench_fetch [CORPUS] (the 64 MiB corpus is generated if absent)

#include "FormFixture.h"
#include "PageServer.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"
#include "core/fetch/CurlFetcher.h"

#include "ResidentMemory.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr int pageCount = 200;
constexpr int rounds = 3;

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

struct RunResult {
    double seconds = 0;
    int rows = 0;
    QStringList messages;
};

RunResult runExtraction(const QStringList& urls, int tickedLength, const CurlFetcher::Limits& limits = {})
{
    CurlFetcher fetcher(limits);
    FormFixture fixture(&fetcher);
    Form1& form = fixture.loaded();
    for (ValueCheckBox* box : form.Check1)
        box->setValue(0);
    form.Check1[std::size_t(tickedLength - 5)]->setValue(1);
    for (const QString& url : urls)
        form.urlRows()->append(url);
    form.show();
    QCoreApplication::processEvents();
    QElapsedTimer clock;
    clock.start();
    form.PushButton7_Click();
    RunResult result{double(clock.nsecsElapsed()) / 1e9, form.resultRows()->count(), fixture.dialogs.texts()};
    if (fixture.dialogs.texts() != QStringList{QStringLiteral("Done.")})
        std::fprintf(stderr, "unexpected messages: %s\n",
                     qPrintable(fixture.dialogs.texts().join(QLatin1String(" | ")).left(2000)));
    return result;
}

const QString runsOf = QStringLiteral(" | tr -d ' ' | grep -oE '[0-9.(){}-]+'");

double runShell(const QString& script, const QStringList& urls, QByteArray* output = nullptr)
{
    QProcess shell;
    QElapsedTimer clock;
    clock.start();
    shell.start(QStringLiteral("sh"), QStringList{QStringLiteral("-c"), script, QStringLiteral("sh")} + urls);
    shell.waitForFinished(-1);
    if (output)
        *output = shell.readAllStandardOutput();
    return double(clock.nsecsElapsed()) / 1e9;
}

void compare(const char* title, const QStringList& urls, int parallel, long expectedRows)
{
    const QString peer = QStringLiteral("printf '%s\\n' \"$@\" | xargs -P %1 -n 1 curl -s").arg(parallel) + runsOf +
                         QStringLiteral(" | cat > /dev/null");
    std::vector<double> ours;
    std::vector<double> theirs;
    int rows = 0;
    for (int round = 0; round < rounds; ++round) {
        theirs.push_back(runShell(peer, urls));
        const RunResult run = runExtraction(urls, 10);
        ours.push_back(run.seconds);
        rows = run.rows;
    }
    std::printf("%s\n  Vandrell median %.3f s (%d rows; the pipeline finds %ld ten-digit runs%s)\n", title,
                median(ours), rows, expectedRows, rows == expectedRows ? "" : " MISMATCH");
    std::printf("  %d curl in parallel | tr | grep | cat median %.3f s: ratio %.2fx (budget <= 1.3x)\n", parallel,
                median(theirs), median(ours) / median(theirs));
}
} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    QApplication app(argc, argv);
    const QString corpus =
        argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral(VANDRELL_BENCH_DIR "/corpus-64m.html");
    if (!QFile::exists(corpus) &&
        QProcess::execute(QStringLiteral(VANDRELL_PYTHON), {QStringLiteral(VANDRELL_CORPUS_SCRIPT), corpus}) != 0)
        return 2;
    // 2,000 pages cut from the 64 MiB corpus are about 32 KB each.
    PageServer server(PageServer::Options{8, true, corpus, 2000, true});
    if (!server.ready())
        return 2;

    // Memory first. With 16 MiB pages the fifteen pages ahead stay under the
    // 256 MiB budget; with 32 MiB pages they would not, so their transfers
    // pause. Over https the pages come from one host, through the front end.
    CurlFetcher::Limits trusting;
    trusting.certificateAuthorities = server.certificate();
    for (const bool https : {false, true}) {
        for (int mebibytes : {16, 32}) {
            QStringList big{server.url(QStringLiteral("/num/5551234567?delay=3000"))};
            for (int i = 0; i < 64; ++i) {
                const QString path = QStringLiteral("/big?mib=%1&n=%2").arg(mebibytes).arg(i);
                big << (https ? server.frontUrl(path) : server.url(path, 1 + i % 8));
            }
            resetPeakResident();
            const double before = residentMegabytes();
            const RunResult memory = runExtraction(big, 20, trusting);
            std::printf("%s: a slow first page and 64 pages of %d MiB: %.2f s, %s, resident before %.0f MiB, "
                        "peak %.0f MiB (budget 400 MB = 381 MiB)\n",
                        https ? "https" : "http", mebibytes, memory.seconds,
                        memory.messages == QStringList{QStringLiteral("Done.")} ? "every page fetched" : "FAILURES",
                        before, peakResidentSinceResetMegabytes());
        }
    }
    const QStringList protocols = server.frontProtocols();
    std::printf("https protocols negotiated with the front end offering h2: %lld http/1.1, %lld h2\n",
                static_cast<long long>(protocols.count(QStringLiteral("http/1.1"))),
                static_cast<long long>(protocols.count(QStringLiteral("h2"))));

    QStringList plain;
    QStringList spread;
    QStringList single;
    for (int i = 0; i < pageCount; ++i) {
        const QString path = QStringLiteral("/corpus/%1").arg(i);
        plain << server.url(path);
        spread << server.url(path + QStringLiteral("?delay=100"), 1 + i % 8);
        single << server.url(path + QStringLiteral("?delay=100&host=1"));
    }
    QByteArray counted;
    runShell(QStringLiteral("curl -s \"$@\"") + runsOf + QStringLiteral(" | tr -d '.(){}-' | grep -cxE '[0-9]{10}'"),
             plain, &counted);
    const long expectedRows = counted.trimmed().toLong();
    compare("200 pages on 8 hosts, 100 ms each:", spread, 16, expectedRows);
    compare("200 pages on 1 host, 100 ms each:", single, 4, expectedRows);
    return 0;
}
