#include "Dialogs.h"

#include "AppTitle.h"

int Dialogs::msgBox(const QString& text, int style, const QString& title)
{
    return showMessage(text, style, title.isEmpty() ? appTitle() : title);
}

QString Dialogs::inputBox(const QString& prompt, const QString& title, const QString& defaultText)
{
    return askText(prompt, title.isEmpty() ? appTitle() : title, defaultText);
}
