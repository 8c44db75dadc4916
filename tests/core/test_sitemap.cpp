// Sitemaps as servers send them, and as hostile ones might: plain and
// gzip-compressed, indexes, and the bounds that keep a bomb, a flood of URLs
// or a document that is no sitemap from costing more than a sitemap may.

#include "PageServer.h"
#include "TestRegistry.h"
#include "core/web/Sitemap.h"

#include <QTest>

namespace {
QByteArray urlset(int urls)
{
    QByteArray xml = "<?xml version='1.0'?><urlset xmlns='http://www.sitemaps.org/schemas/sitemap/0.9'>";
    for (int i = 0; i < urls; ++i)
        xml += "<url><loc> http://h/p" + QByteArray::number(i) + " </loc><lastmod>2024-01-01</lastmod></url>";
    return xml + "</urlset>";
}
} // namespace

class TestSitemap final : public QObject {
    Q_OBJECT
private slots:
    void read_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<bool>("isIndex");
        QTest::addColumn<int>("locations");
        QTest::addColumn<QString>("problem");
        QTest::newRow("urlset") << urlset(3) << false << 3 << QString();
        QTest::newRow("gzip-compressed") << PageServer::gzip(urlset(3)) << false << 3 << QString();
        QTest::newRow("index") << QByteArray(
                                      "<sitemapindex><sitemap><loc>http://h/a.xml</loc></sitemap></sitemapindex>")
                               << true << 1 << QString();
        QTest::newRow("more than 50,000 URLs: the first taken")
            << urlset(50'001) << false << int(Sitemap::maxUrls) << QStringLiteral("more than 50000");
        QTest::newRow("inflates past 50 MB") << PageServer::gzip(urlset(1) + QByteArray(60'000'000, ' ')) << false << 1
                                             << QStringLiteral("more than 50 MB");
        QTest::newRow("cut short") << urlset(3).left(200) << false << 2 << QStringLiteral("not well-formed");
        QTest::newRow("no sitemap") << QByteArray("<html><body>hi</body></html>") << false << 0
                                    << QStringLiteral("its root is <html>");
        QTest::newRow("entities are not expanded")
            << QByteArray("<!DOCTYPE u [<!ENTITY e SYSTEM 'file:///etc/passwd'>]><urlset><url><loc>&e;</loc></url>"
                          "</urlset>")
            << false << 0 << QString();
    }
    void read()
    {
        QFETCH(QByteArray, body);
        QFETCH(bool, isIndex);
        QFETCH(int, locations);
        QFETCH(QString, problem);
        const Sitemap sitemap = Sitemap::read(body);
        QCOMPARE(sitemap.isIndex, isIndex);
        QCOMPARE(int(sitemap.locations.size()), locations);
        QVERIFY2(problem.isEmpty() ? sitemap.problem.isEmpty() : sitemap.problem.contains(problem),
                 qPrintable(sitemap.problem));
        if (locations > 0)
            QVERIFY(sitemap.locations.front().startsWith("http://h/"));
    }
};

VANDRELL_TEST(TestSitemap)
#include "test_sitemap.moc"
