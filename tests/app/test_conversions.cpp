// Conversions of stored setting texts and the error trap's report.

#include "ScriptedDialogs.h"
#include "TestRegistry.h"
#include "app/ErrorTrap.h"
#include "app/ValueConversion.h"

#include <QTest>

class TestConversions : public QObject {
    Q_OBJECT
private slots:
    void numericValueReadsLeadingNumber_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<double>("expected");
        QTest::newRow("empty") << QString() << 0.0;
        QTest::newRow("letters") << QStringLiteral("abc") << 0.0;
        QTest::newRow("leading number") << QStringLiteral("1abc") << 1.0;
        QTest::newRow("fraction") << QStringLiteral("1.5") << 1.5;
        QTest::newRow("half") << QStringLiteral("0.5") << 0.5;
        QTest::newRow("negative") << QStringLiteral("-1") << -1.0;
        QTest::newRow("blanks ignored") << QStringLiteral(" 1 2\t3") << 123.0;
        QTest::newRow("exponent") << QStringLiteral("2e3x") << 2000.0;
        QTest::newRow("dangling exponent") << QStringLiteral("7e") << 7.0;
        QTest::newRow("hex") << QStringLiteral("&H1F") << 31.0;
        QTest::newRow("octal") << QStringLiteral("&O17") << 15.0;
        QTest::newRow("second point ends") << QStringLiteral("1.2.3") << 1.2;
        QTest::newRow("lone sign") << QStringLiteral("-") << 0.0;
    }
    void numericValueReadsLeadingNumber()
    {
        QFETCH(QString, text);
        QFETCH(double, expected);
        QCOMPARE(numericValue(text), expected);
    }

    void strictConversions_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("accepted");
        QTest::addColumn<double>("expected");
        QTest::newRow("integer") << QStringLiteral("2") << true << 2.0;
        QTest::newRow("padded") << QStringLiteral(" 3 ") << true << 3.0;
        QTest::newRow("fraction") << QStringLiteral("1.25") << true << 1.25;
        QTest::newRow("exponent") << QStringLiteral("1E2") << true << 100.0;
        QTest::newRow("empty") << QString() << false << 0.0;
        QTest::newRow("trailing letters") << QStringLiteral("1abc") << false << 0.0;
        QTest::newRow("letters") << QStringLiteral("abc") << false << 0.0;
        QTest::newRow("inner blank") << QStringLiteral("1 2") << false << 0.0;
    }
    void strictConversions()
    {
        QFETCH(QString, text);
        QFETCH(bool, accepted);
        QFETCH(double, expected);
        try {
            const double value = toDouble(text);
            QVERIFY2(accepted, "a non-numeric text was accepted");
            QCOMPARE(value, expected);
        } catch (const AppError& error) {
            QVERIFY2(!accepted, qPrintable(error.description()));
            QCOMPARE(error.description(), QStringLiteral("Type mismatch"));
        }
    }

    void integerRoundsHalfToEvenAndOverflows()
    {
        QCOMPARE(toInteger(0.5), std::int16_t(0));
        QCOMPARE(toInteger(1.5), std::int16_t(2));
        QCOMPARE(toInteger(2.5), std::int16_t(2));
        QCOMPARE(toInteger(-1.5), std::int16_t(-2));
        QCOMPARE(toInteger(32767.0), std::int16_t(32767));
        QCOMPARE(toInteger(-32768.0), std::int16_t(-32768));
        for (double tooLarge : {32768.0, 99999.0, -32769.0, 1e300}) {
            try {
                toInteger(tooLarge);
                QFAIL("no overflow reported");
            } catch (const AppError& error) {
                QCOMPARE(error.description(), QStringLiteral("Overflow"));
            }
        }
        QCOMPARE(toInteger(QStringLiteral("1.5")), std::int16_t(2));
    }

    void countsArePlainDecimal()
    {
        QCOMPARE(plainNumberText(1), QStringLiteral("1"));
        QCOMPARE(plainNumberText(123456789), QStringLiteral("123456789"));
        QCOMPARE(plainNumberText(2.5), QStringLiteral("2.5"));
    }

    void errorReportIsExact()
    {
        const QString text =
            ErrorTrap::reportText(QStringLiteral("Type mismatch"), QStringLiteral("Form1.PushButton7_Click"), 120);
        const QString expected =
            QStringLiteral("Type mismatch\r\nin Ostrevan2021/08/31.Form1.PushButton7_Click at line 120"
                           "\r\rPlease email screenshot of this message to ") +
            ErrorTrap::supportAddress();
        QCOMPARE(text, expected);
        QVERIFY(ErrorTrap::supportAddress().contains(QLatin1Char('@')));
    }

    void trapReportsAndContinues()
    {
        ScriptedDialogs dialogs;
        ErrorTrap trap(dialogs, QStringLiteral("Form1.Form_Load"));
        QStringList ran;
        trap.at(100, [&] { ran << QStringLiteral("100"); });
        trap.at(102, [&] { throw AppError(QStringLiteral("Overflow")); });
        trap.at(104, [&] { ran << QStringLiteral("104"); });
        const bool failedTest = trap.test(106, [&]() -> bool { throw AppError(QStringLiteral("Type mismatch")); });
        const bool falseTest = trap.test(108, [] { return false; });
        trap.at(110, [] { throw std::runtime_error("plain failure"); });

        QCOMPARE(ran, QStringList({QStringLiteral("100"), QStringLiteral("104")}));
        QVERIFY2(failedTest, "a failing condition counts as true");
        QVERIFY(!falseTest);
        QCOMPARE(dialogs.messages.size(), 3);
        QCOMPARE(dialogs.messages[0].text,
                 ErrorTrap::reportText(QStringLiteral("Overflow"), QStringLiteral("Form1.Form_Load"), 102));
        QCOMPARE(dialogs.messages[0].style, 48);
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Application Error"));
        QVERIFY(dialogs.messages[1].text.contains(QLatin1String("at line 106")));
        QVERIFY(dialogs.messages[2].text.startsWith(QLatin1String("plain failure\r\n")));
    }
};

VANDRELL_TEST(TestConversions)
#include "test_conversions.moc"
