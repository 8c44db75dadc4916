// Starts the real program on a virtual X server, with a `ping` stand-in
// first on PATH and settings in a temporary folder, and looks at its window
// and the settings it stored.

#include "TestRegistry.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

namespace {
struct WindowInfo {
    int width = 0;
    int height = 0;
};

// Asks the X server about the window titled "Vandrell"; empty while none.
std::optional<WindowInfo> findWindow(const QString& display)
{
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"),
                   {QStringLiteral("-display"), display, QStringLiteral("-name"), QStringLiteral("Vandrell")});
    if (!xwininfo.waitForFinished(5000) || xwininfo.exitCode() != 0)
        return std::nullopt;
    const QString out = QString::fromLocal8Bit(xwininfo.readAllStandardOutput());
    const auto width = QRegularExpression(QStringLiteral("Width: (\\d+)")).match(out);
    const auto height = QRegularExpression(QStringLiteral("Height: (\\d+)")).match(out);
    if (!width.hasMatch() || !height.hasMatch())
        return std::nullopt;
    return WindowInfo{width.captured(1).toInt(), height.captured(1).toInt()};
}
} // namespace

class TestProgramStartup : public QObject {
    Q_OBJECT
private:
    QProcess m_xvfb;
    QString m_display;

private slots:
    void initTestCase()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("Xvfb")).isEmpty())
            QFAIL("Xvfb is not installed (make test installs it)");
        for (int n = 90; n < 140 && m_display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)) ||
                QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            m_xvfb.start(QStringLiteral("Xvfb"),
                         {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                          QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
            m_xvfb.waitForStarted(5000);
            QElapsedTimer clock;
            clock.start();
            while (clock.elapsed() < 5000 && m_xvfb.state() == QProcess::Running &&
                   !QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n)))
                QThread::msleep(20);
            if (m_xvfb.state() == QProcess::Running)
                m_display = QStringLiteral(":%1").arg(n);
        }
        QVERIFY2(!m_display.isEmpty(), "no virtual X server could be started");
    }

    void cleanupTestCase()
    {
        m_xvfb.terminate();
        m_xvfb.waitForFinished(3000);
    }

    void firstStartShowsTheWindowAndStoresTheOptions()
    {
        QTemporaryDir config;
        QTemporaryDir fakeBin;
        QFile ping(fakeBin.filePath(QStringLiteral("ping")));
        QVERIFY(ping.open(QIODevice::WriteOnly));
        ping.write("#!/bin/sh\necho '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.04 ms'\n");
        ping.close();
        ping.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        env.insert(QStringLiteral("PATH"), fakeBin.path() + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(qEnvironmentVariable("VANDRELL_BUILD_DIR") + QStringLiteral("/vandrell"), QStringList());
        QVERIFY2(program.waitForStarted(5000), qPrintable(program.errorString()));

        std::optional<WindowInfo> window;
        QElapsedTimer clock;
        clock.start();
        while (!window && clock.elapsed() < 15000 && program.state() == QProcess::Running) {
            QThread::msleep(50);
            window = findWindow(m_display);
        }
        const QByteArray errors = program.readAllStandardError();
        program.kill();
        program.waitForFinished(3000);
        QVERIFY2(window.has_value(), errors.constData());
        QCOMPARE(window->width, 536);
        QCOMPARE(window->height, 624);

        QSettings stored(config.filePath(QStringLiteral("Korrim/Korrim.ini")), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Vandrell/Loads")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.value(QStringLiteral("Vandrell/Phone Length5")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.value(QStringLiteral("Vandrell/Phone Length6")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.childGroups(), QStringList{QStringLiteral("Vandrell")});
    }
};

VANDRELL_TEST(TestProgramStartup)
#include "test_program_startup.moc"
