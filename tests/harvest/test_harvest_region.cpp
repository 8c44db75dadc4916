// vandrell-harvest --region against pages on 127.0.0.1, and on named hosts
// served by the same page server as a proxy, so no name is ever resolved.

#include "PageServer.h"
#include "TestRegistry.h"

#include <QProcess>
#include <QTest>

namespace {
QByteArray harvest(const QStringList& arguments, const QByteArray& input, const QString& proxy = {})
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"http_proxy", "https_proxy", "all_proxy", "no_proxy"})
        environment.remove(QString::fromLatin1(name));
    if (!proxy.isEmpty())
        environment.insert(QStringLiteral("http_proxy"), proxy);
    process.setProcessEnvironment(environment);
    process.start(QString::fromLocal8Bit(qgetenv("VANDRELL_BUILD_DIR")) + QStringLiteral("/vandrell-harvest"),
                  QStringList{QStringLiteral("--quiet")} + arguments);
    process.write(input);
    process.closeWriteChannel();
    while (process.state() != QProcess::NotRunning)
        QTest::qWait(5);
    return process.readAllStandardOutput() + process.readAllStandardError();
}
} // namespace

class TestHarvestRegion : public QObject {
    Q_OBJECT
private:
    PageServer m_server;

private slots:
    void rows_data()
    {
        QTest::addColumn<QString>("url"); // a path on 127.0.0.1, or a whole URL on a named host
        QTest::addColumn<QByteArray>("page");
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QString>("region");
        QTest::addColumn<QByteArray>("rows");
        const QByteArray html = "text/html";
        QTest::newRow("split by markup") << "/split" << QByteArray("<p>Tel: <span>030</span> <b>123</b>4567</p>")
                                         << html << "DE" << QByteArray("+49301234567\n");
        QTest::newRow("entities") << "/entities" << QByteArray("<p>Fax &#43;49&nbsp;30&#x20;1234568</p>") << html
                                  << "de" << QByteArray("+49301234568\n");
        QTest::newRow("tel: links") << "/tel"
                                    << QByteArray("<a href='tel:%2B49-89-123456'>Call us</a> "
                                                  "<a href=\"tel:+49 30 1234567\">030 1234567</a>")
                                    << html << "DE" << QByteArray("+4989123456\n+49301234567\n");
        QTest::newRow("script, style, comments skipped")
            << "/hidden"
            << QByteArray("<script>t='Tel 030 1234567'</script><style>/*Tel 030 1234568*/</style>"
                          "<!-- Tel 030 1234569 --><p title='Tel 030 1234561'>Tel 030 1234560</p>")
            << html << "DE" << QByteArray("+49301234560\n");
        QTest::newRow("identifiers left out")
            << "/ids" << QByteArray("<p>Rechnungsnr. 030 1234567</p><p>Auftrag: 0301234568</p><p>Fon 030 1234569</p>")
            << html << "DE" << QByteArray("+49301234569\n");
        QTest::newRow("charset from the header")
            << "/latin1"
            << QByteArray("<p>T\xe9l\xe9phone\xa0: 01\xa0"
                          "23 45 67 89</p>")
            << QByteArray("text/html; charset=iso-8859-1") << "FR" << QByteArray("+33123456789\n");
        QTest::newRow("groups of two between dashes") << "/dashes"
                                                      << QByteArray("<meta charset=utf-8><p>T\xc3\xa9l : 01\xe2\x80\x93"
                                                                    "23\xe2\x80\x93"
                                                                    "45\xe2\x80\x93"
                                                                    "67\xe2\x80\x93"
                                                                    "89</p>")
                                                      << html << "FR" << QByteArray("+33123456789\n");
        QTest::newRow("GB") << "/gb" << QByteArray("<p>Phone: 020 7946 0958<br>(0)20 7946 0959</p>") << html << "GB"
                            << QByteArray("+442079460958\n+442079460959\n");
        QTest::newRow("auto, .co.uk") << "http://shop.example.co.uk/contact"
                                      << QByteArray("<p>Phone: 020 7946 0958</p>") << html << "auto"
                                      << QByteArray("+442079460958\n");
        QTest::newRow("auto, .de") << "http://kontakt.beispiel.de/" << QByteArray("<p>Tel 030 1234567</p>") << html
                                   << "AUTO" << QByteArray("+49301234567\n");
        QTest::newRow("auto, no country: international only")
            << "/intl" << QByteArray("<p>Tel 030 1234567, T\xc3\xa9l +33 1 23 45 67 89</p>") << html << "auto"
            << QByteArray("+33123456789\n");
    }

    void rows()
    {
        QFETCH(QString, url);
        QFETCH(QByteArray, page);
        QFETCH(QByteArray, contentType);
        QFETCH(QString, region);
        QFETCH(QByteArray, rows);
        m_server.route(url, PageServer::page(page, contentType));
        const bool named = !url.startsWith(u'/');
        const QString proxy = named ? m_server.url(QString()) : QString();
        QCOMPARE(
            harvest({QStringLiteral("--region"), region}, (named ? url : m_server.url(url)).toUtf8() + '\n', proxy),
            rows);
    }

