// The main window's controls, its check boxes' values, pointer feedback and
// closing.

#include "FormFixture.h"
#include "TestRegistry.h"
#include "app/ProgressBar.h"
#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "app/StartupRoutines.h"
#include "app/ValueCheckBox.h"
#include "core/AppError.h"

#include <QAccessible>
#include <QApplication>
#include <QGroupBox>
#include <QHeaderView>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QToolTip>

namespace {
enum ListPart { Header, Border, Rows, ScrollBar };

bool partOfList(const QWidget* widget, const QWidget* list)
{
    return widget == list || list->isAncestorOf(widget);
}

QString listToolTip()
{
    return QStringLiteral(
        "Double-click item to remove it. Move | line to right and out of window to reveal full names.");
}

QRect twips(int left, int top, int width, int height, int dpi)
{
    return {left * dpi / 1440, top * dpi / 1440, width * dpi / 1440, height * dpi / 1440};
}
} // namespace

class TestWindow : public QObject {
    Q_OBJECT
private slots:
    void layoutFollowsTheControlTable()
    {
        FormFixture fixture;
        Form1& form = fixture.loaded();
        const int dpi = form.logicalDpiY();
        QCOMPARE(dpi, 96);
        QCOMPARE(form.size(), QSize(536, 624));
        QVERIFY(!(form.windowFlags() & Qt::WindowMaximizeButtonHint));
        QVERIFY(form.windowFlags() & Qt::WindowMinimizeButtonHint);

        struct Button {
            QPushButton* button;
            const char* caption;
            QRect place;
        };
        const Button buttons[] = {
            {form.PushButton5, "Add One URL To List", twips(120, 2750, 3840, 405, dpi)},
            {form.PushButton13, "Load List Of URLs From Text File", twips(4080, 2750, 3840, 405, dpi)},
            {form.PushButton11, "Clear List", twips(120, 3260, 3840, 405, dpi)},
            {form.PushButton3, "Load Sample/Example URLs", twips(4080, 3260, 3840, 405, dpi)},
            {form.PushButton7, "Start Extracting Phone Numbers", twips(120, 5625, 7800, 405, dpi)},
            {form.PushButton6, "Save Results As Text File", twips(120, 7800, 3840, 405, dpi)},
            {form.PushButton1, "Save As Comma Delimited", twips(4080, 7800, 3840, 405, dpi)},
            {form.PushButton2, "Copy Results To Clipboard", twips(120, 8310, 3840, 405, dpi)},
            {form.PushButton9, "Clear Results", twips(4080, 8310, 3840, 405, dpi)},
        };
        for (const Button& b : buttons) {
            QCOMPARE(b.button->text(), QString::fromLatin1(b.caption));
            QCOMPARE(b.button->geometry(), b.place);
            QCOMPARE(b.button->font().pointSizeF(), 11.25);
            QVERIFY(b.button->font().bold());
        }
        QCOMPARE(form.ListView1->geometry(), twips(120, 120, 7800, 2535, dpi));
        QCOMPARE(form.ListView2->geometry(), twips(120, 6135, 7800, 1575, dpi));
        QCOMPARE(form.Frame1->geometry(), twips(120, 3705, 7800, 1020, dpi));
        QCOMPARE(form.Frame1->title(), QStringLiteral("Phone Number Length"));
        QCOMPARE(form.Frame7->geometry(), twips(120, 4800, 7800, 705, dpi));
        QCOMPARE(form.Frame7->title(), QStringLiteral("Results Options"));
        QCOMPARE(form.Check2->text(), QStringLiteral("Include URL In Results"));
        QCOMPARE(form.Check2->geometry(), twips(240, 300, 4095, 240, dpi));
        QCOMPARE(form.ProgressBar1->geometry(), twips(120, 8830, 7800, 405, dpi));
        QCOMPARE(form.progressText(), QStringLiteral("Progress Bar"));
        for (int k = 0; k < 16; ++k) {
            QCOMPARE(form.Check1[k]->text(), QString::number(k + 5));
            QCOMPARE(form.Check1[k]->geometry(), twips(240 + 860 * (k % 8), k < 8 ? 300 : 650, 550, 255, dpi));
            QCOMPARE(form.Check1[k]->font().family(), QStringLiteral("Arial"));
        }
        const QString tip = listToolTip();
        QCOMPARE(form.ListView1->toolTip(), tip);
        QCOMPARE(form.ListView2->toolTip(), tip);
        form.resultRows()->append(QStringLiteral("5551234"));
        form.resultRows()->flushAppends();
        QVERIFY(form.resultRows()->flags(form.resultRows()->index(0, 0)) & Qt::ItemIsUserCheckable);
    }

