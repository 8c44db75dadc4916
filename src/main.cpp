#include "app/Form1.h"
#include "app/WindowPlacement.h"
#include "core/fetch/CurlFetcher.h"
#include "platform/AppIcon.h"
#include "platform/ClipboardHandover.h"
#include "platform/QtClipboard.h"
#include "platform/QtDialogs.h"
#include "platform/QtFileDialogPrompt.h"

#include <QApplication>

#include <cstdio>
#include <cstdlib>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(Form1::productName);
    QApplication::setApplicationVersion(QStringLiteral(VANDRELL_VERSION));
    // Boxes shown before the window has its icon (the online warning) carry it too.
    QApplication::setWindowIcon(appIcon());

    QtDialogs dialogs;
    QtFileDialogPrompt fileDialogs;
    QtClipboard clipboard;
    CurlFetcher fetcher;
    Form1* window = nullptr;
    // Closing the window ends the program at once. From the idle window the
    // event loop simply ends, and Qt's shutdown hands the clipboard to the
    // desktop's clipboard manager. A command may be waiting in a nested event
    // loop and would carry on from there, so then the clipboard is handed
    // over here and the process ends where it stands; every setting is
    // already on disk. Pages in flight are dropped. The windows go first: the
    // handover may take the manager a moment.
    auto endProgram = [&window] {
        if (window && !window->commandInProgress()) {
            QCoreApplication::quit();
            return;
        }
        for (QWidget* shown : QApplication::topLevelWidgets())
            shown->hide();
        handClipboardToManager(std::chrono::seconds(2));
        std::fflush(nullptr);
        std::_Exit(EXIT_SUCCESS);
    };
    Form1 form(Platform{dialogs, fileDialogs, clipboard, fetcher, QApplication::applicationDirPath(), endProgram});
    window = &form;
    dialogs.setParentWidget(&form);
    fileDialogs.setParentWidget(&form);

    // Centred before start-up, so that boxes start-up shows open over it.
    placeCentred(form);
    form.Form_Load();
    form.show();
    // Now the window manager may have reported the frame round the window.
    if (form.frameGeometry().size() != form.size())
        placeCentred(form);
    return QApplication::exec();
}
