// Removing rows from the results list: Delete, Shift+Delete and double-click
// through real input events, the busy-pointer guard, and Clear Results.

#include "FormFixture.h"
#include "ResultsTesting.h"
#include "TestRegistry.h"
#include "app/ReportListView.h"

#include <QTest>

namespace {
enum Gesture { DeleteKey, ShiftDelete, OtherKey, DoubleClick };

QStringList texts(const RowListModel& rows)
{
    QStringList list;
    for (int i = 1; i <= rows.count(); ++i)
        list << rows.text(i);
    return list;
}
} // namespace

class ResultsListTest final : public QObject {
    Q_OBJECT
private slots:
    void removesSelectedRow_data()
    {
        QTest::addColumn<int>("gesture");
        QTest::addColumn<int>("selected");
        QTest::addColumn<bool>("busy");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QStringList>("expected");
        const QStringList three{QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("333")};
        const QStringList withoutSecond{QStringLiteral("111"), QStringLiteral("333")};
        QTest::newRow("Delete takes the middle row") << int(DeleteKey) << 2 << false << three << withoutSecond;
        QTest::newRow("Shift+Delete likewise") << int(ShiftDelete) << 2 << false << three << withoutSecond;
        QTest::newRow("double-click") << int(DoubleClick) << 2 << false << three << withoutSecond;
        QTest::newRow("another key") << int(OtherKey) << 2 << false << three << three;
        QTest::newRow("busy: Delete") << int(DeleteKey) << 2 << true << three << three;
        QTest::newRow("busy: double-click") << int(DoubleClick) << 2 << true << three << three;
        QTest::newRow("nothing selected") << int(DeleteKey) << 0 << false << three << three;
        QTest::newRow("empty list") << int(DeleteKey) << 0 << false << QStringList() << QStringList();
    }

    void removesSelectedRow()
    {
        QFETCH(int, gesture);
        QFETCH(int, selected);
        QFETCH(bool, busy);
        QFETCH(QStringList, rows);
        QFETCH(QStringList, expected);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        RowListModel& list = addResults(form, rows, rows.isEmpty() ? QList<int>() : QList<int>{1});
        if (selected > 0)
            form.ListView2->selectRow(selected);
        if (busy)
            form.setMousePointer(11);

        if (gesture == DoubleClick) {
            const QRect cell = form.ListView2->visualRect(list.index(selected - 1, 0));
            QTest::mouseDClick(form.ListView2->viewport(), Qt::LeftButton, {}, cell.center());
        } else {
            QTest::keyClick(form.ListView2, gesture == OtherKey ? Qt::Key_Backspace : Qt::Key_Delete,
                            gesture == ShiftDelete ? Qt::ShiftModifier : Qt::NoModifier);
        }
        QCOMPARE(texts(list), expected);
        QVERIFY(fixture.dialogs.messages.isEmpty());
    }

    void clearResultsRemovesEverythingSilently()
    {
        FormFixture fixture;
        Form1& form = fixture.loaded();
        RowListModel& rows =
            addResults(form, {QStringLiteral("5551234"), QStringLiteral("http://a.example - 5551234")}, {2});
        form.setMousePointer(11); // never waits for a busy window
        form.PushButton9_Click();
        QCOMPARE(rows.count(), 0);
        QCOMPARE(form.ListView2->model()->rowCount(), 0);
        form.PushButton9_Click(); // an empty list stays empty, still without a word
        QCOMPARE(rows.count(), 0);
        QVERIFY(fixture.dialogs.messages.isEmpty());
    }
};

VANDRELL_TEST(ResultsListTest)
#include "test_results_list.moc"