    void recordShapes()
    {
        const QByteArray page = "<p>Telefon: <a href='tel:+4930123456'>030 123456</a>, \"Zentrale\"</p>";
        m_server.route(QStringLiteral("/shape?x=%FF"), PageServer::page(page));
        const QByteArray url = m_server.url(QStringLiteral("/shape?x=")).toUtf8();
        const QByteArray shown = url + "%FF";
        QCOMPARE(harvest({QStringLiteral("--region=DE"), QStringLiteral("--format=jsonl")}, url + "\xff\n"),
                 "{\"url\":\"" + shown +
                     "\",\"number\":\"+4930123456\",\"text\":\"030 "
                     "123456\",\"region\":\"DE\",\"type\":\"fixed_line\",\"label\":\"phone\"}\n");
        QCOMPARE(harvest({QStringLiteral("--region=DE"), QStringLiteral("--format=csv"), QStringLiteral("--crlf")},
                         url + "\xff\n"),
                 "url,number,text,region,type,label\r\n" + shown + ",+4930123456,030 123456,DE,fixed_line,phone\r\n");
        // A tel: link's text starts where its number does, not with a spreadsheet's formula.
        m_server.route(
            QStringLiteral("/formula"),
            PageServer::page("<a href='tel:=HYPERLINK(\"http://a.example/\",\"Call\")&+4930123457'>Call</a>"));
        QCOMPARE(harvest({QStringLiteral("--region=DE"), QStringLiteral("--format=csv")},
                         m_server.url(QStringLiteral("/formula")).toUtf8() + '\n'),
                 "url,number,text,region,type,label\n" + m_server.url(QStringLiteral("/formula")).toUtf8() +
                     ",+4930123457,+4930123457,DE,fixed_line,\n");
        QCOMPARE(harvest({QStringLiteral("--format=jsonl"), QStringLiteral("--lengths=9")}, url + "\xff\n"),
                 "{\"url\":\"" + shown +
                     "\",\"number\":\"030123456\",\"text\":\"030123456\",\"region\":null,"
                     "\"type\":null,\"label\":null}\n");
    }

    void uniqueNumbers()
    {
        m_server.route(QStringLiteral("/three"),
                       PageServer::page("<p>Tel 030 1234567</p><p>Tel +49 30 1234567</p><p>Tel 0049 (0)30 123 4567</p>"
                                        "<p>Fax 030 1234568</p>"));
        const QByteArray url = m_server.url(QStringLiteral("/three")).toUtf8() + '\n';
        QCOMPARE(harvest({QStringLiteral("--region=DE")}, url + url),
                 QByteArray("+49301234567\n+49301234567\n+49301234567\n+49301234568\n").repeated(2));
        QCOMPARE(harvest({QStringLiteral("--region=DE"), QStringLiteral("--unique")}, url + url),
                 QByteArray("+49301234567\n+49301234568\n"));

        // A host of its own is asked at once, while the first waits for a
        // connection free: each number is still kept where it is first printed.
        PageServer::Options twoHosts;
        twoHosts.hosts = 2;
        PageServer server(twoHosts);
        QByteArray urls;
        for (int i = 1; i <= 6; ++i) {
            const QString path = QStringLiteral("/u%1").arg(i);
            server.route(path, PageServer::page(i < 6 ? "Tel 030 123456" + QByteArray::number(i)
                                                      : QByteArray("Tel 030 1234566, Tel 030 1234565")));
            urls += server.url(path, i < 6 ? 1 : 2).toUtf8() + '\n';
        }
        QCOMPARE(harvest({QStringLiteral("--region=DE"), QStringLiteral("--unique")}, urls),
                 "+49301234561\n+49301234562\n+49301234563\n+49301234564\n+49301234565\n+49301234566\n");
    }

    void sameLineOnTwoPages()
    {
        // Read once, placed on each page where it stands: under "Auftragsnr." it is an order number.
        m_server.route(QStringLiteral("/fax"), PageServer::page("<p>Fax<br>030 1234567</p>"));
        m_server.route(QStringLiteral("/order"), PageServer::page("<p>Auftragsnr.<br>030 1234567</p>"));
        const QByteArray urls =
            m_server.url(QStringLiteral("/fax")).toUtf8() + '\n' + m_server.url(QStringLiteral("/order")).toUtf8();
        QCOMPARE(harvest({QStringLiteral("--region=DE")}, urls + '\n'), QByteArray("+49301234567\n"));
    }

    // Pages are read on several threads: long pages, which take longest,
    // alternate with short ones, yet rows come in the order of the input,
    // and a page's rows as soon as it is read, while the input stays open.
    void rowsInInputOrderAndAtOnce()
    {
        QByteArray urls;
        QByteArray expected;
        const QByteArray filler = QByteArray("<p>Version 3.14159 of 2024-01-01, build 12 345 678.</p>").repeated(4000);
        for (int i = 10; i < 50; ++i) {
            const QString path = QStringLiteral("/order%1").arg(i);
            m_server.route(path, PageServer::page((i % 2 ? QByteArray() : filler) + "<p>Tel 030 12345" +
                                                  QByteArray::number(i) + "</p>"));
            urls += m_server.url(path).toUtf8() + '\n';
            expected += "+493012345" + QByteArray::number(i) + '\n';
        }
        QCOMPARE(harvest({QStringLiteral("--region=DE")}, urls), expected);

        QProcess open;
        open.start(QString::fromLocal8Bit(qgetenv("VANDRELL_BUILD_DIR")) + QStringLiteral("/vandrell-harvest"),
                   {QStringLiteral("--quiet"), QStringLiteral("--region=DE")});
        open.write(urls.first(urls.indexOf('\n') + 1));
        QByteArray out;
        QTRY_VERIFY_WITH_TIMEOUT((out += open.readAllStandardOutput()) == "+49301234510\n", 20000);
        open.closeWriteChannel();
        QVERIFY(open.waitForFinished(20000));
    }

    void usageErrors()
    {
        QVERIFY(harvest({QStringLiteral("--region=QQ")}, {}).contains("\"QQ\" is no region"));
        QVERIFY(harvest({QStringLiteral("--region=DE"), QStringLiteral("--lengths=10")}, {}).contains("--lengths"));
    }
};

VANDRELL_TEST(TestHarvestRegion)
#include "test_harvest_region.moc"
