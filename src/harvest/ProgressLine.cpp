#include "ProgressLine.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

namespace {
void writeError(const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t written = ::write(STDERR_FILENO, data, std::size_t(left));
        if (written <= 0)
            return; // nowhere left to say anything
        data += written;
        left -= written;
    }
}

bool drawingTerminal()
{
    const QByteArray term = qgetenv("TERM");
    return ::isatty(STDERR_FILENO) == 1 && !term.isEmpty() && term != "dumb";
}

// Columns of the terminal: a longer line would wrap, and erasing only
// clears its last row.
int terminalWidth()
{
    winsize size{};
    return ::ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0 ? size.ws_col : 80;
}
} // namespace

ProgressLine::ProgressLine(bool wanted, std::function<Counts()> counts)
    : m_counts(std::move(counts)), m_shown(wanted && drawingTerminal())
{
    m_clock.start();
    if (!m_shown)
        return;
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, &ProgressLine::draw);
    m_timer.start();
}

ProgressLine::~ProgressLine()
{
    clear();
}

void ProgressLine::failure(const QByteArray& line)
{
    clear();
    writeError(line);
}

void ProgressLine::beforeOutput()
{
    // Standard output may reach the same terminal, through a pipe too.
    clear();
}

void ProgressLine::afterOutput(bool lineEnded)
{
    // A line of output left open (the comma format) would be erased by the
    // next drawing: the progress waits until it ends.
    m_held = !lineEnded;
}

void ProgressLine::finish()
{
    if (!m_shown)
        return;
    m_timer.stop();
    draw();
    if (m_drawn)
        writeError("\n");
    m_drawn = false;
}

void ProgressLine::draw()
{
    if (m_held)
        return;
    const Counts counts = m_counts();
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    const double rate = seconds > 0 ? double(counts.done) / seconds : 0.0;
    const QString disallowed =
        counts.disallowed > 0 ? QStringLiteral(", %1 disallowed by robots.txt").arg(counts.disallowed) : QString();
    writeError(QStringLiteral("\r\x1b[K%1/%2 URLs, %3 rows, %4 failed%5, %6 pages/s")
                   .arg(counts.done)
                   .arg(counts.known)
                   .arg(counts.rows)
                   .arg(counts.failures)
                   .arg(disallowed)
                   .arg(rate, 0, 'f', 1)
                   .left(terminalWidth() - 1)
                   .toUtf8());
    m_drawn = true;
}

void ProgressLine::clear()
{
    if (m_drawn)
        writeError("\r\x1b[K");
    m_drawn = false;
}
