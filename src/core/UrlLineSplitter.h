#pragma once
// Cuts the bytes of a URL file into rows, chunk by chunk. A line ends at a
// carriage return, or a carriage return and line feed, which is dropped; a
// line feed alone then splits the line further. A line end at the very end of
// the file, whichever kind, ends the last line and makes no row after it;
// blank lines before it still make empty rows. The splitter works on the raw
// bytes, before any decoding: CR and LF never occur inside a character of
// UTF-8 or of any 8-bit code page, so a row is whole before it is decoded.
// It gives the same rows however the bytes are cut into chunks.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>

#include <cstring>
#include <string>
#include <string_view>

class UrlLineSplitter final {
public:
    // Calls emitRow(std::string_view) for every row the bytes complete.
    template <typename EmitRow> void feed(std::string_view bytes, EmitRow&& emitRow);
    // Calls emitRow for the row still open at the end of the text, if any.
    template <typename EmitRow> void finish(EmitRow&& emitRow);

    // Bytes of the row begun but not yet ended by the text fed so far.
    std::size_t pendingBytes() const { return m_pending.size(); }
    // Forgets those bytes; the row still ends where its line does.
    void dropPending() { m_pending.clear(); }

private:
    template <typename EmitRow> void completeRow(std::string_view tail, EmitRow& emitRow);

    std::string m_pending;   // start of a row that runs on into the next chunk
    bool m_afterCr = false;  // the last byte fed was a CR: a LF next is part of its line end
    bool m_lineOpen = false; // bytes have come since the last line end
};

// All rows of a whole text at once.
QList<QByteArray> splitUrlLines(QByteArrayView bytes);

template <typename EmitRow> void UrlLineSplitter::completeRow(std::string_view tail, EmitRow& emitRow)
{
    if (m_pending.empty()) {
        emitRow(tail);
        return;
    }
    if (!tail.empty())
        m_pending.append(tail);
    emitRow(std::string_view(m_pending));
    m_pending.clear();
}

template <typename EmitRow> void UrlLineSplitter::feed(std::string_view bytes, EmitRow&& emitRow)
{
    const std::size_t size = bytes.size();
    if (size == 0)
        return; // an empty view may have no data to search
    std::size_t pos = 0;
    if (m_afterCr && size != 0) {
        m_afterCr = false;
        if (bytes[0] == '\n')
            pos = 1;
    }
    // Next LF and next CR at or after pos (size when there is none), each
    // looked for again only once pos has passed it, so every byte is
    // searched once for each even in a file of CR-only line ends.
    const auto next = [&bytes, size](std::size_t from, char c) {
        const void* hit = std::memchr(bytes.data() + from, c, size - from);
        return hit ? std::size_t(static_cast<const char*>(hit) - bytes.data()) : size;
    };
    std::size_t lf = next(pos, '\n');
    std::size_t cr = next(pos, '\r');
    while (pos < size) {
        if (lf < pos)
            lf = next(pos, '\n');
        if (cr < pos)
            cr = next(pos, '\r');
        const std::size_t stop = lf < cr ? lf : cr;
        if (stop == size) {
            m_pending.append(bytes.substr(pos));
            m_lineOpen = true;
            return;
        }
        completeRow(bytes.substr(pos, stop - pos), emitRow);
        pos = stop + 1;
        m_lineOpen = false;
        if (stop == lf)
            continue;
        if (pos == size)
            m_afterCr = true;
        else if (bytes[pos] == '\n')
            ++pos;
    }
}

template <typename EmitRow> void UrlLineSplitter::finish(EmitRow&& emitRow)
{
    if (m_lineOpen)
        completeRow({}, emitRow);
    m_pending.clear();
    m_afterCr = false;
    m_lineOpen = false;
}
