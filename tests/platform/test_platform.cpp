// The seams' own logic: message text line breaks and the file dialog's
// property style.

#include "ScriptedDialogs.h"
#include "ScriptedFileDialogs.h"
#include "TestRegistry.h"
#include "platform/AppTitle.h"
#include "platform/CommonDialog.h"
#include "platform/QtDialogs.h"

#include <QTest>

class TestPlatform final : public QObject {
    Q_OBJECT
private slots:
    void messageLineBreaks()
    {
        QCOMPARE(QtDialogs::displayText(QStringLiteral("a\r\nb\rc\nd\r\r")), QStringLiteral("a\nb\nc\nd\n\n"));
    }

    void messagesWithoutTitleCarryTheApplicationTitle()
    {
        setAppTitle(QStringLiteral("Vandrell"));
        ScriptedDialogs dialogs;
        dialogs.msgBox(QStringLiteral("Done."));
        dialogs.msgBox(QStringLiteral("x"), 48, QStringLiteral("Application Error"));
        QCOMPARE(dialogs.messages[0].title, QStringLiteral("Vandrell"));
        QCOMPARE(dialogs.messages[1].title, QStringLiteral("Application Error"));
        dialogs.inputBox(QStringLiteral("Enter URL: "));
        QCOMPARE(dialogs.promptTitles, QStringList{QStringLiteral("Vandrell")});
    }

    void fileDialogFilters()
    {
        QCOMPARE(CommonDialog::qtNameFilters(QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*")),
                 QStringList({QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}));
        // A trailing bar adds no empty entry.
        QCOMPARE(CommonDialog::qtNameFilters(QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|")).size(),
                 2);
        QCOMPARE(CommonDialog::qtNameFilters(QStringLiteral("Logs|*.log;*.txt")),
                 QStringList{QStringLiteral("Logs (*.log *.txt)")});
    }

    void fileDialogProperties()
    {
        ScriptedFileDialogs prompt;
        CommonDialog dialog(prompt);
        dialog.FileName = QStringLiteral("before");
        dialog.Flags = CommonDialog::ReadOnly | CommonDialog::AllowMultiSelect | CommonDialog::FileMustExist;
        dialog.DialogTitle = QStringLiteral("Pick");
        dialog.ShowOpen(); // Cancel
        QCOMPARE(dialog.FileName, QStringLiteral("before"));
        QCOMPARE(prompt.requests.size(), 1);
        QVERIFY(prompt.requests[0].allowMultiple);
        QVERIFY(prompt.requests[0].mustExist);
        QVERIFY(!prompt.requests[0].confirmOverwrite);
        QCOMPARE(prompt.requests[0].title, QStringLiteral("Pick"));

        prompt.answers << QStringList{QStringLiteral("/tmp/a.txt"), QStringLiteral("/tmp/b.txt")};
        dialog.ShowOpen();
        QCOMPARE(dialog.FileName,
                 QStringLiteral("/tmp") + QChar(0) + QStringLiteral("a.txt") + QChar(0) + QStringLiteral("b.txt"));

        prompt.answers << QStringList{QStringLiteral("/tmp/out")};
        dialog.ShowSave();
        QCOMPARE(dialog.FileName, QStringLiteral("/tmp/out"));
        QVERIFY2(!prompt.requests.last().allowMultiple, "a save dialog picks one file");
        QCOMPARE(prompt.requests.last().mode, FileDialogRequest::Mode::Save);
    }
};

VANDRELL_TEST(TestPlatform)
#include "test_platform.moc"
