#pragma once
// The clipboard routines: copying a list's ticked rows as aligned,
// tab-separated text, and the clear and set-text operations with the retry
// that a clipboard held open by another program needs.

#include <QString>

class ClipboardAccess;
class ReportListView;

// Puts the ticked rows of the list on the clipboard (see clipboardText). A
// list without rows leaves the clipboard alone. Failures reading the list
// reach the caller; clipboard failures never do.
void CopyListToClipboard(const ReportListView& list, ClipboardAccess& clipboard);

// Up to 1000 back-to-back attempts each; every failure is swallowed.
void ClearClipboard(ClipboardAccess& clipboard);
// format 0 is the default text format. True when the text was placed.
bool SetClipboardText(ClipboardAccess& clipboard, const QString& text, int format);
