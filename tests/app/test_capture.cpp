// Capturing a command's output with real child processes, and the online
// check built on it.

#include "TestRegistry.h"
#include "app/CommandCapture.h"
#include "app/OnlineCheck.h"
#include "platform/AppError.h"

#include <QElapsedTimer>
#include <QTest>

class TestCapture : public QObject {
    Q_OBJECT
private slots:
    void longOutputArrivesWholeAndInOrder()
    {
        // 3000 numbered lines: far more than one 1024-byte chunk.
        const QString output = CaptureCommandOutput(
            QStringLiteral("sh -c \"i=0; while [ $i -lt 3000 ]; do echo line$i; i=$((i+1)); done\""), true, false,
            true);
        const QStringList lines = output.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3000);
        for (int i = 0; i < lines.size(); ++i)
            QCOMPARE(lines[i], QStringLiteral("line") + QString::number(i));
    }

    void channelsFollowTheFlags()
    {
        const QString command = QStringLiteral("sh -c \"echo out; echo err >&2\"");
        QCOMPARE(CaptureCommandOutput(command, true, false, false), QStringLiteral("out\n"));
        QCOMPARE(CaptureCommandOutput(command, false, true, false), QStringLiteral("err\n"));
        const QString both = CaptureCommandOutput(command, true, true, false);
        QVERIFY(both.contains(QLatin1String("out\n")) && both.contains(QLatin1String("err\n")));
        QVERIFY_THROWS_EXCEPTION(AppError, CaptureCommandOutput(command, false, false, false));
    }

    void missingProgram()
    {
        QCOMPARE(CaptureCommandOutput(QStringLiteral("no-such-program-vandrell -x"), true, false, true),
                 QStringLiteral("Failed to create process, check the path of the command line."));
        QCOMPARE(CaptureCommandOutput(QString(), true, false, true), captureStartFailure);
    }

    void deadlineStopsAHangingCommand()
    {
        QElapsedTimer clock;
        clock.start();
        const QString output = CaptureCommandOutput(QStringLiteral("sh -c \"echo started; exec sleep 30\""), true,
                                                    false, true, std::chrono::milliseconds(300));
        QCOMPARE(output, QStringLiteral("started\n"));
        QVERIFY2(clock.elapsed() < 10000, "the command was not stopped at its deadline");
    }

    void replyMarker_data()
    {
        QTest::addColumn<QString>("output");
        QTest::addColumn<bool>("online");
        QTest::newRow("windows reply") << QStringLiteral("Reply from 1.2.3.4: bytes=32 time=5ms TTL=57") << true;
        QTest::newRow("any case") << QStringLiteral("BYTES=32") << true;
        QTest::newRow("linux reply") << QStringLiteral("64 bytes from 1.2.3.4: icmp_seq=1 ttl=57") << true;
        QTest::newRow("linux any case") << QStringLiteral("64 Bytes From host") << true;
        QTest::newRow("timed out") << QStringLiteral("1 packets transmitted, 0 received, 100% packet loss") << false;
        QTest::newRow("unknown host") << QStringLiteral("ping: www.x: Name or service not known") << false;
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("start failure") << captureStartFailure << false;
    }
    void replyMarker()
    {
        QFETCH(QString, output);
        QFETCH(bool, online);
        QCOMPARE(showsPingReply(output), online);
    }
};

VANDRELL_TEST(TestCapture)
#include "test_capture.moc"
