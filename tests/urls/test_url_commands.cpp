// Tests for the URL list commands on a real window offscreen: adding typed
// and sample URLs, clearing, removing with the Delete key and a double-click
// (through real key and mouse events), the busy-pointer guard, and loading a
// file through the scripted file dialog.

#include "FormFixture.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "platform/AppTitle.h"
#include "urls/SampleUrls.h"

#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

class TestUrlCommands final : public QObject {
    Q_OBJECT
    std::unique_ptr<FormFixture> m_fixture;
    Form1* m_form = nullptr;
    QTemporaryDir m_dir;

    QStringList rows() const
    {
        QStringList texts;
        for (int row = 1; row <= m_form->urlRows()->count(); ++row)
            texts << m_form->urlRows()->text(row);
        return texts;
    }
    void setRows(const QStringList& texts)
    {
        m_form->urlRows()->clear();
        for (const QString& text : texts)
            m_form->urlRows()->append(text);
        m_form->urlRows()->flushAppends();
    }
    QString file(const QByteArray& bytes)
    {
        const QString path = m_dir.filePath(QStringLiteral("urls.txt"));
        return writeTestFile(path, bytes);
    }

private slots:
    void init()
    {
        m_fixture = std::make_unique<FormFixture>();
        m_form = &m_fixture->loaded();
        m_fixture->dialogs.clear();
    }
    void cleanup() { m_fixture.reset(); }

    void addOneUrl_data()
    {
        QTest::addColumn<QStringList>("answers");
        QTest::addColumn<QStringList>("expected");
        const QString url = QStringLiteral("http://a.example/");
        QTest::newRow("typed") << QStringList{url} << QStringList{url};
        QTest::newRow("blanks kept") << QStringList{QStringLiteral("  a b  ")}
                                     << QStringList{QStringLiteral("  a b  ")};
        QTest::newRow("empty answer") << QStringList{QString()} << QStringList{};
        QTest::newRow("cancel") << QStringList{} << QStringList{};
        QTest::newRow("duplicates kept in order")
            << QStringList{url, QStringLiteral("b"), url} << QStringList{url, QStringLiteral("b"), url};
    }
    void addOneUrl()
    {
        QFETCH(QStringList, answers);
        QFETCH(QStringList, expected);
        m_fixture->dialogs.inputAnswers = answers;
        for (qsizetype i = 0; i < qMax(answers.size(), qsizetype(1)); ++i)
            m_form->PushButton5->click();
        QCOMPARE(rows(), expected);
        QCOMPARE(m_fixture->dialogs.prompts.first(), QStringLiteral("Enter URL: "));
        QCOMPARE(m_fixture->dialogs.promptTitles.first(), appTitle());
        QVERIFY(m_fixture->dialogs.messages.isEmpty());
    }

    void samplesAppendEachTime()
    {
        setRows({QStringLiteral("mine")});
        m_form->PushButton3->click();
        m_form->PushButton3->click();
        const QString paper = SampleUrls::newspaper(), agency = SampleUrls::motorVehicles();
        QCOMPARE(rows(), (QStringList{QStringLiteral("mine"), paper, agency, paper, agency}));
        QVERIFY(paper.startsWith(QLatin1String("http://www.")) &&
                paper.endsWith(QLatin1String(".example/about/contact/")));
        QVERIFY(agency.startsWith(QLatin1String("http://www.")) &&
                agency.endsWith(QLatin1String(".example/contacts/contacts.htm")));
    }

    // While busy, clearing and removing do nothing; adding still works.
    void busyPointerGuardsRemovalOnly()
    {
        setRows({QStringLiteral("a"), QStringLiteral("b")});
        m_form->ListView1->selectRow(1);
        m_form->setMousePointer(11);
        m_form->PushButton11->click();
        m_form->ListView1_KeyDown(ReportListView::deleteKeyCode, {});
        m_form->ListView1_DblClick();
        QCOMPARE(rows().size(), 2);
        m_fixture->dialogs.inputAnswers = {QStringLiteral("c")};
        m_form->PushButton5->click();
        m_form->PushButton3->click();
        m_fixture->fileDialogs.answers << QStringList{file("d\r\n")};
        m_form->PushButton13->click();
        QCOMPARE(rows().size(), 6);
        m_form->setMousePointer(0);
        m_form->PushButton11->click();
        QCOMPARE(rows(), QStringList{});
        QVERIFY(m_fixture->dialogs.messages.isEmpty());
    }

