#pragma once
// Seam over the modal message box and input box. The program asks through
// msgBox/inputBox; the Qt implementation shows real dialogs, the test double
// answers from a script and records what would have been shown.

#include <QString>

class Dialogs {
public:
    virtual ~Dialogs() = default;

    // An empty title means the application title, as every message of the
    // program without a title of its own carries it. Returns a MessageAnswer.
    int msgBox(const QString& text, int style = 0, const QString& title = {});
    // Returns the typed text, or the empty string on Cancel.
    QString inputBox(const QString& prompt, const QString& title = {}, const QString& defaultText = {});

protected:
    virtual int showMessage(const QString& text, int style, const QString& title) = 0;
    virtual QString askText(const QString& prompt, const QString& title, const QString& defaultText) = 0;
};
