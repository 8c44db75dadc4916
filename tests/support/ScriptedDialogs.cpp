#include "ScriptedDialogs.h"

#include "platform/MessageStyle.h"

QStringList ScriptedDialogs::texts() const
{
    QStringList list;
    for (const ShownMessage& m : messages)
        list << m.text;
    return list;
}

void ScriptedDialogs::clear()
{
    messages.clear();
    prompts.clear();
    promptTitles.clear();
}

int ScriptedDialogs::showMessage(const QString& text, int style, const QString& title)
{
    messages.append({text, style, title});
    if (onMessage)
        onMessage(messages.back());
    if (!messageAnswers.isEmpty())
        return messageAnswers.takeFirst();
    switch (style & MessageStyle::ButtonsMask) {
    case MessageStyle::AbortRetryIgnore:
        return MessageAnswer::Abort;
    case MessageStyle::YesNo:
    case MessageStyle::YesNoCancel:
        return MessageAnswer::Yes;
    case MessageStyle::RetryCancel:
        return MessageAnswer::Retry;
    default:
        return MessageAnswer::Ok;
    }
}

QString ScriptedDialogs::askText(const QString& prompt, const QString& title, const QString& defaultText)
{
    Q_UNUSED(defaultText);
    prompts << prompt;
    promptTitles << title;
    return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
}
