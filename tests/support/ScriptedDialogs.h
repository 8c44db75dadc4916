#pragma once
// Test double for message and input boxes: answers from a script, records
// what would have been shown.

#include "platform/Dialogs.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

struct ShownMessage {
    QString text;
    int style = 0;
    QString title;
};

class ScriptedDialogs final : public Dialogs {
public:
    QList<ShownMessage> messages;
    QStringList prompts;
    QStringList promptTitles;

    // Answers for the next message boxes; when none is queued the box is
    // answered with its first button (OK, Yes, ...).
    QList<int> messageAnswers;
    // Answers for the next input boxes; when none is queued, Cancel.
    QStringList inputAnswers;
    // Runs while a message is "shown", like a user acting during a modal box.
    std::function<void(const ShownMessage&)> onMessage;

    QStringList texts() const;
    void clear();

protected:
    int showMessage(const QString& text, int style, const QString& title) override;
    QString askText(const QString& prompt, const QString& title, const QString& defaultText) override;
};
