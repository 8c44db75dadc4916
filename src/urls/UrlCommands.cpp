// The commands that fill and edit the URL list: add one URL, add the two
// samples, clear the list, load a file of URLs, and remove the selected row
// with the Delete key or a double-click. Clearing and removing do nothing
// while the window shows the busy pointer, so rows cannot vanish under a
// running extraction; adding stays allowed.

#include "SampleUrls.h"
#include "UrlFileLoader.h"
#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "platform/Dialogs.h"

namespace {
constexpr int busyPointer = 11;
// Read-only box ticked, Explorer style, long names; no multiple selection
// and no need for the file to exist.
constexpr long openUrlFileFlags = 2621441;

// The one row removal the Delete key and the double-click share. The row is
// the one selected when the event arrives; with none selected nothing
// happens.
void removeSelectedRow(ReportListView& list, int mousePointer)
{
    if (mousePointer == busyPointer)
        return;
    RowListModel* rows = list.rows();
    if (rows->count() == 0)
        return;
    const int row = list.selectedRow();
    if (row > 0 && row <= rows->count())
        rows->remove(row);
}
} // namespace

void Form1::PushButton5_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton5_Click"));
    QString answer;
    trap.at(100, [&] { answer = dialogs().inputBox(QStringLiteral("Enter URL: ")); });
    // Cancel answers the empty string too.
    if (trap.test(102, [&] { return answer.isEmpty(); }))
        return;
    trap.at(104, [&] { urlRows()->append(answer); });
}

void Form1::PushButton3_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton3_Click"));
    trap.at(100, [&] { urlRows()->append(SampleUrls::newspaper()); });
    trap.at(102, [&] { urlRows()->append(SampleUrls::motorVehicles()); });
}

void Form1::PushButton11_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton11_Click"));
    if (trap.test(100, [&] { return MousePointer() == busyPointer; }))
        return;
    trap.at(102, [&] { urlRows()->clear(); });
}

void Form1::PushButton13_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton13_Click"));
    trap.at(100, [&] { CommonDialog1.FileName.clear(); });
    trap.at(102, [&] { CommonDialog1.Flags = openUrlFileFlags; });
    trap.at(104, [&] {
        CommonDialog1.DialogTitle = QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files");
    });
    trap.at(106, [&] { CommonDialog1.Filter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*"); });
    trap.at(108, [&] { CommonDialog1.ShowOpen(); });
    if (trap.test(110, [&] { return CommonDialog1.FileName.isEmpty(); }))
        return;
    // Several chosen files come back as their folder and names, NUL-separated.
    QStringList parts;
    trap.at(112, [&] { parts = CommonDialog1.FileName.split(QChar(0)); });
    if (trap.test(114, [&] { return parts.size() > 1; })) {
        trap.at(114, [&] { dialogs().msgBox(QStringLiteral("Please select just one file.")); });
        return;
    }
    trap.at(116, [&] { LoadUrlFile(*urlRows(), parts.value(0), dialogs()); });
}

void Form1::ListView1_KeyDown(int keyCode, Qt::KeyboardModifiers shift)
{
    Q_UNUSED(shift); // Shift+Delete removes a row like Delete.
    if (keyCode == ReportListView::deleteKeyCode)
        removeSelectedRow(*ListView1, MousePointer());
}

void Form1::ListView1_DblClick()
{
    // The first click of the two has selected the row under the pointer.
    removeSelectedRow(*ListView1, MousePointer());
}
