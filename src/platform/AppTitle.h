#pragma once
// The application title: the caption of every message box shown without a
// title of its own. Until start-up sets it, it is the application's name cut
// to 39 characters, as the build gave it.

#include <QString>

QString appTitle();
void setAppTitle(const QString& title);
