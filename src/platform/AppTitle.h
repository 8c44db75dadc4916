#pragma once
// The application title: the caption of every message box shown without a
// title of its own.

#include <QString>

QString appTitle();
void setAppTitle(const QString& title);
