// vandrell-harvest against the window: the same URLs and ticks give the same
// rows, byte for byte. Here, where the window's run is linked; the
// harvester's own suite links only the harvester.

#include "FormFixture.h"
#include "PageServer.h"
#include "TestRegistry.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"
#include "core/fetch/CurlFetcher.h"

#include <QProcess>
#include <QTest>

class TestHarvestRows final : public QObject {
    Q_OBJECT
private slots:
    void sameRowsAsTheWindow()
    {
        PageServer server;
        server.route(QStringLiteral("/call"),
                     PageServer::page("<html><body><p>Call (555) 123-4567 now, or 555-1234</p><p>version 1.2</p>"
                                      "</body></html>"));
        server.route(QStringLiteral("/twice"), PageServer::page("555-1234 and again: 555-1234."));
        server.route(QStringLiteral("/long"), PageServer::page("intl +44 (0)20 7946 0958; 0800-123-4567"));
        server.route(QStringLiteral("/empty"), PageServer::page(QByteArray()));
        server.route(QStringLiteral("/gone"), "HTTP/1.1 404 Not Found\r\nContent-Length: 0\r\n\r\n");
        server.route(QStringLiteral("/moved"), PageServer::redirect("/long"));
        server.route(QStringLiteral("/zipped"), PageServer::gzipped("Fax: 555.987.6543<br>{555}0001111"));
        QStringList urls;
        for (const char* path : {"/call", "/gone", "/twice", "/moved", "/zipped", "/empty", "/call", "/long"})
            urls << server.url(QString::fromLatin1(path));

        CurlFetcher fetcher;
        FormFixture fixture(&fetcher);
        Form1& form = fixture.loaded();
        for (ValueCheckBox* box : form.Check1)
            box->setValue(0);
        for (int length : {7, 10, 11})
            form.Check1[std::size_t(length - 5)]->setValue(1);
        form.Check2->setValue(1);
        for (const QString& url : urls)
            form.urlRows()->append(url);
        form.PushButton7_Click();
        QByteArray windowRows;
        for (int row = 1; row <= form.resultRows()->count(); ++row)
            windowRows += form.resultRows()->text(row).toUtf8() + '\n';
        QVERIFY(windowRows.contains(QByteArray(urls[4].toUtf8() + " - 5559876543"))); // the gzip page was read
        QVERIFY(windowRows.contains(QByteArray(urls[3].toUtf8() + " - ")));           // and the redirect followed

        QProcess harvest;
        harvest.start(QString::fromLocal8Bit(qgetenv("VANDRELL_BUILD_DIR")) + QStringLiteral("/vandrell-harvest"),
                      {QStringLiteral("--lengths"), QStringLiteral("7,10,11"), QStringLiteral("--with-url")});
        QVERIFY(harvest.waitForStarted());
        harvest.write(urls.join(u'\n').toUtf8() + '\n');
        harvest.closeWriteChannel();
        while (harvest.state() != QProcess::NotRunning)
            QTest::qWait(5); // the server answers on this thread's event loop
        QCOMPARE(harvest.exitStatus(), QProcess::NormalExit);
        QCOMPARE(harvest.exitCode(), 2); // the 404
        QCOMPARE(harvest.readAllStandardOutput(), windowRows);
    }
};

VANDRELL_TEST(TestHarvestRows)
#include "test_harvest_rows.moc"
