// The rows behind both lists: their text and order, and the model that
// tells the views of appended rows in batches.

#include "TestRegistry.h"
#include "app/ListRows.h"
#include "app/RowListModel.h"
#include "core/AppError.h"

#include <QSignalSpy>
#include <QTest>

class TestListRows final : public QObject {
    Q_OBJECT
private slots:
    void listRowsKeepTextAndOrder()
    {
        ListRows rows;
        rows.append(QStringLiteral("eins"));
        rows.append(QString());
        rows.append(QStringLiteral("Zürich ☎ 555"));
        rows.appendUtf8("http://x", " - ", "5551234");
        rows.remove(1);
        QCOMPARE(rows.size(), std::size_t(3));
        QCOMPARE(rows.text(0), QStringLiteral("eins"));
        QCOMPARE(rows.text(1), QStringLiteral("Zürich ☎ 555"));
        QCOMPARE(rows.text(2), QStringLiteral("http://x - 5551234"));
        rows.remove(0);
        QCOMPARE(rows.text(0), QStringLiteral("Zürich ☎ 555"));
        rows.clear();
        QVERIFY(rows.empty());
    }

    void modelAnnouncesAppendsInBatches()
    {
        RowListModel model(true);
        model.addColumn(QStringLiteral("Result(s)"));
        QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);
        for (int i = 0; i < 1000; ++i)
            model.append(QString::number(i));
        QCOMPARE(model.count(), 1000);
        QCOMPARE(model.rowCount(), 0); // the view hears of them in a moment, all at once
        QTRY_COMPARE(inserted.size(), 1);
        QCOMPARE(model.rowCount(), 1000);
        model.setData(model.index(2, 0), Qt::Checked, Qt::CheckStateRole);
        QVERIFY(model.ticked(3));
        model.remove(1);
        QVERIFY(model.ticked(2));
        QCOMPARE(model.text(1), QStringLiteral("1"));
        QVERIFY_THROWS_EXCEPTION(AppError, model.text(1000));
        QVERIFY_THROWS_EXCEPTION(AppError, model.text(0));
    }
};

VANDRELL_TEST(TestListRows)
#include "test_list_rows.moc"
