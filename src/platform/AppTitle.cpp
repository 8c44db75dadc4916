#include "AppTitle.h"

#include <QGuiApplication>

QString appTitle()
{
    return QGuiApplication::applicationDisplayName();
}

void setAppTitle(const QString& title)
{
    QGuiApplication::setApplicationDisplayName(title);
}
