// Tests for a page's text as the number reader takes it: lines and cells as
// a browser lays them out, which line ends end a block, character references
// as browsers read them, and tel: links with the text they show.

#include "TestRegistry.h"
#include "core/html/PageText.h"

#include <QTest>

namespace {

// The text with each line end that ends no block shown as '|'.
QByteArray marked(const PageText& page)
{
    QByteArray text = QByteArray::fromStdString(page.text);
    for (const std::size_t at : page.lineBreaks)
        text[qsizetype(at)] = '|';
    return text;
}

} // namespace

class TestPageText final : public QObject {
    Q_OBJECT
private slots:
    void text_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QByteArray>("text");
        QTest::newRow("blocks, breaks, cells")
            << QByteArray("<p>Tel<br>030 1234</p><p>b</p><table><tr><th>Fax</th><td>1</td></tr></table>")
            << QByteArray("Tel|030 1234\nb\nFax\t1\n");
        QTest::newRow("a break before a block's end ends the block")
            << QByteArray("<p>a<br></p><p>b</p>") << QByteArray("a\nb\n");
        QTest::newRow("a term goes on into its description")
            << QByteArray("<dl><dt>Phone</dt><dd>030 1234</dd><dt>IBAN</dt><dd>DE89</dd></dl>")
            << QByteArray("Phone|030 1234\nIBAN|DE89\n");
        QTest::newRow("lines of a pre") << QByteArray("<pre>a\nb</pre>c") << QByteArray("a|b\nc\n");
        QTest::newRow("HTML5 names libxml2 does not know") << QByteArray("<p>&plus;49&ThinSpace;30 &bsol; &nGt;</p>")
                                                           << QByteArray("+49 30 \\ \xe2\x89\xab\xe2\x83\x92\n");
        QTest::newRow("an escaped ampersand stays one")
            << QByteArray("<p>&amp;plus;49 &nosuch;1 &plus 2</p>") << QByteArray("&plus;49 &nosuch;1 &plus 2\n");
        QTest::newRow("hidden content, alt text")
            << QByteArray("<script>1</script><p>a<img alt='Tel'>2</p>") << QByteArray("a Tel 2\n");
    }
    void text()
    {
        QFETCH(QByteArray, html);
        QFETCH(QByteArray, text);
        QCOMPARE(marked(extractPageText(html.toStdString())), text);
    }

    void telLinkSpansItsText()
    {
        const PageText page = extractPageText("<p>Call <a href='tel:%2B49-30-1'>030 1</a> now</p>");
        QCOMPARE(page.telLinks.size(), std::size_t(1));
        const TelLink& link = page.telLinks.front();
        QCOMPARE(QByteArray::fromStdString(link.href), QByteArray("tel:+49-30-1"));
        QCOMPARE(QByteArray::fromStdString(page.text.substr(link.start, link.end - link.start)), QByteArray("030 1"));
    }
};

VANDRELL_TEST(TestPageText)
#include "test_page_text.moc"
