#include "ProgressLine.h"

#include <cstdio>
#include <sys/ioctl.h>
#include <sys/stat.h>
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

// Rows into a pipe may reach the same terminal later, through the program
// reading them, and land on the line being drawn: no drawing then.
bool outputIsPipe()
{
    struct stat output {};
    return ::fstat(STDOUT_FILENO, &output) == 0 && (S_ISFIFO(output.st_mode) || S_ISSOCK(output.st_mode));
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
    : m_counts(std::move(counts)), m_shown(wanted && drawingTerminal() && !outputIsPipe())
{
    m_clock.start();
    if (!m_shown)
        return;
    m_timer.setInterval(100);
    connect(&m_timer, &QTimer::timeout, this, [this] { draw(); });
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
    m_held = false;
    draw("\n");
    m_drawn = false;
}

void ProgressLine::draw(const char* end)
{
    if (m_held)
        return;
    const Counts counts = m_counts();
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    const double rate = seconds > 0 ? double(counts.done) / seconds : 0.0;
    const QString disallowed =
        counts.disallowed > 0 ? QStringLiteral(", %1 disallowed by robots.txt").arg(counts.disallowed) : QString();
    const QString retries = counts.retries > 0 ? QStringLiteral(", %1 retried").arg(counts.retries) : QString();
    const QString notPages = counts.notPages > 0 ? QStringLiteral(", %1 not a page").arg(counts.notPages) : QString();
    const QString text = QStringLiteral("%1/%2 URLs, %3 rows, %4 failed%5, %6 pages/s")
                             .arg(counts.done)
                             .arg(counts.known)
                             .arg(counts.rows)
                             .arg(counts.failures)
                             .arg(disallowed + notPages + retries)
                             .arg(rate, 0, 'f', 1);
    // One write, its line end included, so nothing can come between.
    writeError("\r\x1b[K" + text.left(terminalWidth() - 1).toUtf8() + end);
    m_drawn = true;
}

void ProgressLine::clear()
{
    if (m_drawn)
        writeError("\r\x1b[K");
    m_drawn = false;
}
