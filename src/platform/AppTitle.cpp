#include "AppTitle.h"

#include <QCoreApplication>

namespace {
// Kept apart from Qt's application display name: Qt on X11 appends that name
// to the title of every window that does not already end with it.
QString& storedTitle()
{
    static QString title;
    return title;
}
} // namespace

QString appTitle()
{
    if (storedTitle().isNull())
        return QCoreApplication::applicationName().left(39);
    return storedTitle();
}

void setAppTitle(const QString& title)
{
    storedTitle() = title;
}
