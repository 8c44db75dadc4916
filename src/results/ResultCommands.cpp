// Taking rows out of the results list: the Delete key and a double-click
// remove the selected row, "Clear Results" removes them all. Removal of one
// row waits while the window is busy (a run or a save is working on the
// list); Clear Results never waits.

#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/ReportListView.h"
#include "app/RowListModel.h"

namespace {
constexpr int busyPointer = 11;

void removeSelectedResult(Form1& form)
{
    if (form.MousePointer() == busyPointer)
        return;
    RowListModel& rows = *form.resultRows();
    if (rows.count() == 0)
        return;
    // The selection, never the ticks, says which row goes; none selected
    // means nothing to remove.
    const int row = form.ListView2->selectedRow();
    if (row > 0)
        rows.remove(row);
}
} // namespace

void Form1::PushButton9_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton9_Click"));
    trap.at(100, [&] { resultRows()->clear(); });
}

void Form1::ListView2_KeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(shift); // Shift+Delete removes a row like Delete
    if (keyCode == ReportListView::deleteKeyCode)
        removeSelectedResult(*this);
}

void Form1::ListView2_DblClick()
{
    removeSelectedResult(*this);
}
