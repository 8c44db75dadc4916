#pragma once
// The one rule for reading a text of URLs, for the window's URL file loader
// and the harvester's input alike. The raw bytes are cut into lines
// (UrlLineSplitter: CR, LF or CR LF), numbered from 1. A line longer than
// any URL is never held whole: it is reported by its number once and its
// bytes are dropped as they come, and the caller decides whether the lines
// after it are read. A UTF-8 byte order mark opening the text is dropped. Each line's text is then decoded on its own
// (UrlLineDecoder), so a broken character spoils only its own line.

#include "core/UrlLineSplitter.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <cstddef>
#include <string_view>

class UrlLineReader final {
public:
    // No URL comes near this; a longer line is text of something else.
    static constexpr std::size_t defaultMaxLineBytes = std::size_t(64) << 10;
    // Blank lines are empty or hold only spaces and tabs.
    enum class BlankLines { Keep, Skip };

    explicit UrlLineReader(BlankLines blank, std::size_t maxLineBytes = defaultMaxLineBytes)
        : m_blank(blank), m_maxLineBytes(maxLineBytes)
    {}

    // Calls onLine(std::string_view line, qint64 number) for each line the
    // bytes complete, and onTooLong(qint64 number) for each over-long one.
    template <typename OnLine, typename OnTooLong>
    void feed(std::string_view bytes, OnLine&& onLine, OnTooLong&& onTooLong);
    // The same for the line still open at the end of the text, if any.
    template <typename OnLine, typename OnTooLong> void finish(OnLine&& onLine, OnTooLong&& onTooLong);

    // The number the next line will have.
    qint64 nextLine() const { return m_lines + 1; }

private:
    static constexpr std::string_view byteOrderMark = "\xEF\xBB\xBF";

    template <typename OnLine, typename OnTooLong>
    void take(std::string_view line, OnLine& onLine, OnTooLong& onTooLong);
    // Gives back the bytes of a mark begun but not completed, as text.
    template <typename OnLine, typename OnTooLong> void releaseMark(OnLine& onLine, OnTooLong& onTooLong)
    {
        const std::string_view held = byteOrderMark.substr(0, m_markBytes);
        m_markBytes = byteOrderMark.size();
        m_splitter.feed(held, [&](std::string_view line) { take(line, onLine, onTooLong); });
    }

    static bool isBlank(std::string_view line) { return line.find_first_not_of(" \t") == std::string_view::npos; }

    const BlankLines m_blank;
    const std::size_t m_maxLineBytes;
    UrlLineSplitter m_splitter;
    qint64 m_lines = 0;
    std::size_t m_markBytes = 0; // of the byte order mark, matched so far
    bool m_skipping = false;     // the open line is over-long and already reported
};

template <typename OnLine, typename OnTooLong>
void UrlLineReader::take(std::string_view line, OnLine& onLine, OnTooLong& onTooLong)
{
    ++m_lines;
    if (m_skipping) {
        m_skipping = false;
        return;
    }
    if (line.size() > m_maxLineBytes)
        onTooLong(m_lines);
    else if (m_blank == BlankLines::Keep || !isBlank(line))
        onLine(line, m_lines);
}

template <typename OnLine, typename OnTooLong>
void UrlLineReader::feed(std::string_view bytes, OnLine&& onLine, OnTooLong&& onTooLong)
{
    // The mark may come a byte at a time: its bytes are held until it is
    // whole, and given back as text when it turns out to be none.
    while (m_markBytes < byteOrderMark.size() && !bytes.empty()) {
        if (bytes.front() != byteOrderMark[m_markBytes]) {
            releaseMark(onLine, onTooLong);
            break;
        }
        bytes.remove_prefix(1);
        ++m_markBytes;
    }
    m_splitter.feed(bytes, [&](std::string_view line) { take(line, onLine, onTooLong); });
    if (m_splitter.pendingBytes() > m_maxLineBytes || m_skipping) {
        if (!m_skipping)
            onTooLong(m_lines + 1);
        m_skipping = true;
        m_splitter.dropPending();
    }
}

template <typename OnLine, typename OnTooLong> void UrlLineReader::finish(OnLine&& onLine, OnTooLong&& onTooLong)
{
    if (m_markBytes < byteOrderMark.size())
        releaseMark(onLine, onTooLong);
    m_splitter.finish([&](std::string_view line) { take(line, onLine, onTooLong); });
    m_skipping = false;
}

// Turns a line's bytes into the UTF-8 text the programs keep, decoding them
// with the system's encoding. Stateless: every line starts afresh, and a
// character cut short by the line's end shows as a replacement character. A
// byte order mark opening a line is dropped, so one opening a file is no part
// of its first URL.
class UrlLineDecoder final {
public:
    // Valid until the next call.
    std::string_view toUtf8(std::string_view line);

private:
    QStringDecoder m_decoder{QStringDecoder::System, QStringDecoder::Flag::Stateless};
    QStringEncoder m_encoder{QStringEncoder::Utf8, QStringEncoder::Flag::Stateless};
    QString m_text;
    QByteArray m_utf8;
};
