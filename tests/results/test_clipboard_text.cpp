// The clipboard text on its own, for lists of any shape: widths over all
// rows, ticked rows only, padding, tabs, trimming, and rows that vanish
// while the text is being built.

#include "TestRegistry.h"
#include "results/ClipboardText.h"

#include <QTest>

namespace {
// A list given as its cells, row by row.
class Table final : public ListCells {
public:
    Table(QList<QStringList> cells, QList<bool> ticks) : cells(std::move(cells)), ticks(std::move(ticks)) {}

    int rowCount() const override { return int(cells.size()); }
    int columnCount() const override { return cells.isEmpty() ? 1 : int(cells.front().size()); }
    bool ticked(int row) const override { return ticks[row - 1]; }
    qsizetype cellLength(int row, int column) const override { return cells[row - 1][column - 1].size(); }
    void appendCell(QString& out, int row, int column) const override { out += cells[row - 1][column - 1]; }

    QList<QStringList> cells;
    QList<bool> ticks;
};

QList<QStringList> rowsOf(std::initializer_list<QStringList> rows)
{
    return QList<QStringList>(rows);
}
} // namespace

class ClipboardTextTest final : public QObject {
    Q_OBJECT
private slots:
    void builds_data()
    {
        QTest::addColumn<QList<QStringList>>("cells");
        QTest::addColumn<QList<bool>>("ticks");
        QTest::addColumn<QString>("expected");
        QTest::newRow("first and third of three ticked")
            << rowsOf({{QStringLiteral("12345")}, {QStringLiteral("678901234")}, {QStringLiteral("5550100")}})
            << QList<bool>{true, false, true} << QStringLiteral("12345\r\n5550100\r\n");
        QTest::newRow("two columns padded to 4 and 2")
            << rowsOf({{QStringLiteral("ab"), QStringLiteral("x")}, {QStringLiteral("abcd"), QStringLiteral("yy")}})
            << QList<bool>{true, true} << QStringLiteral("ab  \tx\r\nabcd\tyy\r\n");
        QTest::newRow("unticked rows still set the width")
            << rowsOf({{QStringLiteral("a"), QStringLiteral("1")}, {QStringLiteral("abcdef"), QStringLiteral("2")}})
            << QList<bool>{true, false} << QStringLiteral("a     \t1\r\n");
        QTest::newRow("an empty ticked row") << rowsOf({{QString()}}) << QList<bool>{true} << QStringLiteral("\r\n");
        QTest::newRow("none ticked") << rowsOf({{QStringLiteral("1")}, {QStringLiteral("2")}})
                                     << QList<bool>{false, false} << QString();
        QTest::newRow("trailing spaces go, tabs stay")
            << rowsOf({{QStringLiteral("a b  "), QStringLiteral("  ")}, {QStringLiteral("a"), QStringLiteral("x")}})
            << QList<bool>{true, true} << QStringLiteral("a b  \t\r\na    \tx\r\n");
        QTest::newRow("an empty column has width 0") << rowsOf({{QStringLiteral("a"), QString(), QStringLiteral("b")}})
                                                     << QList<bool>{true} << QStringLiteral("a\t\tb\r\n");
        QTest::newRow("a line of spaces after others") << rowsOf({{QStringLiteral("x")}, {QStringLiteral("   ")}})
                                                       << QList<bool>{true, true} << QStringLiteral("x\r\n\r\n");
    }

    void builds()
    {
        QFETCH(QList<QStringList>, cells);
        QFETCH(QList<bool>, ticks);
        QFETCH(QString, expected);
        QCOMPARE(clipboardText(Table(cells, ticks)), expected);
    }

    // Two ticked rows of two columns yield at calls 1-4 (widths), then 5,
    // 6, 7 for row 1 and its cells, then 8, 9, 10 for row 2.
    void rowsVanishWhileYielding_data()
    {
        QTest::addColumn<int>("clearAtCall");
        QTest::addColumn<QString>("expected");
        QTest::addColumn<int>("totalCalls");
        QTest::newRow("while measuring") << 1 << QString() << 4;
        QTest::newRow("between the cells of row 1") << 7 << QString() << 8;
        QTest::newRow("before row 2") << 8 << QStringLiteral("ab  \tx\r\n") << 8;
        QTest::newRow("never") << 0 << QStringLiteral("ab  \tx\r\nabcd\tyy\r\n") << 10;
    }

    void rowsVanishWhileYielding()
    {
        QFETCH(int, clearAtCall);
        QFETCH(QString, expected);
        QFETCH(int, totalCalls);
        Table table(
            rowsOf({{QStringLiteral("ab"), QStringLiteral("x")}, {QStringLiteral("abcd"), QStringLiteral("yy")}}),
            {true, true});
        int calls = 0;
        const QString text = clipboardText(table, [&] {
            if (++calls == clearAtCall)
                table.cells.clear();
        });
        QCOMPARE(text, expected);
        QCOMPARE(calls, totalCalls);
    }

    // A row removed during any yield shifts the rows after it up; the row
    // then read at that place may be unticked, and is never copied.
    void onlyRowsTickedWhenTakenAreCopied_data()
    {
        QTest::addColumn<int>("removedRow");
        QTest::addColumn<int>("removeAtCall");
        // Three rows of one column yield at most 3 + 3 + 2 times.
        for (int removedRow = 1; removedRow <= 3; ++removedRow) {
            for (int call = 1; call <= 8; ++call)
                QTest::addRow("row %d gone at call %d", removedRow, call) << removedRow << call;
        }
    }
    void onlyRowsTickedWhenTakenAreCopied()
    {
        QFETCH(int, removedRow);
        QFETCH(int, removeAtCall);
        Table table(rowsOf({{QStringLiteral("111")}, {QStringLiteral("222")}, {QStringLiteral("333")}}),
                    {true, false, true});
        int calls = 0;
        const QString text = clipboardText(table, [&] {
            if (++calls == removeAtCall) {
                table.cells.removeAt(removedRow - 1);
                table.ticks.removeAt(removedRow - 1);
            }
        });
        QVERIFY2(!text.contains(QLatin1String("222")), qPrintable(text));
        for (const QString& line : text.split(QLatin1String("\r\n"), Qt::SkipEmptyParts))
            QVERIFY(line == QLatin1String("111") || line == QLatin1String("333"));
    }
};

VANDRELL_TEST(ClipboardTextTest)
#include "test_clipboard_text.moc"
