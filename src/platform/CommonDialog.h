#pragma once
// The common open/save dialog in its property style: set the file name,
// flags, title and filter, show it, read the file name back. After Cancel the
// file name keeps what it held before showing.

#include "FileDialogPrompt.h"

#include <QString>

class CommonDialog final {
public:
    enum Flag : long {
        ReadOnly = 0x1,
        OverwritePrompt = 0x2,
        AllowMultiSelect = 0x200,
        FileMustExist = 0x1000,
        Explorer = 0x80000,
        LongNames = 0x200000,
    };

    explicit CommonDialog(FileDialogPrompt& prompt) : m_prompt(prompt) {}

    QString FileName;
    long Flags = 0;
    QString DialogTitle;
    QString Filter; // "Description|pattern|Description|pattern"

    void ShowOpen();
    void ShowSave();

    // "Text Files (*.txt)|*.txt|All Files (*.*)|*.*" in Qt's filter form.
    static QStringList qtNameFilters(const QString& filter);

private:
    void show(FileDialogRequest::Mode mode);

    FileDialogPrompt& m_prompt;
};
