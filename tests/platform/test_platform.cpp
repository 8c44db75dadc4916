// The seams' own logic: message text line breaks, the file dialog's
// property style, URL forms the page fetch accepts, and the list storage.

#include "ScriptedDialogs.h"
#include "ScriptedFileDialogs.h"
#include "TestRegistry.h"
#include "app/ListRows.h"
#include "app/RowListModel.h"
#include "core/AppError.h"
#include "core/CurlFetcher.h"
#include "platform/AppTitle.h"
#include "platform/CommonDialog.h"
#include "platform/QtDialogs.h"

#include <QSignalSpy>
#include <QTest>

class TestPlatform : public QObject {
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

    void pageUrls_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("url");
        QTest::newRow("http") << QStringLiteral("http://www.example.com/a")
                              << QStringLiteral("http://www.example.com/a");
        QTest::newRow("https") << QStringLiteral("HTTPS://example.com") << QStringLiteral("https://example.com");
        QTest::newRow("bare host") << QStringLiteral("www.example.com/contact/")
                                   << QStringLiteral("http://www.example.com/contact/");
        QTest::newRow("host and port") << QStringLiteral("localhost:8080/x")
                                       << QStringLiteral("http://localhost:8080/x");
        QTest::newRow("blanks around") << QStringLiteral("  example.com ") << QStringLiteral("http://example.com");
        QTest::newRow("ftp") << QStringLiteral("ftp://example.com/f") << QString();
        QTest::newRow("file") << QStringLiteral("file:///etc/passwd") << QString();
        QTest::newRow("mailto") << QStringLiteral("mailto:someone@example.com") << QString();
        QTest::newRow("data") << QStringLiteral("data:text/html,555-1234") << QString();
        QTest::newRow("empty") << QString() << QString();
        QTest::newRow("no host") << QStringLiteral("http:///path") << QString();
    }
    void pageUrls()
    {
        QFETCH(QString, typed);
        QFETCH(QString, url);
        try {
            const QUrl result = CurlFetcher::pageUrl(typed);
            QVERIFY2(!url.isEmpty(), qPrintable(result.toString()));
            QCOMPARE(result.toString(), url);
        } catch (const AppError& error) {
            QVERIFY2(url.isEmpty(), qPrintable(error.description()));
        }
    }

    void listRowsKeepTextAndOrder()
    {
        ListRows rows;
        rows.append(QStringLiteral("eins"));
        rows.append(QString());
        rows.append(QStringLiteral("Zürich ☎ 555"));
        rows.appendUtf8("http://x", " - ", "5551234");
        rows.remove(1);
        QCOMPARE(rows.size(), std::size_t(3));
        QCOMPARE(rows.text(0), QStringLiteral("eins"));
        QCOMPARE(rows.text(1), QStringLiteral("Zürich ☎ 555"));
        QCOMPARE(rows.text(2), QStringLiteral("http://x - 5551234"));
        rows.remove(0);
        QCOMPARE(rows.text(0), QStringLiteral("Zürich ☎ 555"));
        rows.clear();
        QVERIFY(rows.empty());
    }

    void modelAnnouncesAppendsInBatches()
    {
        RowListModel model(true);
        model.addColumn(QStringLiteral("Result(s)"));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 1000; ++i)
            model.append(QString::number(i));
        QCOMPARE(model.count(), 1000);
        QCOMPARE(model.rowCount(), 0); // the view hears of them in a moment, all at once
        QTRY_COMPARE(inserted.size(), 1);
        QCOMPARE(model.rowCount(), 1000);
        model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole);
        QVERIFY(model.ticked(3));
        model.remove(1);
        QVERIFY(model.ticked(2));
        QCOMPARE(model.text(1), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(AppError, model.text(1000));
        QVERIFY_THROWS_EXCEPTION(AppError, model.text(0));
    }
};

VANDRELL_TEST(TestPlatform)
#include "test_platform.moc"
