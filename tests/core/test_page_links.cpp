// Tests for a page's links as a crawl takes them: each page is read by
// extractPageLinks, its base and hrefs resolved with LinkResolver as a crawl
// does, and the URLs and the robots flag compared with what a browser follows.

#include "TestRegistry.h"
#include "core/html/NumberSieve.h"
#include "core/html/PageLinks.h"
#include "core/html/PageText.h"
#include "core/html/PlainPageLinks.h"
#include "core/web/PageUrl.h"

#include <QTest>

namespace {

const QByteArray kPage = "http://site.test/dir/page.html?q=1#top";

QList<QByteArray> followedLinks(const PageLinks& links)
{
    const PageUrl page = *PageUrl::fromAbsolute(kPage);
    const PageUrl base = links.base.isEmpty() ? page : LinkResolver(page).resolve(links.base).value_or(page);
    const LinkResolver resolver(base);
    QList<QByteArray> urls;
    for (const QByteArray& href : links.hrefs) {
        if (const std::optional<PageUrl> url = resolver.resolve(href))
            urls << url->request();
    }
    return urls;
}

} // namespace

class TestPageLinks final : public QObject {
    Q_OBJECT
private slots:
    void links_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QList<QByteArray>>("urls");
        QTest::addColumn<bool>("nofollow");
        QTest::addColumn<bool>("plain"); // read without the parse
        using L = QList<QByteArray>;
        const QByteArray d = "http://site.test/dir/";
        QTest::newRow("relative, absolute, upper case, duplicates, fragments")
            << QByteArray("<a href=n.html><a href=/r><A HREF='../up/'><a href=https://o.test/x><a href=n.html#f>"
                          "<a href=#top><a href='?p=2#x'>")
            << L{d + "n.html", "http://site.test/r", "http://site.test/up/", "https://o.test/x",
                 d + "n.html", d + "page.html?q=1",  d + "page.html?p=2"}
            << false << true;
        QTest::newRow("area, iframe, frame in order, nothing else")
            << QByteArray("<img src=i><link href=l><script src=s></script><map><area href=a></map><iframe src=f>"
                          "</iframe><frameset><frame src=g></frameset><a name=x><iframe>")
            << L{d + "a", d + "f", d + "g"} << false << true;
        QTest::newRow("first base, absolute") << QByteArray("<base href=http://cdn.test/b/><base href=/no/><a href=x>")
                                              << L{"http://cdn.test/b/x"} << false << true;
        QTest::newRow("relative base, late") << QByteArray("<a href=x><base href=' ../sub/ '><base href=/no/>")
                                             << L{"http://site.test/sub/x"} << false << true;
        QTest::newRow("empty base counts")
            << QByteArray("<base href><base href=/no/><a href=x>") << L{d + "x"} << false << true;
        QTest::newRow("rel nofollow")
            << QByteArray("<a rel=nofollow href=n1><a rel=NoFollow href=n2><a rel='ugc\tNOFOLLOW noopener' href=n3>"
                          "<area rel=nofollow href=n4><a rel=nofollowing href=k1><a rel=no-follow href=k2>"
                          "<iframe rel=nofollow src=k3><a rel href=k4>")
            << L{d + "k1", d + "k2", d + "k3", d + "k4"} << false << true;
        QTest::newRow("robots nofollow") << QByteArray("<meta name=robots content='noindex, nofollow'><a href=x>")
                                         << L{d + "x"} << true << true;
        QTest::newRow("robots upper case")
            << QByteArray("<META NAME=' Robots ' CONTENT=NOFOLLOW>") << L{} << true << true;
        QTest::newRow("robots none") << QByteArray("<meta content=none name=robots>") << L{} << true << true;
        QTest::newRow("robots, one of two") << QByteArray("<meta name=robots content=noindex><meta name=robots "
                                                          "content=noarchive,nofollow>")
                                            << L{} << true << true;
        QTest::newRow("robots follow") << QByteArray("<meta name=robots content='noindex,nofollowed'><meta "
                                                     "name=googlebot content=nofollow><meta content=nofollow>")
                                       << L{} << false << true;
        QTest::newRow("malformed") << QByteArray("<p><a href=u.html>x<a href='s.html'><div><!-- <a href=c.html> -->"
                                                 "<script>w('<a href=js.html>')</script></b></a><a href = ' sp.html '"
                                                 " <a href=\"q.html\"></td><<a href=last")
                                   << L{d + "u.html", d + "s.html", d + "sp.html", d + "last"} << false << false;
        QTest::newRow("entities, then a Latin-1 byte")
            << QByteArray(
                   "<a href='l?a=1&amp;b=2'><a href='&#x2F;s'><a href=caf&eacute;><a href='/&#233;'><a href=\xe9>")
            << L{d + "l?a=1&b=2", "http://site.test/s", d + "caf%C3%A9", "http://site.test/%C3%A9", d + "%C3%A9"}
            << false << false;
        QTest::newRow("schemes and garbage")
            << QByteArray("<a href=mailto:a@b.test><a href='javascript:go()'><a href=tel:+15551234><a href=ftp://f/>"
                          "<a href=data:,x><a href=//cdn.test/lib><a href=HTTPS://H.test/P><a href=http://[::1>"
                          "<a href=http://><a href=http://h:99999/><a href=''><a href=' '><a>")
            << L{"http://cdn.test/lib", "https://h.test/P"} << false << true;
        QTest::newRow("spaces, tabs and line breaks")
            << QByteArray("<a href=' two\n\tlines.html '><a href='with space.html?a b'>")
            << L{d + "twolines.html", d + "with%20space.html?a%20b"} << false << true;
        QTest::newRow("after the root's end") << QByteArray("<a href=x></html> <!-- --> <a href=y></body></html>"
                                                            "<html><a href=z></html></html>t<a href=w")
                                              << L{d + "x", d + "y", d + "z", d + "w"} << false << false;
        QTest::newRow("references as libxml2 decodes them")
            << QByteArray("<a href='a?x=1&amp;y=2&AMP;z'><a href=b&#38;c&#x26g><a href='e&#0;cut'><a href=f&#xZ>"
                          "<a href='g?&foo;&plus;&amp'><base href=&#47;>")
            << L{"http://site.test/a?x=1&y=2&AMP;z", "http://site.test/b&c&g", "http://site.test/e",
                 "http://site.test/f", "http://site.test/g?&foo;&plus;&amp"}
            << false << true;
        QTest::newRow("bytes beyond ASCII where no URL is")
            << QByteArray("<meta name=description content='Caf\xc3\xa9'><meta name=robots content='nofollow,\xc3\xa9'>"
                          "<a title='\xc3\xa9' href=x>")
            << L{d + "x"} << true << true;
        QTest::newRow("a processing instruction's target")
            << QByteArray("<?_ <a href=y>><?1 <a href=x>") << L{d + "x"} << false << true;
        QTest::newRow("a name past libxml2's 100 bytes")
            << "<a " + QByteArray(100, 'x') + "href=y>" << L{d + "y"} << false << false;
        QTest::newRow("a charset that spells ASCII otherwise")
            << QByteArray("<meta charset=shift_jis><a href=x>") << L{d + "x"} << false << false;
        QTest::newRow("a NUL") << QByteArray("<a href=x>\0<a href=y>", 21) << L{d + "x", d + "y"} << false << false;
        // The first chunk ends at the last '<' before 64 KiB, here inside a
        // quoted value: libxml2 2.9 then holds the rest back to the end.
        QTest::newRow("across chunks") << "<a href=far.html></html>" + QByteArray(65476, ' ') + "<i title='<" +
                                              QByteArray(99, 'x') + "'></html><a href=farther.html>"
                                       << L{d + "far.html", d + "farther.html"} << false << true;
    }

    void links()
    {
        QFETCH(QByteArray, html);
        QFETCH(QList<QByteArray>, urls);
        QFETCH(bool, nofollow);
        QFETCH(bool, plain);
        const std::string_view bytes(html.constData(), std::size_t(html.size()));
        const PageLinks links = extractPageLinks(bytes);
        QCOMPARE(followedLinks(links), urls);
        QCOMPARE(links.nofollow, nofollow);
        QCOMPARE(readPlainPageLinks(bytes, {}).has_value(), plain);
        // The parse reads the same, alone and with the page's text.
        const PageLinks parsed = parsePageLinks(bytes);
        QCOMPARE(followedLinks(parsed), urls);
        QCOMPARE(parsed.nofollow, nofollow);
        PageLinks withText;
        extractPageTextAndLinks(bytes, {}, withText);
        QCOMPARE(followedLinks(withText), urls);
        QCOMPARE(withText.nofollow, nofollow);
    }

    // The parse stops at 512 open elements; the walk, which builds nothing,
    // reads on.
    void tooDeep()
    {
        const QByteArray html = "<a href=x>" + QByteArray("<b>").repeated(508) + "<a href=y><b><a href=z>";
        const std::string_view bytes(html.constData(), std::size_t(html.size()));
        const QByteArray d = "http://site.test/dir/";
        QCOMPARE(followedLinks(parsePageLinks(bytes)), (QList<QByteArray>{d + "x", d + "y"}));
        QCOMPARE(followedLinks(extractPageLinks(bytes)), (QList<QByteArray>{d + "x", d + "y", d + "z"}));
    }

    // The sieve's walk tells the same links, where it walks the page to its
    // end: not past a tel: link, whose page is parsed for its text anyway.
    void toldBySieve_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<bool>("told");
        QTest::newRow("links, a base, robots")
            << QByteArray("<base href=/b/><meta name=robots content=nofollow><p>Call 555 0100</p>"
                          "<a href='x?a=1&amp;b=2'>x</a><iframe src=f></iframe>")
            << true;
        QTest::newRow("a tel: link") << QByteArray("<a href=x>x</a><a href='tel:+15550100'>call</a><a href=y>")
                                     << false;
    }

    void toldBySieve()
    {
        QFETCH(QByteArray, html);
        QFETCH(bool, told);
        const std::string_view bytes(html.constData(), std::size_t(html.size()));
        PlainLinkReader links(bytes, {});
        sievePage(bytes, {}, shortestNumber("US"), &links);
        const std::optional<PageLinks> toldLinks = links.take();
        QCOMPARE(toldLinks.has_value(), told);
        if (told) {
            const PageLinks parsed = parsePageLinks(bytes);
            QCOMPARE(followedLinks(*toldLinks), followedLinks(parsed));
            QCOMPARE(toldLinks->base, parsed.base);
            QCOMPARE(toldLinks->nofollow, parsed.nofollow);
        }
    }

    // The walk reads a page only where its charset, from the header or the
    // page, has the parse hand over what the walk reads.
    void charsets_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<bool>("plain");
        const QByteArray utf8 = "\xc3\xa9<a href=y>";
        QTest::newRow("UTF-8 bytes, header us-ascii") << QByteArray("text/html; charset=us-ascii") << utf8 << false;
        QTest::newRow("UTF-8 bytes, header windows-1252, one it lacks")
            << QByteArray("text/html; charset=windows-1252") << QByteArray("\xc3\x81<a href=y>") << false;
        QTest::newRow("UTF-8 bytes, header iso-8859-1") << QByteArray("text/html; charset=iso-8859-1") << utf8 << true;
        QTest::newRow("UTF-8 bytes, the page says us-ascii")
            << QByteArray() << "<meta charset=us-ascii>" + utf8 << false;
        QTest::newRow("a charset that spells letters otherwise")
            << QByteArray() << QByteArray("<meta charset=latin-greek><a href=x>") << false;
        QTest::newRow("a header charset libxml2 does not know")
            << QByteArray("text/html; charset=iso-8859-99") << QByteArray("<meta charset=utf-7><a href=\"+AGE-\">")
            << false;
        QTest::newRow("a charset behind a reference") << QByteArray()
                                                      << QByteArray("<meta http-equiv=content-type content=\"&#99;"
                                                                    "harset=utf-7\"><a href=\"+AGE-\">")
                                                      << false;
        QTest::newRow("a reference in a description")
            << QByteArray() << QByteArray("<meta name=description content='Tom &amp; Jerry'><a href=x>") << true;
    }

    void charsets()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, html);
        QFETCH(bool, plain);
        const std::string_view bytes(html.constData(), std::size_t(html.size()));
        const std::string_view type(contentType.constData(), std::size_t(contentType.size()));
        QCOMPARE(readPlainPageLinks(bytes, type).has_value(), plain);
        const PageLinks links = extractPageLinks(bytes, type);
        const PageLinks parsed = parsePageLinks(bytes, type);
        QCOMPARE(followedLinks(links), followedLinks(parsed));
        QCOMPARE(links.base, parsed.base);
    }

    // The answer's charset decides, as browsers read it, not libxml2's guess.
    void headerCharset()
    {
        const PageLinks links = extractPageLinks("<a href=/\xc3\xbc"
                                                 "1>",
                                                 "text/html; charset=UTF-8");
        QCOMPARE(links.hrefs, std::vector<QByteArray>{"/\xc3\xbc"
                                                      "1"});
    }
};

VANDRELL_TEST(TestPageLinks)
#include "test_page_links.moc"
