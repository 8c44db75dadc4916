#include "ClipboardText.h"

#include <algorithm>
#include <vector>

namespace {
void trimTrailingSpaces(QString& text)
{
    const QChar* chars = text.constData();
    qsizetype end = text.size();
    while (end > 0 && chars[end - 1] == QLatin1Char(' '))
        --end;
    text.truncate(end);
}
} // namespace

QString clipboardText(const ListCells& list, const std::function<void()>& yield)
{
    const auto pause = [&yield] {
        if (yield)
            yield();
    };
    // A list always shows its rows' text, even before it has a column header.
    const int columns = std::max(1, list.columnCount());

    // Widths over all rows. The last column's pass also sums what the ticked
    // rows will add, which bounds the text so it is allocated once.
    std::vector<qsizetype> widths(std::size_t(columns), 0);
    qsizetype tickedRows = 0;
    qsizetype tickedLastCells = 0;
    const int widthRows = list.rowCount();
    for (int c = 1; c <= columns; ++c) {
        qsizetype widest = 0;
        for (int r = 1; r <= widthRows; ++r) {
            pause();
            if (r > list.rowCount())
                continue;
            const qsizetype length = list.cellLength(r, c);
            widest = std::max(widest, length);
            if (c == columns && list.ticked(r)) {
                ++tickedRows;
                tickedLastCells += length;
            }
        }
        widths[std::size_t(c - 1)] = widest;
    }

    // Every column but the last is padded to its width and keeps it; the
    // last one's padding is trimmed again, so only its text stays.
    qsizetype paddedColumns = 0;
    for (int c = 1; c < columns; ++c)
        paddedColumns += widths[std::size_t(c - 1)] + 1;
    QString text;
    text.reserve(tickedRows * (paddedColumns + 2) + tickedLastCells + widths.back() + 1);

    const int textRows = list.rowCount();
    for (int r = 1; r <= textRows; ++r) {
        pause();
        if (r > list.rowCount() || !list.ticked(r))
            continue;
        const qsizetype lineStart = text.size();
        bool rowGone = false;
        for (int c = 1; c <= columns; ++c) {
            pause();
            // A removal during the pause moves the next row into place r,
            // ticked or not: only a row ticked now is copied.
            if (r > list.rowCount() || !list.ticked(r)) {
                rowGone = true;
                break;
            }
            const qsizetype cellStart = text.size();
            list.appendCell(text, r, c);
            const qsizetype shortBy = widths[std::size_t(c - 1)] - (text.size() - cellStart);
            if (shortBy > 0)
                text.resize(text.size() + shortBy, QLatin1Char(' '));
            text.append(QLatin1Char('\t'));
        }
        if (rowGone) {
            text.truncate(lineStart);
            continue;
        }
        text.chop(1); // the tab after the last column
        // Earlier lines end in CR LF, so this only ever trims the current line.
        trimTrailingSpaces(text);
        text.append(QLatin1String("\r\n"));
    }
    return text;
}
