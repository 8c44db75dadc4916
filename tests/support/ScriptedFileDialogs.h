#pragma once
// Test double for the file dialog: returns the queued choices, records the
// requests. An empty choice (or none queued) is Cancel.

#include "platform/FileDialogPrompt.h"

#include <QList>

class ScriptedFileDialogs final : public FileDialogPrompt {
public:
    QList<QStringList> answers;
    QList<FileDialogRequest> requests;

    QStringList choose(const FileDialogRequest& request) override
    {
        requests << request;
        return answers.isEmpty() ? QStringList() : answers.takeFirst();
    }
};
