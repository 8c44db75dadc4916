#pragma once
// Small routines of start-up that other commands share.

#include <QString>

// True when the file system can tell the last-modified time of path: an
// existing file or folder. Never throws.
bool FileExists(const QString& path);

// A side file beside the program, named as "\x\o.cjs" is named.
QString sideFilePath(const QString& programFolder, const QString& backslashName);

// The application title for a product name: cut before the last space, at
// least once, until at most 40 characters are left. A name without a space
// keeps its whole length.
QString appTitleFor(const QString& productName);

// Sets the application title for the product name.
void SetAppTitle(const QString& productName);
