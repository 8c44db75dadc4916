// The rows an extraction run adds, against a real HTTP server on 127.0.0.1:
// a URL file's byte order mark kept out of what is shown, fetched and
// stored; a page's URL stored once for all of its rows; and a row that
// cannot be added, reported once while the run still goes to its end.

#include "FormFixture.h"
#include "PageServer.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"
#include "core/fetch/CurlFetcher.h"
#include "urls/UrlFileLoader.h"

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <limits>

namespace {
QStringList resultTexts(const Form1& form)
{
    QStringList texts;
    for (int row = 1; row <= form.resultRows()->count(); ++row)
        texts << form.resultRows()->text(row);
    return texts;
}

void tickOnly(Form1& form, int length)
{
    for (ValueCheckBox* box : form.Check1)
        box->setValue(0);
    form.Check1[std::size_t(length - 5)]->setValue(1);
}

QByteArray numbersPage(int first, int count)
{
    QByteArray page = "<p>";
    for (int n = first; n < first + count; ++n)
        page += "call 555-" + QByteArray::number(n).rightJustified(4, '0') + ", ";
    return page + "</p>";
}
} // namespace

class TestRunRows : public QObject {
    Q_OBJECT
    PageServer m_server;
    CurlFetcher m_fetcher;
    QTemporaryDir m_dir;
    const QString m_longPath = QStringLiteral("/long?q=") + QString(2000, QLatin1Char('x'));

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.ready());
        m_server.route(QStringLiteral("/bom"), PageServer::page("Call 555-1234"));
        m_server.route(QStringLiteral("/a"), PageServer::page(numbersPage(1, 3)));
        m_server.route(QStringLiteral("/b"), PageServer::page(numbersPage(11, 4)));
        m_server.route(m_longPath, PageServer::page(numbersPage(0, 1000)));
        QByteArray big;
        for (int n = 0; n < 1000 * 1000; ++n)
            big += "5550" + QByteArray::number(n % 1000).rightJustified(3, '0') + '\n';
        m_server.route(QStringLiteral("/big"), PageServer::page(big));
    }

    // The list shows, the run fetches and the results carry the URL the
    // file holds after its byte order mark, whatever the line end.
    void byteOrderMarkIsNoPartOfTheUrl_data()
    {
        QTest::addColumn<QByteArray>("lineEnd");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("none") << QByteArray();
    }
    void byteOrderMarkIsNoPartOfTheUrl()
    {
        QFETCH(QByteArray, lineEnd);
        FormFixture fixture(&m_fetcher);
        Form1& form = fixture.loaded();
        tickOnly(form, 7);
        form.Check2->setValue(1);
        const QString url = m_server.url(QStringLiteral("/bom"));
        const QString path =
            writeTestFile(m_dir.filePath(QStringLiteral("bom.txt")), "\xEF\xBB\xBF" + url.toUtf8() + lineEnd);
        appendUrlFile(*form.urlRows(), path);
        QCOMPARE(form.urlRows()->count(), 1);
        QCOMPARE(QByteArray::fromStdString(form.urlRows()->utf8(1).joined()), url.toUtf8());
        form.urlRows()->flushAppends();
        QAbstractItemModel& shown = *form.ListView1->model();
        QCOMPARE(shown.data(shown.index(0, 0), Qt::DisplayRole).toString(), url);
        const int requestsBefore = m_server.requestsFor(QStringLiteral("/bom"));
        form.PushButton7_Click();
        QCOMPARE(m_server.requestsFor(QStringLiteral("/bom")), requestsBefore + 1);
        QCOMPARE(resultTexts(form), QStringList{url + QStringLiteral(" - 5551234")});
        QCOMPARE(fixture.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    }

    // Rows from one page point at one copy of its URL; a long URL costs
    // its bytes once, not once per row.
    void rowsOfAPageShareItsUrl()
    {
        FormFixture fixture(&m_fetcher);
        Form1& form = fixture.loaded();
        tickOnly(form, 7);
        form.Check2->setValue(1);
        for (const QString& path : {QStringLiteral("/a"), QStringLiteral("/b"), m_longPath})
            form.urlRows()->append(m_server.url(path));
        form.PushButton7_Click();
        const RowListModel& rows = *form.resultRows();
        QCOMPARE(rows.count(), 3 + 4 + 1000);
        QCOMPARE(rows.text(1), m_server.url(QStringLiteral("/a")) + QStringLiteral(" - 5550001"));
        QCOMPARE(rows.text(4), m_server.url(QStringLiteral("/b")) + QStringLiteral(" - 5550011"));
        QCOMPARE(rows.text(8), m_server.url(m_longPath) + QStringLiteral(" - 5550000"));
        QCOMPARE(rows.utf8(2).prefix.data(), rows.utf8(1).prefix.data());
        QCOMPARE(rows.utf8(7).prefix.data(), rows.utf8(4).prefix.data());
        QVERIFY(rows.utf8(4).prefix.data() != rows.utf8(1).prefix.data());
        QCOMPARE(rows.utf8(1007).prefix.data(), rows.utf8(8).prefix.data());
        const std::size_t longUrl = std::size_t(m_server.url(m_longPath).size());
        QVERIFY2(rows.rows().storedBytes() < 2 * longUrl + 1007 * 32,
                 qPrintable(QString::number(rows.rows().storedBytes())));
        QCOMPARE(rows.rows().textBytes(), std::size_t(rows.text(8).size()) * 1000 +
                                              std::size_t(rows.text(1).size()) * 3 +
                                              std::size_t(rows.text(4).size()) * 4);
    }

    // Clear Results in the middle of a page drops the URL with the rows; the
    // page's later rows store it anew.
    void clearedInTheMiddleOfAPage()
    {
        FormFixture fixture(&m_fetcher);
        Form1& form = fixture.loaded();
        tickOnly(form, 7);
        form.Check2->setValue(1);
        const QString url = m_server.url(QStringLiteral("/big"));
        form.urlRows()->append(url);
        QTimer clearOnce;
        clearOnce.setInterval(0);
        connect(&clearOnce, &QTimer::timeout, &form, [&] {
            if (form.resultRows()->count() > 0) {
                clearOnce.stop();
                form.PushButton9_Click();
            }
        });
        clearOnce.start();
        form.PushButton7_Click();
        QVERIFY(!clearOnce.isActive()); // cleared while the page's rows went in
        const RowListModel& rows = *form.resultRows();
        QVERIFY(rows.count() > 0 && rows.count() < 1000 * 1000);
        const std::size_t last = std::size_t(rows.count());
        QCOMPARE(rows.text(1).left(url.size() + 3), url + QStringLiteral(" - "));
        QCOMPARE(rows.text(int(last)).left(url.size() + 3), url + QStringLiteral(" - "));
        QCOMPARE(rows.utf8(int(last)).prefix.data(), rows.utf8(1).prefix.data());
        QCOMPARE(fixture.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    }

    // The first row that cannot be added is reported at its line; later
    // candidates and pages add nothing and report nothing, the rows already
    // there stay, and the run ends with "Done." as usual.
    void failedAppendIsReportedOnce_data()
    {
        QTest::addColumn<bool>("withUrl");
        QTest::addColumn<int>("line");
        QTest::newRow("with the URL") << true << 140;
        QTest::newRow("number only") << false << 142;
    }
    void failedAppendIsReportedOnce()
    {
        QFETCH(bool, withUrl);
        QFETCH(int, line);
        FormFixture fixture(&m_fetcher);
        Form1& form = fixture.loaded();
        tickOnly(form, 7);
        form.Check2->setValue(withUrl ? 1 : 0);
        for (const QString& path : {QStringLiteral("/a"), QStringLiteral("/b")})
            form.urlRows()->append(m_server.url(path));

        // Room for the first two rows of the first page, as the run adds them.
        RowListModel sized(true);
        const QByteArray urlA = m_server.url(QStringLiteral("/a")).toUtf8();
        ListRows::Prefix prefix;
        if (withUrl)
            prefix = sized.sharePrefix(urlA.toStdString(), " - ");
        for (const char* number : {"5550001", "5550002"}) {
            if (withUrl)
                sized.appendShared(prefix, number);
            else
                sized.appendUtf8(number);
        }
        form.resultRows()->setByteLimit(sized.rows().storedBytes());
        const int lastPageRequests = m_server.requestsFor(QStringLiteral("/b"));
        form.PushButton7_Click();

        const QString prefixText = withUrl ? QString::fromUtf8(urlA) + QStringLiteral(" - ") : QString();
        QCOMPARE(resultTexts(form),
                 (QStringList{prefixText + QStringLiteral("5550001"), prefixText + QStringLiteral("5550002")}));
        QCOMPARE(fixture.dialogs.messages.size(), 2);
        QCOMPARE(fixture.dialogs.messages[0].title, QStringLiteral("Application Error"));
        QVERIFY2(fixture.dialogs.messages[0].text.startsWith(QStringLiteral("Out of memory\r\n")),
                 qPrintable(fixture.dialogs.messages[0].text));
        QVERIFY(fixture.dialogs.messages[0].text.contains(
            QStringLiteral("Form1.PushButton7_Click at line %1\r\r").arg(line)));
        QCOMPARE(fixture.dialogs.messages[1].text, QStringLiteral("Done."));
        QCOMPARE(m_server.requestsFor(QStringLiteral("/b")), lastPageRequests + 1); // the run went on to its end
        QCOMPARE(form.MousePointer(), 0);

        // The next run starts afresh: with room again, it adds its rows.
        form.resultRows()->setByteLimit(std::numeric_limits<std::size_t>::max());
        fixture.dialogs.clear();
        form.PushButton7_Click();
        QCOMPARE(form.resultRows()->count(), 2 + 3 + 4);
        QCOMPARE(fixture.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    }
};

VANDRELL_TEST(TestRunRows)
#include "test_run_rows.moc"
