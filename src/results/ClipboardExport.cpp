#include "ClipboardExport.h"

#include "ClipboardText.h"
#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "core/Yield.h"
#include "platform/ClipboardAccess.h"

#include <QStringDecoder>

#include <string_view>

namespace {
constexpr int attemptLimit = 1000;

// UTF-16 length of UTF-8 text without decoding it: one unit per lead byte,
// two for the four-byte forms that become surrogate pairs.
qsizetype utf16Length(std::string_view utf8)
{
    qsizetype units = 0;
    for (const char byte : utf8) {
        const auto b = static_cast<unsigned char>(byte);
        units += (b & 0xC0) != 0x80;
        units += b >= 0xF0;
    }
    return units;
}

// The rows of a list view as cells, read straight from their UTF-8 storage
// so a million rows need no allocation per cell.
class ListViewCells final : public ListCells {
public:
    explicit ListViewCells(const RowListModel& rows) : m_rows(rows) {}

    int rowCount() const override { return m_rows.count(); }
    int columnCount() const override { return m_rows.columnTotal(); }
    bool ticked(int row) const override { return m_rows.ticked(row); }

    qsizetype cellLength(int row, int column) const override
    {
        if (column != 1)
            return m_rows.subItem(row, column).size();
        const ListRows::Utf8 bytes = m_rows.utf8(row);
        return utf16Length(bytes.prefix) + utf16Length(bytes.own);
    }

    void appendCell(QString& out, int row, int column) const override
    {
        if (column != 1) {
            out.append(m_rows.subItem(row, column));
            return;
        }
        const ListRows::Utf8 bytes = m_rows.utf8(row);
        const qsizetype start = out.size();
        // UTF-8 never needs more UTF-16 units than it has bytes.
        out.resize(start + qsizetype(bytes.size()));
        QChar* end = out.data() + start;
        // The prefix ends with a whole character, so the pieces decode apart.
        for (const std::string_view piece : {bytes.prefix, bytes.own})
            end = m_decoder.appendToBuffer(end, QByteArrayView(piece.data(), qsizetype(piece.size())));
        out.truncate(end - out.constData());
    }

private:
    const RowListModel& m_rows;
    // Stateless: each cell decodes on its own; a leading BOM is kept as text.
    mutable QStringDecoder m_decoder{QStringDecoder::Utf8,
                                     QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom};
};

template <typename Attempt> bool retried(Attempt&& attempt)
{
    for (int made = 0; made < attemptLimit; ++made) {
        try {
            if (attempt())
                return true;
        } catch (...) {
            // A failed attempt like any other: try again.
        }
    }
    return false;
}
} // namespace

void CopyListToClipboard(const ReportListView& list, ClipboardAccess& clipboard)
{
    const RowListModel& rows = *list.rows();
    if (rows.count() == 0)
        return;
    const QString text = clipboardText(ListViewCells(rows), [] { Yield::sliced(); });
    ClearClipboard(clipboard);
    SetClipboardText(clipboard, text, 0);
}

void ClearClipboard(ClipboardAccess& clipboard)
{
    retried([&] { return clipboard.clear(); });
}

bool SetClipboardText(ClipboardAccess& clipboard, const QString& text, int format)
{
    return retried([&] { return clipboard.setText(text, format); });
}
