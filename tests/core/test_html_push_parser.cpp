// Tests for the push parser both readers of a page stand on: the charset a
// header names, a page fed in chunks read as it would be at once, reading on
// after </html>, and the stop where elements nest too deep.

#include "TestRegistry.h"
#include "core/html/HtmlPushParser.h"

#include <QTest>

namespace {

struct Seen {
    htmlParserCtxtPtr parser = nullptr;
    QByteArrayList tags;
    QByteArray text;
};

// The start tags and text of a page, as a reader sees them.
Seen parsed(const QByteArray& html, std::string_view contentType = {})
{
    xmlSAXHandler handler{};
    handler.initialized = XML_SAX2_MAGIC;
    handler.startElement = [](void* context, const xmlChar* name, const xmlChar**) {
        auto& seen = *static_cast<Seen*>(context);
        if (!HtmlPushParser::stoppedTooDeep(seen.parser))
            seen.tags << QByteArray(reinterpret_cast<const char*>(name));
    };
    handler.characters = [](void* context, const xmlChar* chars, int length) {
        static_cast<Seen*>(context)->text.append(reinterpret_cast<const char*>(chars), length);
    };
    handler.serror = HtmlPushParser::ignoreError;
    Seen seen;
    HtmlPushParser::parse(std::string_view(html.constData(), std::size_t(html.size())), contentType, handler, &seen,
                          seen.parser);
    return seen;
}

} // namespace

class TestHtmlPushParser final : public QObject {
    Q_OBJECT
private slots:
    void headerCharset_data()
    {
        QTest::addColumn<QByteArray>("contentType");
        QTest::addColumn<QByteArray>("charset");
        QTest::newRow("none") << QByteArray("text/html") << QByteArray();
        QTest::newRow("lower case") << QByteArray("text/html; charset=UTF-8") << QByteArray("utf-8");
        QTest::newRow("quoted, other parameters")
            << QByteArray("text/html;Charset=\"ISO-8859-1\"; q=1") << QByteArray("iso-8859-1");
        QTest::newRow("UTF-16 arrives as UTF-8") << QByteArray("text/html; charset=utf-16le") << QByteArray("utf-8");
    }
    void headerCharset()
    {
        QFETCH(QByteArray, contentType);
        QFETCH(QByteArray, charset);
        QCOMPARE(HtmlPushParser::headerCharset(contentType.toStdString()), charset);
    }

    // A quoted attribute that holds a '>' and crosses where one chunk ends
    // must not end its tag early: the page reads as it would at once.
    void chunksReadAsOnePage()
    {
        const QByteArray filler(64 * 1024 - 20, 'x');
        const QByteArray html = "<p>" + filler + "<a title='a > b " + QByteArray(40, 'y') + "'>in</a><b>after</b>";
        const Seen seen = parsed(html);
        QCOMPARE(seen.tags, (QByteArrayList{"html", "body", "p", "a", "b"}));
        QVERIFY(seen.text.endsWith("inafter"));
    }

    void readsOnAfterHtmlEnd()
    {
        QCOMPARE(parsed("<html><body><p>one</p></body></html><p>two</p>").text, QByteArray("onetwo"));
    }

    void headerCharsetWinsOverMeta()
    {
        const Seen seen = parsed("<meta charset=utf-8><p>caf\xe9</p>", "text/html; charset=iso-8859-1");
        QVERIFY(seen.text.endsWith("caf\xc3\xa9"));
    }

    void stopsWhereElementsNestTooDeep()
    {
        QByteArray html;
        for (int i = 0; i < 5000; ++i)
            html += "<div>";
        html += "deep";
        const Seen seen = parsed(html);
        QVERIFY(seen.tags.size() < 600);
        QVERIFY(!seen.text.contains("deep"));
    }
};

VANDRELL_TEST(TestHtmlPushParser)
#include "test_html_push_parser.moc"
