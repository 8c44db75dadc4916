// The robots.txt reader and matcher: RFC 9309's own examples, then the edge
// cases servers send: empty rules, "*" and "$", percent-encoding, groups for
// several agents, odd line ends, a byte order mark and an over-long file.

#include "TestRegistry.h"
#include "core/RobotsTxt.h"

#include <QTest>

namespace {
using Paths = QList<QByteArray>;
std::string_view view(const QByteArray& bytes)
{
    return std::string_view(bytes.constData(), std::size_t(bytes.size()));
}
// The RFC's simple example.
const QByteArray rfcExample = "User-Agent: *\nDisallow: *.gif$\nDisallow: /example/\nAllow: /publications/\n\n"
                              "User-Agent: foobot\nDisallow:/\nAllow:/example/page.html\nAllow:/example/allowed.gif\n\n"
                              "User-Agent: barbot\nUser-Agent: bazbot\nDisallow: /example/page.html\n\n"
                              "User-Agent: quxbot\n\nEOF\n";
// Rules after padding that ends at offset `end`.
QByteArray pastPadding(const QByteArray& head, qsizetype end, const QByteArray& tail)
{
    const QByteArray line = "# " + QByteArray(100, 'x') + '\n';
    QByteArray body = head;
    while (body.size() + line.size() + 2 <= end)
        body += line;
    return body + '#' + QByteArray(end - body.size() - 2, 'y') + '\n' + tail;
}
} // namespace

