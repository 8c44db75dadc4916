// Capturing a command's output with real child processes, and the online
// check built on it.

#include "TestRegistry.h"
#include "app/CommandCapture.h"
#include "app/OnlineCheck.h"
#include "core/AppError.h"

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

    // Output ends when the pipe closes, not when the command exits: what it
    // left running may write later, and a command may close its output and
    // linger. The deadline bounds both.
    void readsUntilThePipeCloses_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<bool>("output");
        QTest::addColumn<int>("deadlineMs");
        QTest::addColumn<QString>("expected");
        QTest::newRow("background writer after exit")
            << QStringLiteral("sh -c \"echo a; (sleep 2; echo b) &\"") << true << 0 << QStringLiteral("a\nb\n");
        QTest::newRow("background writer on the error channel")
            << QStringLiteral("sh -c \"echo a >&2; (sleep 1; echo b >&2) &\"") << false << 0
            << QStringLiteral("a\nb\n");
        QTest::newRow("background writer within the deadline")
            << QStringLiteral("sh -c \"echo a; (sleep 1; echo b) &\"") << true << 5000 << QStringLiteral("a\nb\n");
        QTest::newRow("background writer past the deadline")
            << QStringLiteral("sh -c \"echo a; (sleep 3; echo b) &\"") << true << 500 << QStringLiteral("a\n");
        QTest::newRow("output closed, command lingers")
            << QStringLiteral("sh -c \"echo a; exec >&-; sleep 30\"") << true << 20000 << QStringLiteral("a\n");
    }
    void readsUntilThePipeCloses()
    {
        QFETCH(QString, command);
        QFETCH(bool, output);
        QFETCH(int, deadlineMs);
        QFETCH(QString, expected);
        QElapsedTimer clock;
        clock.start();
        const std::optional<std::chrono::milliseconds> deadline =
            deadlineMs ? std::optional(std::chrono::milliseconds(deadlineMs)) : std::nullopt;
        QCOMPARE(CaptureCommandOutput(command, output, !output, false, deadline), expected);
        QVERIFY2(clock.elapsed() < 10000, "the capture waited on a command that had closed its output");
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