    // Real key presses on each list: the handlers see the key's own code, so
    // only Delete (46), whatever the modifiers, removes the selected row.
    void onlyDeleteRemovesARow_data()
    {
        QTest::addColumn<bool>("urlList");
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::addColumn<int>("code");
        QTest::addColumn<bool>("removes");
        struct Press {
            const char* name;
            int key;
            Qt::KeyboardModifiers modifiers;
            int code;
            bool removes;
        };
        const Press presses[] = {
            {"full stop", Qt::Key_Period, Qt::NoModifier, 190, false},
            {"keypad full stop", Qt::Key_Period, Qt::KeypadModifier, 110, false},
            {"Delete", Qt::Key_Delete, Qt::NoModifier, 46, true},
            {"Shift+Delete", Qt::Key_Delete, Qt::ShiftModifier, 46, true},
            {"Ctrl+Alt+Delete", Qt::Key_Delete, Qt::ControlModifier | Qt::AltModifier, 46, true},
            {"keypad Delete", Qt::Key_Delete, Qt::KeypadModifier, 46, true},
            {"Backspace", Qt::Key_Backspace, Qt::NoModifier, 8, false},
            {"Insert", Qt::Key_Insert, Qt::NoModifier, 45, false},
            {"letter N", Qt::Key_N, Qt::NoModifier, 78, false},
        };
        for (bool urlList : {true, false}) {
            for (const Press& p : presses)
                QTest::addRow("%s on %s", p.name, urlList ? "ListView1" : "ListView2")
                    << urlList << p.key << int(p.modifiers) << p.code << p.removes;
        }
    }
    void onlyDeleteRemovesARow()
    {
        QFETCH(bool, urlList);
        QFETCH(int, key);
        QFETCH(int, modifiers);
        QFETCH(int, code);
        QFETCH(bool, removes);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ReportListView* list = urlList ? form.ListView1 : form.ListView2;
        RowListModel& rows = *list->rows();
        for (const char* text : {"5551111", "5552222", "5553333"})
            rows.append(QString::fromLatin1(text));
        rows.flushAppends();
        list->setFocus();
        list->selectRow(2);
        QSignalSpy codes(list, &ReportListView::keyDown);
        QTest::keyClick(list, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
        // Modifier keys are pressed first and reach the handlers with their own codes.
        QCOMPARE(codes.last().front().toInt(), code);
        for (const QList<QVariant>& press : codes)
            QCOMPARE(press.front().toInt() == ReportListView::deleteKeyCode,
                     key == Qt::Key_Delete && press == codes.last());
        QCOMPARE(rows.count(), removes ? 2 : 3);
        QCOMPARE(rows.text(2), removes ? QStringLiteral("5553333") : QStringLiteral("5552222"));
    }

    // Over rows and over empty space alike, each list shows its hint.
    void listsShowTheirHintOverRows_data()
    {
        QTest::addColumn<bool>("urlList");
        QTest::addColumn<bool>("overRow");
        QTest::newRow("URL list, over a row") << true << true;
        QTest::newRow("URL list, below the rows") << true << false;
        QTest::newRow("results list, over a row") << false << true;
        QTest::newRow("results list, below the rows") << false << false;
    }
    void listsShowTheirHintOverRows()
    {
        QFETCH(bool, urlList);
        QFETCH(bool, overRow);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ReportListView* list = urlList ? form.ListView1 : form.ListView2;
        list->rows()->append(QStringLiteral("http://a.example/page - 5551234"));
        list->rows()->flushAppends();
        QWidget* viewport = list->viewport();
        const QPoint at = overRow ? list->visualRect(list->rows()->index(0, 0)).center()
                                  : QPoint(viewport->width() / 2, viewport->height() - 4);
        QCOMPARE(list->indexAt(at).isValid(), overRow);
        QHelpEvent help(QEvent::ToolTip, at, viewport->mapToGlobal(at));
        QApplication::sendEvent(viewport, &help);
        QTRY_COMPARE(QToolTip::text(), listToolTip());
        QToolTip::hideText();
    }

    void checkBoxValues()
    {
        ValueCheckBox box(QStringLiteral("10"));
        QSignalSpy changes(&box, &ValueCheckBox::valueChanged);
        box.setValue(0);
        QCOMPARE(changes.size(), 0); // same value: nothing raised
        box.setValue(2);
        QCOMPARE(box.checkState(), Qt::PartiallyChecked);
        box.click(); // greyed -> ticked
        QCOMPARE(box.value(), 1);
        box.click();
        QCOMPARE(box.value(), 0);
        box.click();
        QCOMPARE(box.value(), 1);
        QCOMPARE(changes.size(), 4);
        for (int refused : {-1, 3, 11}) {
            QVERIFY_THROWS_EXCEPTION(AppError, box.setValue(refused));
            QCOMPARE(box.value(), 1);
        }
    }

    void pointerFeedback()
    {
        FormFixture fixture;
        Form1& form = fixture.loaded();
        form.PushButton_MouseMove();
        QCOMPARE(form.MousePointer(), 99);
        QCOMPARE(form.cursor().shape(), Qt::PointingHandCursor); // no cursor file here
        for (auto handler : {&Form1::Form_MouseMove, &Form1::Frame1_MouseMove, &Form1::Frame7_MouseMove,
                             &Form1::ListView1_MouseMove, &Form1::ListView2_MouseMove}) {
            form.PushButton_MouseMove();
            (form.*handler)();
            QCOMPARE(form.MousePointer(), 0);
        }
        // The hourglass stays whatever the pointer crosses.
        form.setMousePointer(11);
        form.PushButton_MouseMove();
        form.Frame1_MouseMove();
        form.ListView2_MouseMove();
        QCOMPARE(form.MousePointer(), 11);
        QCOMPARE(form.cursor().shape(), Qt::WaitCursor);
        form.setMousePointer(0);
        form.PushButton_MouseMove();
        QCOMPARE(form.MousePointer(), 99);
    }

    void realMouseMovesDriveTheHandlers()
    {
        FormFixture fixture;
        Form1& form = fixture.loaded();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        auto moveOver = [](QWidget* target) {
            const QPointF at(target->width() - 3, target->height() - 3);
            QMouseEvent move(QEvent::MouseMove, at, target->mapToGlobal(at), Qt::NoButton, Qt::NoButton,
                             Qt::NoModifier);
            QApplication::sendEvent(target, &move);
        };
        moveOver(form.PushButton7);
        QCOMPARE(form.MousePointer(), 99);
        moveOver(form.Frame7);
        QCOMPARE(form.MousePointer(), 0);
        moveOver(form.PushButton2);
        moveOver(form.ListView1->viewport());
        QCOMPARE(form.MousePointer(), 0);
        moveOver(form.PushButton2);
        QMouseEvent bare(QEvent::MouseMove, QPointF(2, 2), form.mapToGlobal(QPointF(2, 2)), Qt::NoButton, Qt::NoButton,
                         Qt::NoModifier);
        QApplication::sendEvent(&form, &bare);
        QCOMPARE(form.MousePointer(), 0);
    }

    // Moves through the window system, as the pointer makes them: from a
    // button onto any part of a list, the hand goes.
    void wholeListTakesTheHandAway_data()
    {
        QTest::addColumn<bool>("urlList");
        QTest::addColumn<int>("part");
        for (bool urlList : {true, false}) {
            const char* list = urlList ? "ListView1" : "ListView2";
            QTest::addRow("%s header", list) << urlList << int(Header);
            QTest::addRow("%s border", list) << urlList << int(Border);
            QTest::addRow("%s rows", list) << urlList << int(Rows);
            QTest::addRow("%s scroll bar", list) << urlList << int(ScrollBar);
        }
    }
    void wholeListTakesTheHandAway()
    {
        QFETCH(bool, urlList);
        QFETCH(int, part);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        ReportListView* list = urlList ? form.ListView1 : form.ListView2;
        for (int i = 0; i < 60; ++i) // enough rows for a scroll bar
            list->rows()->append(QString(QStringLiteral("http://a.example/") + QString::number(i)));
        list->rows()->flushAppends();
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QWidget* target = list;
        QPoint at(0, list->height() / 2); // the left border
        switch (part) {
        case Header:
            target = list->horizontalHeader();
            at = target->rect().center();
            break;
        case Rows:
            target = list->viewport();
            at = target->rect().center();
            break;
        case ScrollBar:
            target = list->verticalScrollBar();
            at = target->rect().center();
            break;
        default:
            break;
        }
        QVERIFY(target->isVisible());
        const QPoint inWindow = target->mapTo(&form, at);
        QVERIFY(partOfList(form.childAt(inWindow), list));
        if (part == Border)
            QCOMPARE(form.childAt(inWindow), list);

        const QPoint onButton = form.PushButton7->mapTo(&form, form.PushButton7->rect().center());
        QTest::mouseMove(form.windowHandle(), onButton);
        QTRY_COMPARE(form.MousePointer(), 99);
        QTest::mouseMove(form.windowHandle(), inWindow);
        QTRY_COMPARE(form.MousePointer(), 0);
    }

    // What a screen reader is told of each control.
    void screenReaderSees()
    {
        FormFixture fixture;
        Form1& form = fixture.loaded();
        form.resultRows()->append(QStringLiteral("5551234"));
        form.resultRows()->flushAppends();
        form.urlRows()->append(QStringLiteral("http://a.example/"));
        form.urlRows()->flushAppends();
        const QString progress = QStringLiteral("Please wait.. looking at URL: 2 of 3");
        form.setProgressText(progress);
        auto access = [](QObject* object) { return QAccessible::queryAccessibleInterface(object); };
        QAccessibleInterface* row = access(form.ListView2)->tableInterface()->cellAt(0, 0);
        QAccessibleInterface* url = access(form.ListView1)->tableInterface()->cellAt(0, 0);
        const std::tuple<QAccessibleInterface*, QAccessible::Role, QString, QString> controls[] = {
            {access(&form), QAccessible::Window, QStringLiteral("Vandrell"), QString()},
            {access(form.ListView1), QAccessible::Table, QStringLiteral("URL(s)"), listToolTip()},
            {access(form.ListView2), QAccessible::Table, QStringLiteral("Result(s)"), listToolTip()},
            {access(form.ProgressBar1), QAccessible::ProgressBar, progress, progress}, // its caption, spoken
            {row, QAccessible::CheckBox, QStringLiteral("5551234"), QString()},
            {url, QAccessible::Cell, QStringLiteral("http://a.example/"), QString()},
        };
        for (const auto& [iface, role, name, description] : controls) {
            QCOMPARE(iface->role(), role);
            QTRY_COMPARE(iface->text(QAccessible::Name), name);
            QTRY_COMPARE(iface->text(QAccessible::Description), description);
            QVERIFY(!iface->valueInterface()); // whose Increase and Decrease would mean nothing
        }
        QVERIFY(row->state().checkable && !row->state().checked);
        form.resultRows()->setTicked(1, true);
        QVERIFY(row->state().checked);
        row->actionInterface()->doAction(QAccessibleActionInterface::toggleAction());
        QVERIFY(!form.resultRows()->ticked(1));

        // A row keeps its object as a row before it goes, as the list tells a listening screen reader.
        form.resultRows()->append(QStringLiteral("5559876"));
        form.resultRows()->flushAppends();
        QAccessibleTableInterface* results = access(form.ListView2)->tableInterface();
        QAccessibleInterface* second = results->cellAt(1, 0);
        form.resultRows()->remove(1);
        QAccessibleTableModelChangeEvent removed(form.ListView2, QAccessibleTableModelChangeEvent::RowsRemoved);
        results->modelChange(&removed);
        QCOMPARE(results->cellAt(0, 0), second);
        QCOMPARE(second->text(QAccessible::Name), QStringLiteral("5559876"));
    }

    void closingEndsTheProgram()
    {
        FormFixture fixture;
        Form1& form = fixture.loaded();
        form.show();
        form.close();
        QCOMPARE(fixture.endProgramCalls, 1);
    }

    void fileExists()
    {
        QTemporaryDir dir;
        QFile file(dir.filePath(QStringLiteral("a.txt")));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.close();
        QVERIFY(FileExists(file.fileName()));
        QVERIFY(FileExists(dir.path())); // folders count
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing"))));
        QVERIFY(!FileExists(QString()));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("missing/deeper/x"))));
        QVERIFY(!FileExists(file.fileName() + QChar(0) + QStringLiteral("x")));
        QVERIFY(QFile::link(dir.filePath(QStringLiteral("gone")), dir.filePath(QStringLiteral("dangling"))));
        QVERIFY(!FileExists(dir.filePath(QStringLiteral("dangling"))));
    }

    void appTitle_data()
    {
        QTest::addColumn<QString>("product");
        QTest::addColumn<QString>("title");
        QTest::newRow("one word keeps its name") << QStringLiteral("Vandrell") << QStringLiteral("Vandrell");
        QTest::newRow("two words keep the first") << QStringLiteral("Vandrell Harvester") << QStringLiteral("Vandrell");
        const QString sixty = QStringLiteral("Alpha Bravo Charlie Delta Echo Foxtrot Golf Hotel India Juliet");
        QTest::newRow("long names lose words") << sixty << QStringLiteral("Alpha Bravo Charlie Delta Echo Foxtrot");
        QTest::newRow("long word without spaces") << QString(50, QLatin1Char('x')) << QString(50, QLatin1Char('x'));
    }
    void appTitle()
    {
        QFETCH(QString, product);
        QFETCH(QString, title);
        QCOMPARE(appTitleFor(product), title);
        QVERIFY(appTitleFor(product).size() <= 40 || !product.contains(QLatin1Char(' ')));
    }
};

VANDRELL_TEST(TestWindow)
#include "test_window.moc"