class TestRobotsTxt final : public QObject {
    Q_OBJECT
private slots:
    void allows_data()
    {
        QTest::addColumn<QByteArray>("body");
        QTest::addColumn<QByteArray>("token");
        QTest::addColumn<Paths>("allowed");
        QTest::addColumn<Paths>("refused");
        const auto row = [](const char* name, const QByteArray& body, const Paths& allowed, const Paths& refused,
                            const QByteArray& token = "Vandrell") {
            QTest::newRow(name) << body << token << allowed << refused;
        };
        const qsizetype limit = RobotsTxt::maxParsedBytes;
        row("example, *", rfcExample, {"/", "/publications/a.gif", "/a.gif?s=2", "/a.gifs", "/robots.txt"},
            {"/a.gif", "/x/.gif", "/example/", "/example/page.html"}, "otherbot");
        row("example, foobot", rfcExample, {"/example/page.html", "/example/allowed.gif"},
            {"/", "/example/page.htm", "/publications/", "/b.html"}, "foobot");
        row("example, bazbot shares barbot's group", rfcExample, {"/a.gif", "/example/"}, {"/example/page.html"},
            "BAZBOT");
        row("example, quxbot's group has no rules", rfcExample, {"/a.gif", "/example/page.html"}, {}, "quxbot");
        row("longest match", "User-Agent: foobot\nAllow: /example/page/\nDisallow: /example/page/disallowed.gif",
            {"/example/page/", "/example/page/a.gif"}, {"/example/page/disallowed.gif"}, "foobot");
        row("an Allow wins a tie", "User-agent: *\nDisallow: /page\nAllow: /page\nDisallow: /abc\nAllow: /a*c",
            {"/page", "/abc"}, {});
        row("groups for one agent merge",
            "user-agent: ExampleBot\ndisallow: /foo\ndisallow: /bar\n\n"
            "user-agent: ExampleBot\ndisallow: /baz",
            {"/qux"}, {"/foo", "/bar", "/baz"}, "examplebot");
        row("special characters", "User-agent: *\nDisallow: /\nAllow: /this/path/exactly$\nAllow: /this/*/exactly",
            {"/this/path/exactly", "/this/a/b/exactly", "/this/a/exactly/b"}, {"/this/path/exactl", "/", "/this/"});
        row("%2A and %24 name * and $", "User-agent: *\nDisallow: /path/file-with-a-%2A.html\nDisallow: /path/foo-%24",
            {"/path/file-with-a-b.html", "/path/foo-"},
            {"/path/file-with-a-*.html", "/path/file-with-a-%2a.html", "/path/foo-$", "/path/foo-%24"});
        row("percent-encoding",
            "User-agent: *\nDisallow: /\nAllow: /a/\xE3\x83\x84\nAllow: /b/%e3%83%84\n"
            "Allow: /c/%62%61%7A\nAllow: /d/baz\nAllow: /q?baz=quz\nAllow: /~joe\nAllow: /t b|\nAllow: /5%off",
            {"/a/%E3%83%84", "/b/%E3%83%84", "/b/\xE3\x83\x84", "/c/baz", "/c/%62%61%7a", "/d/%62az", "/q?baz=quz",
             "/%7Ejoe", "/t%20b%7c", "/5%25off"},
            {"/a/", "/c/bay", "/q?baz=qu", "/5%2off"});
        row("reserved octets stay encoded", "User-agent: *\nDisallow: /a%2fb\nDisallow: /c%3A", {"/a/b", "/c:"},
            {"/a%2Fb", "/c%3a"});
        row("* and $", "User-agent: *\nDisallow: /*.gif$\nDisallow: /a*b**c\nDisallow: /**x*$\nDisallow: /$",
            {"/i.gif?v=1", "/i.gifs", "/acb", "/y", "/z/"}, {"/i.gif", "/.gif", "/aXbYc", "/abc/d", "/x", "/q/x", "/"});
        row("empty Disallow", "User-agent: *\nDisallow:\nAllow:", {"/", "/x"}, {});
        row("our empty group beats *", "User-agent: *\nDisallow: /\n\nUser-agent: Vandrell\nDisallow:\n", {"/x"}, {});
        row("our group, not *", "User-agent: *\nDisallow: /a\nUser-agent: vAnDrElL/2.1\nDisallow: /b", {"/a"}, {"/b"});
        row("* when no group is ours", "User-agent: VandrellBot\nDisallow: /a\nUser-agent: *\nDisallow: /b", {"/a"},
            {"/b"});
        row("no group applies", "Disallow: /\nUser-agent: otherbot\nDisallow: /", {"/", "/x"}, {});
        row("several agents, other records inside",
            "User-agent: a\nSitemap: http://x/s.xml\nCrawl-delay: 3\n"
            "User-Agent: *\nUser-Agent: VANDRELL\nDisallow: /x\nSitemap: /s\nDisallow: /y\nUser-agent: *\nDisallow: /z",
            {"/z"}, {"/x", "/y"});
        row("keys, blanks, comments",
            "USER-AGENT\t: *  # all\n \tDISALLOW\t:\t/priv # /c\n# Disallow: /d\n"
            "ALLOW:/priv/pub\ndisallow /nocolon\nDisallow: nopath",
            {"/priv/pub", "/c", "/d", "/nocolon", "/nopath"}, {"/priv", "/private"});
        row("CR, LF and CR LF", "User-agent: *\rDisallow: /a\rAllow: /a/b\r\nDisallow: /c\n\rDisallow: /d", {"/a/b"},
            {"/a", "/c", "/d"});
        row("byte order mark", "\xEF\xBB\xBFUser-agent: *\nDisallow: /a", {"/"}, {"/a"});
        row("/robots.txt", "User-agent: *\nDisallow: /", {"/robots.txt", "/robots%2etxt"}, {"/robots.txt?x", "/"});
        row("a line the limit cuts is dropped",
            pastPadding("User-agent: *\nDisallow: /early\n", limit - 14,
                        "Disallow: /cut-by-the-limit\nDisallow: /late"),
            {"/cut", "/late"}, {"/early"});
        row("a line that ends at the limit is read",
            pastPadding("User-agent: *\n", limit - 15, "Disallow: /edge\nDisallow: /late"), {"/late"}, {"/edge"});
    }

    void allows()
    {
        QFETCH(QByteArray, body);
        QFETCH(QByteArray, token);
        QFETCH(Paths, allowed);
        QFETCH(Paths, refused);
        const RobotsTxt robots = RobotsTxt::parse(view(body), view(token));
        for (const QByteArray& path : allowed)
            QVERIFY2(robots.allows(view(path)), path);
        for (const QByteArray& path : refused)
            QVERIFY2(!robots.allows(view(path)), path);
    }

    void presets()
    {
        QVERIFY(RobotsTxt::allowAll().allows("/a"));
        QVERIFY(!RobotsTxt::disallowAll().allows("/a"));
        QVERIFY(RobotsTxt::disallowAll().allows("/robots.txt"));
    }
};

VANDRELL_TEST(TestRobotsTxt)
#include "test_robots_txt.moc"
