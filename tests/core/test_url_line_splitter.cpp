// Tests for cutting URL file text into rows: every kind of line end, alone,
// mixed and at the end of the text, checked against the two-stage reading
// the rows are defined by, whole and cut into chunks at every place.

#include "TestRegistry.h"
#include "core/UrlLineSplitter.h"

#include <QTest>

namespace {

// The definition, step by step: lines end at CR or CR LF (dropped), then
// every line is split at each LF; a lone LF ending the text makes no row.
QList<QByteArray> referenceRows(const QByteArray& text)
{
    if (text.endsWith('\n') && !text.endsWith("\r\n"))
        return referenceRows(text.chopped(1) + '\r');
    QList<QByteArray> rows;
    qsizetype pos = 0;
    while (pos < text.size()) {
        qsizetype cr = text.indexOf('\r', pos);
        const QByteArray line = text.mid(pos, cr < 0 ? -1 : cr - pos);
        pos = cr < 0 ? text.size() : cr + 1 + (cr + 1 < text.size() && text[cr + 1] == '\n');
        rows += line.split('\n');
    }
    return rows;
}

QList<QByteArray> chunkedRows(const QByteArray& text, const QList<qsizetype>& cuts)
{
    QList<QByteArray> rows;
    const auto add = [&rows](std::string_view row) { rows << QByteArray(row.data(), qsizetype(row.size())); };
    UrlLineSplitter splitter;
    qsizetype from = 0;
    for (qsizetype cut : cuts + QList<qsizetype>{text.size()}) {
        splitter.feed(std::string_view(text.constData() + from, std::size_t(cut - from)), add);
        from = cut;
    }
    splitter.finish(add);
    return rows;
}

} // namespace

class TestUrlLineSplitter final : public QObject {
    Q_OBJECT
private slots:
    void rows_data()
    {
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QList<QByteArray>>("rows");
        using L = QList<QByteArray>;
        QTest::newRow("empty") << QByteArray() << L{};
        QTest::newRow("no line end") << QByteArray("http://a.example/") << L{"http://a.example/"};
        QTest::newRow("CR LF") << QByteArray("a\r\nb\r\n") << L{"a", "b"};
        QTest::newRow("LF") << QByteArray("a\nb\n") << L{"a", "b"};
        QTest::newRow("blank LF line at the end") << QByteArray("a\n\n") << L{"a", ""};
        QTest::newRow("CR") << QByteArray("a\rb\r") << L{"a", "b"};
        QTest::newRow("CR LF, last unended") << QByteArray("a\r\nb") << L{"a", "b"};
        QTest::newRow("LF, last unended") << QByteArray("a\nb") << L{"a", "b"};
        QTest::newRow("blank CR LF line") << QByteArray("a\r\n\r\nb\r\n") << L{"a", "", "b"};
        QTest::newRow("blank LF line") << QByteArray("a\n\nb") << L{"a", "", "b"};
        QTest::newRow("blank CR line") << QByteArray("a\r\rb") << L{"a", "", "b"};
        QTest::newRow("only CR LF") << QByteArray("\r\n") << L{""};
        QTest::newRow("only CR") << QByteArray("\r") << L{""};
        QTest::newRow("only LF") << QByteArray("\n") << L{""};
        QTest::newRow("LF CR") << QByteArray("a\n\rb") << L{"a", "", "b"};
        QTest::newRow("CR CR LF") << QByteArray("a\r\r\n") << L{"a", ""};
        QTest::newRow("CR LF LF") << QByteArray("a\r\n\n") << L{"a", ""};
        QTest::newRow("LF CR LF") << QByteArray("a\n\r\n") << L{"a", ""};
        QTest::newRow("mixed") << QByteArray("one\r\ntwo\nthree\rfour") << L{"one", "two", "three", "four"};
        QTest::newRow("blanks kept") << QByteArray("  a b \t\r\n ") << L{"  a b \t", " "};
    }

    // Whole, in two pieces cut anywhere, and byte by byte: always the same rows.
    void rows()
    {
        QFETCH(QByteArray, text);
        QFETCH(QList<QByteArray>, rows);
        QCOMPARE(splitUrlLines(text), rows);
        QCOMPARE(referenceRows(text), rows);
        QList<qsizetype> everyByte;
        for (qsizetype cut = 0; cut <= text.size(); ++cut) {
            QCOMPARE(chunkedRows(text, {cut}), rows);
            everyByte << cut;
        }
        QCOMPARE(chunkedRows(text, everyByte), rows);
    }

    // Every text of up to eight bytes over 'a', CR and LF, whole and cut in two.
    void matchesTheDefinitionExhaustively()
    {
        const char alphabet[] = {'a', '\r', '\n'};
        for (int length = 0, total = 1; length <= 8; ++length, total *= 3) {
            for (int code = 0; code < total; ++code) {
                QByteArray text;
                for (int i = 0, c = code; i < length; ++i, c /= 3)
                    text += alphabet[c % 3];
                const QList<QByteArray> expected = referenceRows(text);
                QCOMPARE(splitUrlLines(text), expected);
                QCOMPARE(chunkedRows(text, {length / 2}), expected);
            }
        }
    }
};

VANDRELL_TEST(TestUrlLineSplitter)
#include "test_url_line_splitter.moc"
