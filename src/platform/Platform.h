#pragma once
// Everything the main window reaches outside the process or shows modally,
// handed in from main() or from a test.

#include <QString>

#include <functional>

class Dialogs;
class FileDialogPrompt;
class ClipboardAccess;
class PageFetcher;

struct Platform {
    Dialogs& dialogs;
    FileDialogPrompt& fileDialogs;
    ClipboardAccess& clipboard;
    PageFetcher& fetcher;
    // The folder side files (cursor, skin) are looked up in.
    QString programFolder;
    // Ends the program at once when the window closes; empty in tests.
    std::function<void()> endProgram;
};
