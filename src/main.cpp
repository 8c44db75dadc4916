#include "app/Form1.h"
#include "platform/CurlFetcher.h"
#include "platform/QtClipboard.h"
#include "platform/QtDialogs.h"
#include "platform/QtFileDialogPrompt.h"

#include <QApplication>
#include <QScreen>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Form1::productName);
    QApplication::setApplicationVersion(QStringLiteral(VANDRELL_VERSION));

    QtDialogs dialogs;
    QtFileDialogPrompt fileDialogs;
    QtClipboard clipboard;
    CurlFetcher fetcher;
    // Closing the window ends the program at once, even inside a command
    // that is waiting in a nested event loop; settings are already on disk.
    auto endProgram = [] {
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    };
    Form1 form(Platform{dialogs, fileDialogs, clipboard, fetcher, QApplication::applicationDirPath(), endProgram});
    dialogs.setParentWidget(&form);
    fileDialogs.setParentWidget(&form);

    form.Form_Load();
    if (QScreen* screen = form.screen())
        form.move(screen->availableGeometry().center() - form.rect().center());
    form.show();
    return QApplication::exec();
}
