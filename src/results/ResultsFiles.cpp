// "Save Results As Text File" and "Save As Comma Delimited": both ask for a
// path in the save dialog, ask before replacing an existing file, and write
// every row of the results list as UTF-8 with CR LF line ends. The steps keep
// the line numbers that error reports quote. The rows are written through
// ResultsFileWriter, so a failed save never leaves a damaged file behind.

#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "app/RowListModel.h"
#include "app/StartupRoutines.h"
#include "core/ResultsFileWriter.h"
#include "core/ResultsFormat.h"
#include "core/Yield.h"
#include "platform/Dialogs.h"
#include "platform/MessageStyle.h"

#include <string>

namespace {
constexpr int defaultPointer = 0;
constexpr int busyPointer = 11;
// Read-only box, multi-select, explorer style, long names; no overwrite prompt
// of the dialog's own, since the handler asks itself.
constexpr long saveDialogFlags = 2621953;

// The steps both saves share, up to the answer about an existing file.
// Returns the path to write, or an empty string when the save stops there.
QString chooseSavePath(Form1& form, ErrorTrap& trap)
{
    CommonDialog& dialog = form.CommonDialog1;
    trap.at(106, [&] { dialog.FileName = QString(); });
    trap.at(108, [&] { dialog.Flags = saveDialogFlags; });
    trap.at(110, [&] { dialog.DialogTitle = QStringLiteral("Save"); });
    trap.at(112, [&] { dialog.Filter = QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"); });
    trap.at(114, [&] { dialog.ShowSave(); });
    QString path;
    trap.at(116, [&] { path = dialog.FileName; });
    if (trap.test(118, [&] { return path.isEmpty(); }))
        return {};

    int answer = 0;
    if (trap.test(120, [&] { return FileExists(path); })) {
        trap.at(122, [&] {
            answer = form.dialogs().msgBox(QStringLiteral("Are you sure you wish to overwrite ") + path +
                                               QStringLiteral(" ?"),
                                           MessageStyle::YesNo);
        });
    } else {
        trap.at(124, [&] { answer = MessageAnswer::Yes; });
    }
    if (trap.test(126, [&] { return answer != MessageAnswer::Yes; }))
        return {};
    return path;
}
} // namespace

void Form1::PushButton6_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton6_Click"));
    const QString path = chooseSavePath(*this, trap);
    if (path.isEmpty())
        return;

    trap.at(128, [&] { setMousePointer(busyPointer); });
    const ResultsFormat format(ResultsFormat::Kind::Text);
    ResultsFileWriter file;
    trap.at(130, [&] { file.open(path); });
    const RowListModel& rows = *resultRows();
    int rowTotal = 0;
    trap.at(132, [&] { rowTotal = rows.count(); });
    for (int i = 1; i <= rowTotal; ++i) {
        trap.at(134, [] { Yield::sliced(); });
        // Clear Results stays usable while the save yields: rows gone since
        // the count was taken are skipped.
        trap.at(136, [&] {
            if (i <= rows.count()) {
                const ListRows::Utf8 row = rows.utf8(i);
                file.write(row.prefix);
                file.write(row.own);
                file.write(format.afterRow());
            }
        });
    }
    trap.at(140, [&] { file.commit(); });
    trap.at(142, [&] { setMousePointer(defaultPointer); });
}

void Form1::PushButton1_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton1_Click"));
    const QString path = chooseSavePath(*this, trap);
    if (path.isEmpty())
        return;

    trap.at(128, [&] { setMousePointer(busyPointer); });
    const ResultsFormat format(ResultsFormat::Kind::Comma);
    ResultsFileWriter file;
    trap.at(130, [&] { file.open(path); });
    const RowListModel& rows = *resultRows();
    int rowTotal = 0;
    std::string line;
    trap.at(132, [&] {
        rowTotal = rows.count();
        // Every row's bytes plus its comma: the line is allocated once.
        line.reserve(rows.rows().textBytes() + std::size_t(rowTotal) * format.afterRow().size());
    });
    for (int i = 1; i <= rowTotal; ++i) {
        trap.at(134, [] { Yield::sliced(); });
        trap.at(136, [&] {
            if (i <= rows.count()) {
                const ListRows::Utf8 row = rows.utf8(i);
                line.append(row.prefix).append(row.own).append(format.afterRow());
            }
        });
    }
    trap.at(140, [&] {
        file.write(line);
        file.write(format.atEnd());
    });
    trap.at(142, [&] { file.commit(); });
    trap.at(144, [&] { setMousePointer(defaultPointer); });
}