    void deleteKeyRemovesSelectedRow_data()
    {
        QTest::addColumn<int>("selected");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<QStringList>("expected");
        QTest::newRow("middle") << 2 << int(Qt::NoModifier) << QStringList{QStringLiteral("a"), QStringLiteral("c")};
        QTest::newRow("first, Shift") << 1 << int(Qt::ShiftModifier)
                                      << QStringList{QStringLiteral("b"), QStringLiteral("c")};
        QTest::newRow("last, Ctrl") << 3 << int(Qt::ControlModifier)
                                    << QStringList{QStringLiteral("a"), QStringLiteral("b")};
        QTest::newRow("none selected") << 0 << int(Qt::NoModifier)
                                       << QStringList{QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")};
    }
    void deleteKeyRemovesSelectedRow()
    {
        QFETCH(int, selected);
        QFETCH(int, modifiers);
        QFETCH(QStringList, expected);
        setRows({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        if (selected)
            m_form->ListView1->selectRow(selected);
        QTest::keyClick(m_form->ListView1, Qt::Key_Backspace);
        QTest::keyClick(m_form->ListView1, Qt::Key_D);
        QCOMPARE(rows().size(), 3);
        QTest::keyClick(m_form->ListView1, Qt::Key_Delete, Qt::KeyboardModifiers(modifiers));
        QCOMPARE(rows(), expected);
    }

    void doubleClickRemovesRowUnderPointer()
    {
        setRows({QStringLiteral("a"), QStringLiteral("b"), QStringLiteral("c")});
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form));
        QWidget* viewport = m_form->ListView1->viewport();
        const QPoint second = m_form->ListView1->visualRect(m_form->urlRows()->index(1, 0)).center();
        QTest::mouseClick(viewport, Qt::LeftButton, {}, second);
        QTest::mouseDClick(viewport, Qt::LeftButton, {}, second);
        QCOMPARE(rows(), (QStringList{QStringLiteral("a"), QStringLiteral("c")}));
    }

    void removingFromEmptyListDoesNothing()
    {
        m_form->ListView1_KeyDown(ReportListView::deleteKeyCode, Qt::ShiftModifier);
        m_form->ListView1_DblClick();
        QCOMPARE(m_form->urlRows()->count(), 0);
        QVERIFY(m_fixture->dialogs.messages.isEmpty());
    }

    // Cancel after an earlier choice: the dialog is set up afresh and nothing loads.
    void fileDialogSetUpAndCancel()
    {
        m_form->CommonDialog1.FileName = file("a\r\n");
        m_form->PushButton13->click();
        QCOMPARE(m_form->CommonDialog1.FileName, QString());
        QCOMPARE(m_form->CommonDialog1.Flags, 2621441L);
        QCOMPARE(m_fixture->fileDialogs.requests.size(), 1);
        const FileDialogRequest& request = m_fixture->fileDialogs.requests[0];
        QCOMPARE(request.mode, FileDialogRequest::Mode::Open);
        QCOMPARE(request.title, QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files"));
        QCOMPARE(request.nameFilters,
                 (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}));
        QVERIFY(!request.allowMultiple && !request.mustExist);
        QCOMPARE(m_form->urlRows()->count(), 0);
        QVERIFY(m_fixture->dialogs.messages.isEmpty());
    }

    void fileDialogChoices_data()
    {
        QTest::addColumn<QStringList>("chosen");
        QTest::addColumn<QStringList>("expectedRows");
        QTest::addColumn<QString>("message");
        const QString path = m_dir.filePath(QStringLiteral("urls.txt"));
        QTest::newRow("one file") << QStringList{path}
                                  << QStringList{QStringLiteral("mine"), QStringLiteral("a"), QStringLiteral("b")}
                                  << QString();
        QTest::newRow("several files") << QStringList{path, m_dir.filePath(QStringLiteral("more.txt"))}
                                       << QStringList{QStringLiteral("mine")}
                                       << QStringLiteral("Please select just one file.");
        QTest::newRow("no such file") << QStringList{m_dir.filePath(QStringLiteral("missing.txt"))}
                                      << QStringList{QStringLiteral("mine")} << QStringLiteral("File not found");
    }
    void fileDialogChoices()
    {
        QFETCH(QStringList, chosen);
        QFETCH(QStringList, expectedRows);
        QFETCH(QString, message);
        file("a\r\nb\r\n");
        setRows({QStringLiteral("mine")});
        m_fixture->fileDialogs.answers << chosen;
        m_form->PushButton13->click();
        QCOMPARE(rows(), expectedRows);
        QCOMPARE(m_fixture->dialogs.texts(), message.isNull() ? QStringList{} : QStringList{message});
        if (!message.isNull())
            QCOMPARE(m_fixture->dialogs.messages[0].title, appTitle());
    }

    // A refused file is reported by the command's error trap; earlier rows stay.
    void refusedFileReported()
    {
        setRows({QStringLiteral("mine")});
        m_fixture->fileDialogs.answers << QStringList{file(QByteArray("a\r\nb\0", 5))};
        m_form->PushButton13->click();
        QCOMPARE(rows(), (QStringList{QStringLiteral("mine"), QStringLiteral("a")}));
        QCOMPARE(m_fixture->dialogs.messages.size(), 1);
        const ShownMessage& report = m_fixture->dialogs.messages[0];
        QCOMPARE(report.style, 48);
        QCOMPARE(report.title, QStringLiteral("Application Error"));
        QVERIFY2(report.text.contains(QLatin1String("NUL byte")) &&
                     report.text.contains(QLatin1String("Form1.PushButton13_Click at line 116\r\r")),
                 qPrintable(report.text));
    }

    // A dropped file loads as the file loader loads it, a link makes one row,
    // and dropped text gives its lines, trimmed, blank ones left out.
    void dropAppendsUrls()
    {
        using namespace Qt::StringLiterals;
        setRows({u"mine"_s});
        auto drop = [this](const QList<QUrl>& links, const QString& text) {
            QMimeData data;
            data.setUrls(links);
            data.setText(text);
            QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(m_form->ListView1->viewport(), &enter);
            QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
            QCoreApplication::sendEvent(m_form->ListView1->viewport(), &drop);
            QVERIFY(drop.isAccepted());
        };
        drop({QUrl::fromLocalFile(file(" a\r\n\nb\n")), QUrl(u"http://c.example/a%20b?q=1"_s)}, {});
        drop({}, u" http://d/ \r\rhttp://e/\r\n\n\thttp://f/\n"_s);
        QTRY_COMPARE(rows(), (QStringList{u"mine"_s,
                                          u" a"_s,
                                          {},
                                          u"b"_s,
                                          u"http://c.example/a%20b?q=1"_s,
                                          u"http://d/"_s,
                                          u"http://e/"_s,
                                          u"http://f/"_s}));
        QCOMPARE(m_fixture->dialogs.texts(), QStringList());
    }

    // Rows pasted or dropped into the focused, empty list: Delete acts on the current one at once.
    void deleteRightAfterRowsArrive()
    {
        setRows({});
        m_form->show();
        QVERIFY(QTest::qWaitForWindowActive(m_form));
        m_form->ListView1->setFocus();
        m_form->ListView1_OLEDragDrop({}, QStringLiteral("http://a/\nhttp://b/"));
        QTRY_VERIFY(m_form->ListView1->selectionModel()->hasSelection()); // once the view hears of them
        QTest::keyClick(m_form->ListView1, Qt::Key_Delete);
        QCOMPARE(rows(), QStringList{QStringLiteral("http://b/")});
    }
};

VANDRELL_TEST(TestUrlCommands)
#include "test_url_commands.moc"
