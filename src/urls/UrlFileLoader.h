#pragma once
// Loads a text file of URLs into the URL list, one row per line, empty lines
// too. The bytes are read in large chunks and cut into lines and decoded by
// the programs' one rule for URL input (UrlLineReader), so a chunk edge
// never cuts a character and a broken character spoils only its own row. The rows go into
// the list as they are found. Input that is no list of URLs at all
// (a folder, a binary file, a line or a file far beyond any list of URLs)
// is refused with a description naming the file. Rows of the lines before
// the point of refusal stay in the list.

#include "core/UrlLineReader.h"

#include <QString>
#include <QtGlobal>

class Dialogs;
class RowListModel;

struct UrlFileLimits {
    // Bytes read at a time.
    qsizetype chunkBytes = qsizetype(1) << 20;
    // A row longer than any URL would make the list crawl each time it is painted.
    qsizetype maxLineBytes = qsizetype(UrlLineReader::defaultMaxLineBytes);
    // Some ten million URLs; keeps a mistaken pick from filling the memory.
    qint64 maxFileBytes = qint64(512) << 20;
    // A file of nothing but line ends costs a row per byte; this bounds it.
    int maxListRows = 10'000'000;
};

// Appends the rows of the file at path to list. Throws AppError when the file
// cannot be read or is refused; the rows appended before that stay. The file
// is closed again however this returns.
void appendUrlFile(RowListModel& list, const QString& path, const UrlFileLimits& limits = {});

// The routine behind "Load List Of URLs From Text File": "File not found" for
// a path that names nothing, otherwise appendUrlFile. Failures pass on to the
// caller's error trap.
void LoadUrlFile(RowListModel& list, const QString& path, Dialogs& dialogs);
