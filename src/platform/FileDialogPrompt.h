#pragma once
// Seam under the common file dialog: asks the user for file names. The Qt
// implementation shows QFileDialog; the test double answers from a script.

#include <QString>
#include <QStringList>

struct FileDialogRequest {
    enum class Mode { Open, Save };
    Mode mode = Mode::Open;
    QString title;
    QStringList nameFilters; // Qt form: "Text Files (*.txt)"
    bool allowMultiple = false;
    bool mustExist = false;
    bool confirmOverwrite = false;
};

class FileDialogPrompt {
public:
    virtual ~FileDialogPrompt() = default;
    // The chosen paths; empty after Cancel.
    virtual QStringList choose(const FileDialogRequest& request) = 0;
};
