// "Copy Results To Clipboard": copies the ticked results rows and tells the
// user how to paste them. The message comes every time, also when nothing
// was copied or the copy failed.

#include "ClipboardExport.h"
#include "app/ErrorTrap.h"
#include "app/Form1.h"
#include "platform/Dialogs.h"
#include "platform/MessageStyle.h"

void Form1::PushButton2_Click()
{
    ErrorTrap trap(dialogs(), QStringLiteral("Form1.PushButton2_Click"));
    trap.at(106, [&] { CopyListToClipboard(*ListView2, clipboard()); });
    trap.at(108, [&] {
        dialogs().msgBox(QStringLiteral("Results have been copied to the clipboard.") + QStringLiteral("\r\r") +
                             QStringLiteral("Click a text area where you normally type and press Ctrl+V to paste "
                                            "the clipboard."),
                         MessageStyle::OkOnly);
    });
}
