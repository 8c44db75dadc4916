// "Copy Results To Clipboard" on the real window: what lands on the
// clipboard, the message that always follows, the retry against a busy
// clipboard, and the list changing while the copy yields.

#include "FormFixture.h"
#include "ResultsTesting.h"
#include "TestRegistry.h"
#include "app/ReportListView.h"
#include "core/AppError.h"
#include "platform/AppTitle.h"
#include "results/ClipboardExport.h"

#include <QTest>

namespace {
const QString copiedMessage =
    QStringLiteral("Results have been copied to the clipboard.\r\rClick a text area where you "
                   "normally type and press Ctrl+V to paste the clipboard.");

// The message follows every copy, alone, with OK only and the app's title.
void verifyOnlyCopiedMessage(const ScriptedDialogs& dialogs)
{
    QCOMPARE(dialogs.messages.size(), 1);
    QCOMPARE(dialogs.messages.front().text, copiedMessage);
    QCOMPARE(dialogs.messages.front().style, 0);
    QCOMPARE(dialogs.messages.front().title, appTitle());
}

// A clipboard that throws instead of saying no.
class ThrowingClipboard final : public ClipboardAccess {
public:
    int throwsLeft = 0;
    QString text;
    bool clear() override { return setText(QString(), 0); }
    bool setText(const QString& newText, int) override
    {
        if (throwsLeft-- > 0)
            throw AppError(QStringLiteral("Can't open clipboard"));
        text = newText;
        return true;
    }
};
} // namespace

class ClipboardExportTest final : public QObject {
    Q_OBJECT
private slots:
    void copiesTickedRows_data()
    {
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QList<int>>("ticked");
        QTest::addColumn<bool>("secondColumn");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("clipboardCalls");
        QTest::newRow("first and third of three")
            << QStringList{QStringLiteral("12345"), QStringLiteral("678901234"), QStringLiteral("5550100")}
            << QList<int>{1, 3} << false << QStringLiteral("12345\r\n5550100\r\n") << 2;
        QTest::newRow("none ticked: emptied")
            << QStringList{QStringLiteral("12345")} << QList<int>{} << false << QString() << 2;
        QTest::newRow("empty list: untouched")
            << QStringList() << QList<int>{} << false << QStringLiteral("old clipboard text") << 0;
        QTest::newRow("UTF-8 text") << QStringList{QStringLiteral("http://bücher.example/😀 - 5551234")} << QList<int>{1}
                                    << false << QStringLiteral("http://bücher.example/😀 - 5551234\r\n") << 2;
        // A second column keeps the first one's padding, in UTF-16 units.
        QTest::newRow("widths in characters") << QStringList{QStringLiteral("é😀x"), QStringLiteral("ab")}
                                              << QList<int>{1, 2} << true << QStringLiteral("é😀x\t\r\nab  \t\r\n") << 2;
    }

    void copiesTickedRows()
    {
        QFETCH(QStringList, rows);
        QFETCH(QList<int>, ticked);
        QFETCH(bool, secondColumn);
        QFETCH(QString, expected);
        QFETCH(int, clipboardCalls);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        if (secondColumn)
            form.resultRows()->addColumn(QStringLiteral("Extra"));
        addResults(form, rows, ticked);

        form.PushButton2_Click();

        QCOMPARE(fixture.clipboard.text, expected);
        QCOMPARE(fixture.clipboard.clearAttempts + fixture.clipboard.setAttempts, clipboardCalls);
        QCOMPARE(form.resultRows()->count(), rows.size()); // the copy changes nothing in the list
        verifyOnlyCopiedMessage(fixture.dialogs);
    }

    // Failures are shared by the clear and the set, 1000 attempts each.
    void retriesBusyClipboard_data()
    {
        QTest::addColumn<int>("failures");
        QTest::addColumn<int>("clearAttempts");
        QTest::addColumn<int>("setAttempts");
        QTest::addColumn<QString>("expected");
        const QString copied = QStringLiteral("5551234\r\n");
        QTest::newRow("5 failures") << 5 << 6 << 1 << copied;
        QTest::newRow("clear placed at its last attempt") << 999 << 1000 << 1 << copied;
        QTest::newRow("clear gives up, set works") << 1000 << 1000 << 1 << copied;
        QTest::newRow("set placed at its last attempt") << 1999 << 1000 << 1000 << copied;
        QTest::newRow("both give up") << 2000 << 1000 << 1000 << QStringLiteral("old clipboard text");
    }

    void retriesBusyClipboard()
    {
        QFETCH(int, failures);
        QFETCH(int, clearAttempts);
        QFETCH(int, setAttempts);
        QFETCH(QString, expected);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        addResults(form, {QStringLiteral("5551234")}, {1});
        fixture.clipboard.failuresLeft = failures;

        form.PushButton2_Click();

        QCOMPARE(fixture.clipboard.clearAttempts, clearAttempts);
        QCOMPARE(fixture.clipboard.setAttempts, setAttempts);
        QCOMPARE(fixture.clipboard.text, expected);
        QCOMPARE(fixture.clipboard.lastFormat, 0);
        verifyOnlyCopiedMessage(fixture.dialogs); // nothing reported
    }

    void routinesSwallowFailures()
    {
        ThrowingClipboard clipboard;
        clipboard.throwsLeft = 3;
        ClearClipboard(clipboard);
        QCOMPARE(clipboard.throwsLeft, -1);
        clipboard.throwsLeft = 999;
        QVERIFY(SetClipboardText(clipboard, QStringLiteral("placed"), 0));
        QCOMPARE(clipboard.text, QStringLiteral("placed"));
        clipboard.throwsLeft = 1000;
        QVERIFY(!SetClipboardText(clipboard, QStringLiteral("lost"), 0));
        QCOMPARE(clipboard.text, QStringLiteral("placed"));

        FakeClipboard fake;
        QVERIFY(SetClipboardText(fake, QStringLiteral("x"), 7));
        QCOMPARE(fake.lastFormat, 7);
    }

    // The copy does not set the busy pointer, so Delete works while it
    // yields, as does Clear Results.
    void listChangesWhileCopying_data()
    {
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QString>("expected");
        QTest::newRow("Delete row 1") << false << QStringLiteral("222\r\n333\r\n");
        QTest::newRow("Clear Results") << true << QString();
    }

    void listChangesWhileCopying()
    {
        QFETCH(bool, clear);
        QFETCH(QString, expected);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        addResults(form, {QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("333")}, {1, 2, 3});
        form.ListView2->selectRow(1);
        duringNextYield(&form, [&] {
            if (clear)
                form.PushButton9_Click();
            else
                form.ListView2_KeyDown(46, Qt::NoModifier);
        });

        form.PushButton2_Click();

        QCOMPARE(fixture.clipboard.text, expected);
        QCOMPARE(form.resultRows()->count(), clear ? 0 : 2);
        verifyOnlyCopiedMessage(fixture.dialogs);
    }
};

VANDRELL_TEST(ClipboardExportTest)
#include "test_clipboard_export.moc"
