#pragma once
// The clipboard text of a list: the ticked rows, one line each, every column
// padded with spaces to the width of its longest value (over all rows, ticked
// or not) and separated by tabs, trailing spaces trimmed, CR LF after every
// line. Works on any list through ListCells, so it is tested on tables of
// any shape without a widget.

#include <QString>

#include <functional>

// What the text needs of a list. Rows and columns count from 1; column 1 is
// the row's text, further columns its sub-items.
class ListCells {
public:
    virtual ~ListCells() = default;
    virtual int rowCount() const = 0;
    virtual int columnCount() const = 0;
    virtual bool ticked(int row) const = 0;
    // Length in characters (UTF-16 code units).
    virtual qsizetype cellLength(int row, int column) const = 0;
    virtual void appendCell(QString& out, int row, int column) const = 0;
};

// yield runs once per row of every pass and once per copied cell, so the
// window can repaint; the list may change meanwhile (rows gone are skipped).
QString clipboardText(const ListCells& list, const std::function<void()>& yield = {});
