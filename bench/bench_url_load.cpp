// Loads a URL file of a million lines into the URL list, as "Load List Of
// URLs From Text File" does, and prints the wall time, the resident memory
// it took and the peak, next to a plain QTextStream reading of the same file
// into a QStringList for comparison. The file is generated afresh in a
// temporary folder, the same every run. Exits non-zero when over budget:
// 1.5 s and 200 MB resident.

#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "urls/UrlFileLoader.h"

#include "ResidentMemory.h"
#include "ScriptedDialogs.h"
#include "ScriptedFileDialogs.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QTextStream>

#include <algorithm>
#include <cstdio>

namespace {

constexpr int lineCount = 1'000'000;
constexpr double budgetSeconds = 1.5;
constexpr double budgetMegabytes = 200;

// Plausible URLs of varied length, Windows line ends, from a fixed seed.
qint64 writeUrlFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    static const char* const paths[] = {"/contact/", "/about/contact-us.html", "/contacts/contacts.htm",
                                        "/en/customer-service/phone-numbers", "/"};
    std::uint32_t state = 20210831;
    QByteArray block;
    for (int line = 0; line < lineCount; ++line) {
        state = state * 1664525u + 1013904223u;
        block += "http://www.site" + QByteArray::number(state % 100000) + ".example" + paths[(state >> 20) % 5] +
                 "?ref=" + QByteArray::number(line) + "\r\n";
        if (block.size() > (1 << 20)) {
            file.write(block);
            block.clear();
        }
    }
    file.write(block);
    return file.size();
}

} // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("urls.txt"));
    const qint64 bytes = writeUrlFile(path);

    RowListModel rows(false);
    rows.addColumn(QStringLiteral("URL(s)"));
    ReportListView view(&rows);
    view.resize(520, 170);
    view.show();
    QApplication::processEvents();

    ScriptedDialogs dialogs; // no message is expected
    const double residentBefore = residentMegabytes();
    QElapsedTimer timer;
    timer.start();
    LoadUrlFile(rows, path, dialogs);
    QApplication::processEvents(); // the view takes in the new rows and paints
    const double seconds = double(timer.nsecsElapsed()) / 1e9;
    const double residentAfter = residentMegabytes();
    const double peak = peakResidentMegabytes();
    if (rows.count() != lineCount || !dialogs.messages.isEmpty() || view.model()->rowCount() != lineCount) {
        std::fprintf(stderr, "loaded %d rows, %d messages: wrong\n", rows.count(), int(dialogs.messages.size()));
        return 2;
    }

    rows.clear();
    timer.restart();
    QStringList peer;
    {
        QFile file(path);
        file.open(QIODevice::ReadOnly);
        QTextStream in(&file);
        QString line;
        while (in.readLineInto(&line))
            peer << line;
    }
    const double peerSeconds = double(timer.nsecsElapsed()) / 1e9;

    std::printf("URL file: %d lines, %.1f MB\n", lineCount, double(bytes) / (1024.0 * 1024.0));
    std::printf("load into the list: %.3f s (%.0f MB/s), budget %.1f s\n", seconds,
                double(bytes) / (1024.0 * 1024.0) / seconds, budgetSeconds);
    std::printf("resident: %.1f MB before, %.1f MB after (+%.1f MB), peak %.1f MB, budget %.0f MB\n", residentBefore,
                residentAfter, residentAfter - residentBefore, peak, budgetMegabytes);
    std::printf("QTextStream lines into a QStringList: %.3f s; the list load takes %.2fx its time\n", peerSeconds,
                seconds / peerSeconds);
    const bool within = seconds <= budgetSeconds && peak <= budgetMegabytes;
    std::printf("%s\n", within ? "within budget" : "OVER BUDGET");
    return within ? 0 : 1;
}
