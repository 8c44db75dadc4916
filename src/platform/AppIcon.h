#pragma once
// The application icon, which the window and every box and dialog carry.

#include <QIcon>

// Null when the program's resources lack it.
QIcon appIcon();
