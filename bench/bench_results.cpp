// The results list at a million rows of "http://host/path - number": appends
// them as the extraction run does, saves them through both save commands and
// copies them all (ticked) through the copy command, on a real window. Prints
// wall time and resident memory next to a plain Qt way of doing the same
// (a QStringList of the rows, a QTextStream save, a joined QString). Exits
// non-zero when over budget: 150 MB for the list, 1 s per save, 2 s for the
// copy.

#include "app/Form1.h"
#include "app/RowListModel.h"
#include "core/fetch/CurlFetcher.h"
#include "platform/QtClipboard.h"

#include "ResidentMemory.h"
#include "ScriptedDialogs.h"
#include "ScriptedFileDialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QTextStream>

#include <cstdio>
#include <functional>
#include <string>

namespace {
constexpr int rowTotal = 1'000'000;
constexpr double listBudgetMegabytes = 150;
constexpr double saveBudgetSeconds = 1.0;
constexpr double copyBudgetSeconds = 2.0;

double seconds(const std::function<void()>& work)
{
    QElapsedTimer timer;
    timer.start();
    work();
    return double(timer.nsecsElapsed()) / 1e9;
}

// The same URL and number mix every run: a few hundred sites, pages of
// varied depth, ten-digit numbers.
void forEachResult(const std::function<void(const std::string& url, const std::string& number)>& use)
{
    std::uint32_t state = 12345;
    std::string url;
    std::string number;
    for (int i = 0; i < rowTotal; ++i) {
        state = state * 1664525u + 1013904223u;
        url = "http://www.site" + std::to_string(state % 400) + ".example.com/";
        for (std::uint32_t depth = (state >> 8) % 3; depth > 0; --depth)
            url += "contacts/";
        url += "page" + std::to_string((state >> 12) % 1000) + ".html";
        number = "555" + std::to_string(1000000 + (state >> 4) % 9000000);
        use(url, number);
    }
}

bool report(const char* what, double value, const char* unit, double budget, double peer)
{
    const bool within = value <= budget;
    std::printf("%-34s %9.3f %s  (budget %g, plain Qt %.3f, ratio %.2f)  %s\n", what, value, unit, budget, peer,
                peer > 0 ? value / peer : 0.0, within ? "ok" : "OVER BUDGET");
    return within;
}
} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    ScriptedDialogs dialogs; // Yes to the overwrite question, OK to the rest
    ScriptedFileDialogs fileDialog;
    QtClipboard clipboard;
    CurlFetcher fetcher; // never asked

    Form1 form(Platform{dialogs, fileDialog, clipboard, fetcher, QApplication::applicationDirPath(), {}});
    form.resultRows()->addColumn(QStringLiteral("Result(s)"));
    form.show();
    QCoreApplication::processEvents();
    QTemporaryDir dir;
    bool ok = true;

    // Peer for memory and the copy: the rows as a QStringList.
    double peerMegabytes = 0;
    QStringList plainRows;
    {
        const double before = residentMegabytes();
        forEachResult([&](const std::string& url, const std::string& number) {
            plainRows << QString::fromStdString(url + " - " + number);
        });
        peerMegabytes = residentMegabytes() - before;
    }

    RowListModel& rows = *form.resultRows();
    const double beforeList = residentMegabytes();
    const double appendSeconds = seconds([&] {
        forEachResult([&](const std::string& url, const std::string& number) { rows.appendUtf8(url, " - ", number); });
        rows.flushAppends(); // the view learns of the rows
        QCoreApplication::processEvents();
    });
    const double listMegabytes = residentMegabytes() - beforeList;
    std::printf("%d rows appended in %.3f s\n", rows.count(), appendSeconds);
    ok &= report("list resident memory", listMegabytes, "MB", listBudgetMegabytes, peerMegabytes);

    const double peerSave = seconds([&] {
        QFile file(dir.filePath(QStringLiteral("plain.txt")));
        (void)file.open(QIODevice::WriteOnly);
        QTextStream out(&file);
        for (const QString& row : plainRows)
            out << row << "\r\n";
    });
    fileDialog.answers << QStringList{dir.filePath(QStringLiteral("results.txt"))}
                       << QStringList{dir.filePath(QStringLiteral("results.csv"))};
    ok &= report("save as text file", seconds([&] { form.PushButton6_Click(); }), "s", saveBudgetSeconds, peerSave);
    ok &=
        report("save as comma delimited", seconds([&] { form.PushButton1_Click(); }), "s", saveBudgetSeconds, peerSave);
    std::printf("files: %lld and %lld bytes\n", QFileInfo(dir.filePath(QStringLiteral("results.txt"))).size(),
                QFileInfo(dir.filePath(QStringLiteral("results.csv"))).size());

    const double tickSeconds = seconds([&] {
        for (int i = 1; i <= rows.count(); ++i)
            rows.setTicked(i, true);
    });
    std::printf("all rows ticked in %.3f s\n", tickSeconds);
    const double peerCopy = seconds([&] { QGuiApplication::clipboard()->setText(plainRows.join(u"\r\n")); });
    ok &= report("copy all ticked to clipboard", seconds([&] { form.PushButton2_Click(); }), "s", copyBudgetSeconds,
                 peerCopy);
    std::printf("clipboard: %lld characters; messages shown: %d (the copied message only)\n",
                qint64(QGuiApplication::clipboard()->text().size()), int(dialogs.messages.size()));
    return ok && dialogs.messages.size() == 1 ? 0 : 1;
}
