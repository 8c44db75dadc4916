// Starts the real program on a virtual X server, with a `ping` stand-in
// first on PATH and settings in a temporary folder, and looks at its window
// and the settings it stored.

#include "TestRegistry.h"
#include "VirtualDisplay.h"

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

class TestProgramStartup : public QObject {
    Q_OBJECT
private:
    VirtualDisplay m_display;

private slots:
    void initTestCase() { QVERIFY2(m_display.isRunning(), "no virtual X server (Xvfb) could be started"); }

    void firstStartShowsTheWindowAndStoresTheOptions()
    {
        QTemporaryDir config;
        const QProcessEnvironment env = m_display.programEnvironment(config.path());
        QProcess program;
        program.setProcessEnvironment(env);
        program.start(qEnvironmentVariable("VANDRELL_BUILD_DIR") + QStringLiteral("/vandrell"), QStringList());
        QVERIFY2(program.waitForStarted(5000), qPrintable(program.errorString()));

        std::optional<QSize> window;
        QElapsedTimer clock;
        clock.start();
        while (!window && clock.elapsed() < 15000 && program.state() == QProcess::Running) {
            QThread::msleep(50);
            window = m_display.windowSize(QStringLiteral("Vandrell"));
        }
        const QByteArray errors = program.readAllStandardError();
        program.kill();
        program.waitForFinished(3000);
        QVERIFY2(window.has_value(), errors.constData());
        QCOMPARE(*window, QSize(536, 624));

        QSettings stored(config.filePath(QStringLiteral("Korrim/Korrim.ini")), QSettings::IniFormat);
        QCOMPARE(stored.value(QStringLiteral("Vandrell/Loads")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.value(QStringLiteral("Vandrell/Phone Length5")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.value(QStringLiteral("Vandrell/Phone Length6")).toString(), QStringLiteral("1"));
        QCOMPARE(stored.childGroups(), QStringList{QStringLiteral("Vandrell")});
    }
};

VANDRELL_TEST(TestProgramStartup)
#include "test_program_startup.moc"
