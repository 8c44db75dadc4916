// The robots.txt reader and matcher: RFC 9309's examples, then the edge cases servers send: empty rules, "*"
// and "$", percent-encoding, groups for several agents, odd line ends, a byte order mark and an over-long file;
// Crawl-delay and Sitemap lines.

#include "TestRegistry.h"
#include "core/web/RobotsTxt.h"

#include <QTest>

Q_DECLARE_METATYPE(RobotsTxt)

using Paths = QList<QByteArray>;
const char* const rfcSimpleExample =
    "User-Agent: *\nDisallow: *.gif$\nDisallow: /example/\nAllow: /publications/\n\n"
    "User-Agent: foobot\nDisallow:/\nAllow:/example/page.html\nAllow:/example/allowed.gif\n\n"
    "User-Agent: barbot\nUser-Agent: bazbot\nDisallow: /example/page.html\n\n"
    "User-Agent: quxbot\n\nEOF\n";

class TestRobotsTxt final : public QObject {
    Q_OBJECT
private slots:
    void allows_data()
    {
        QTest::addColumn<RobotsTxt>("robots");
        QTest::addColumn<Paths>("allowed");
        QTest::addColumn<Paths>("refused");
        const auto row = [](const char* name, std::string_view body, const Paths& allowed, const Paths& refused,
                            std::string_view token = "Vandrell") {
            QTest::newRow(name) << RobotsTxt::parse(body, token) << allowed << refused;
        };
        const auto padded = [](std::string head, std::size_t end, const char* tail) {
            return head + '#' + std::string(end - head.size() - 2, 'x') + '\n' + tail;
        };
        const std::size_t limit = RobotsTxt::maxParsedBytes;
        row("example, *", rfcSimpleExample, {"/", "/publications/a.gif", "/a.gif?s=2", "/a.gifs", "/robots.txt"},
            {"/a.gif", "/x/.gif", "/example/", "/example/page.html"}, "otherbot");
        row("example, foobot", rfcSimpleExample, {"/example/page.html", "/example/allowed.gif"},
            {"/", "/example/page.htm", "/publications/", "/b.html"}, "foobot");
        row("example, bazbot", rfcSimpleExample, {"/a.gif", "/example/"}, {"/example/page.html"}, "BAZBOT");
        row("example, quxbot (no rules)", rfcSimpleExample, {"/a.gif", "/example/page.html"}, {}, "quxbot");
        row("longest match", "User-Agent: foobot\nAllow: /example/page/\nDisallow: /example/page/disallowed.gif",
            {"/example/page/", "/example/page/a.gif"}, {"/example/page/disallowed.gif"}, "foobot");
        row("groups merge",
            "user-agent: ExampleBot\ndisallow: /foo\ndisallow: /bar\n\nuser-agent: ExampleBot\ndisallow: /baz",
            {"/qux"}, {"/foo", "/bar", "/baz"}, "examplebot");
        row("special characters", "User-agent: *\nDisallow: /\nAllow: /this/path/exactly$\nAllow: /this/*/exactly",
            {"/this/path/exactly", "/this/a/b/exactly", "/this/a/exactly/b", "/robots.txt", "/robots%2etxt"},
            {"/this/path/exactl", "/", "/this/", "/robots.txt?x"});
        row("%2A and %24 name * and $", "User-agent: *\nDisallow: /path/file-with-a-%2A.html\nDisallow: /path/foo-%24",
            {"/path/file-with-a-b.html", "/path/foo-"},
            {"/path/file-with-a-*.html", "/path/file-with-a-%2a.html", "/path/foo-$", "/path/foo-%24"});
        row("percent-encoding",
            "User-agent: *\nDisallow: /\nAllow: /a/\xE3\x83\x84\nAllow: /b/%e3%83%84\nAllow: /c/%62%61%7A\n"
            "Allow: /d/baz\nAllow: /q?baz=quz\nAllow: /~joe\nAllow: /t b|\nAllow: /5%off\nAllow: /r%2fb\nAllow: /s%3A",
            {"/a/%E3%83%84", "/b/%E3%83%84", "/b/\xE3\x83\x84", "/c/baz", "/c/%62%61%7a", "/d/%62az", "/q?baz=quz",
             "/%7Ejoe", "/t%20b%7c", "/5%25off", "/r%2Fb", "/s%3a"},
            {"/a/", "/c/bay", "/q?baz=qu", "/5%2off", "/r/b", "/s:"});
        row("* and $; an Allow wins a tie",
            "User-agent: *\nDisallow: /*.gif$\nDisallow: /a*b**c\nDisallow: /**x*$\nDisallow: /$\nDisallow: /page\n"
            "Allow: /page\nDisallow: /kmn\nAllow: /k*n",
            {"/i.gif?v=1", "/i.gifs", "/acb", "/y", "/z/", "/page", "/kmn"},
            {"/i.gif", "/.gif", "/aXbYc", "/abc/d", "/x", "/q/x", "/"});
        row("our empty group beats *", "User-agent: *\nDisallow: /\n\nUser-agent: Vandrell\nDisallow:\n", {"/x"}, {});
        row("our group, not *", "User-agent: *\nDisallow: /a\nUser-agent: vAnDrElL/2.1\nDisallow: /b", {"/a"}, {"/b"});
        row("else *", "User-agent: VandrellBot\nDisallow: /a\nUser-agent: *\nDisallow: /b", {"/a"}, {"/b"});
        row("no group applies", "Disallow: /\nUser-agent: otherbot\nDisallow: /", {"/", "/x"}, {});
        row("several agents, other records inside",
            "User-agent: a\nSitemap: http://x/s.xml\nCrawl-delay: 3\n"
            "User-Agent: *\nUser-Agent: VANDRELL\nDisallow: /x\nSitemap: /s\nDisallow: /y\nUser-agent: *\nDisallow: /z",
            {"/z"}, {"/x", "/y"});
        row("keys, blanks, comments",
            "USER-AGENT\t: *  # all\n \tDISALLOW\t:\t/priv # /c\n# Disallow: /d\n"
            "ALLOW:/priv/pub\ndisallow /nocolon\nDisallow: nopath",
            {"/priv/pub", "/c", "/d", "/nocolon", "/nopath"}, {"/priv", "/private"});
        row("byte order mark; CR, LF and CR LF",
            "\xEF\xBB\xBFUser-agent: *\rDisallow: /a\rAllow: /a/b\r\nDisallow: /c\n\rDisallow: /d", {"/", "/a/b"},
            {"/a", "/c", "/d"});
        row("a line the limit cuts is dropped",
            padded("User-agent: *\nDisallow: /early\n", limit - 14, "Disallow: /cut-by-the-limit\nDisallow: /late"),
            {"/cut", "/late"}, {"/early"});
        row("a line that ends at the limit is read",
            padded("User-agent: *\n", limit - 15, "Disallow: /edge\nDisallow: /late"), {"/late"}, {"/edge"});
        QTest::newRow("allow all") << RobotsTxt::allowAll() << Paths{"/", "/a"} << Paths{};
        QTest::newRow("disallow all") << RobotsTxt::disallowAll() << Paths{"/robots.txt"} << Paths{"/", "/a"};
    }

