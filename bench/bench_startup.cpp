// Start-up time of the real program: from starting the process to its window
// being mapped on a virtual X server, with the online check answered at once
// by a `ping` stand-in. Prints the median of several starts.
//
// usage: bench_startup [STARTS [PROGRAM]]; PROGRAM is the one just built
// unless given, for instance the link an installed package puts in bin.

#include "VirtualDisplay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSize>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <vector>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 15;
    const QString program = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QStringLiteral(VANDRELL_PROGRAM);

    VirtualDisplay display;
    if (!display.isRunning()) {
        std::fprintf(stderr, "Xvfb could not be started\n");
        return 2;
    }
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QTemporaryDir config;
        QProcess vandrell;
        vandrell.setProcessEnvironment(display.programEnvironment(config.path()));
        QElapsedTimer clock;
        clock.start();
        vandrell.start(program, QStringList());
        std::optional<QSize> window;
        while (!window && clock.elapsed() < 10000 && vandrell.state() != QProcess::NotRunning) {
            QThread::msleep(2);
            window = display.windowSize(QStringLiteral("Vandrell"));
        }
        const double ms = double(clock.nsecsElapsed()) / 1e6;
        vandrell.kill();
        vandrell.waitForFinished(3000);
        if (!window) {
            std::fprintf(stderr, "the window never appeared: %s\n", vandrell.readAllStandardError().constData());
            return 2;
        }
        times.push_back(ms);
    }
    // Each poll starts an xwininfo process; its own cost is part of the figure.
    std::sort(times.begin(), times.end());
    std::printf("start-up of %s to window shown (online check stubbed), %d starts:\n", qPrintable(program), runs);
    std::printf("  median %.1f ms, min %.1f ms, max %.1f ms (budget 300 ms)\n", times[times.size() / 2], times.front(),
                times.back());
    return times[times.size() / 2] <= 300 ? 0 : 1;
}