    void allows()
    {
        QFETCH(RobotsTxt, robots);
        QFETCH(Paths, allowed);
        QFETCH(Paths, refused);
        for (const QByteArray& path : allowed)
            QVERIFY2(robots.allows(path.toStdString()), path);
        for (const QByteArray& path : refused)
            QVERIFY2(!robots.allows(path.toStdString()), path);
    }

    // Crawl-delay from the group whose rules bind us; Sitemap lines from
    // anywhere, outside the groups.
    void crawlDelayAndSitemaps_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<double>("delay");
        QTest::addColumn<int>("sitemaps");
        QTest::newRow("ours over anyone's")
            << QByteArray("User-agent: *\nCrawl-delay: 5\n\nUser-agent: Vandrell\nCrawl-delay: 0.5\n") << 0.5 << 0;
        QTest::newRow("anyone's") << QByteArray("User-agent: *\nCrawl-delay: 2\nSitemap: http://h/s.xml\n") << 2.0 << 1;
        QTest::newRow("another crawler's") << QByteArray("User-agent: Other\nCrawl-delay: 9\n") << 0.0 << 0;
        QTest::newRow("huge, as written") << QByteArray("User-agent: *\nCrawl-delay: 1e9\n") << 1e9 << 0;
        QTest::newRow("garbage, negative, inf ignored")
            << QByteArray("User-agent: *\nCrawl-delay: soon\nCrawl-delay: -3\nCrawl-delay: inf\n") << 0.0 << 0;
        QByteArray many;
        for (int i = 0; i < 500; ++i)
            many += "Sitemap: http://h/s" + QByteArray::number(i) + ".xml\n";
        QTest::newRow("sitemap lines capped") << many << 0.0 << int(RobotsTxt::maxSitemaps);
    }
    void crawlDelayAndSitemaps()
    {
        QFETCH(QByteArray, body);
        QFETCH(double, delay);
        QFETCH(int, sitemaps);
        const RobotsTxt robots = RobotsTxt::parse(body.toStdString());
        QCOMPARE(robots.crawlDelaySeconds(), delay);
        QCOMPARE(int(robots.sitemaps().size()), sitemaps);
    }
};

VANDRELL_TEST(TestRobotsTxt)
#include "test_robots_txt.moc"
