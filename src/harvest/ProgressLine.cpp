#include "ProgressLine.h"

#include <cstdio>
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
} // namespace

ProgressLine::ProgressLine(bool wanted, std::function<Counts()> counts)
    : m_counts(std::move(counts)), m_shown(wanted && drawingTerminal()),
      m_outputOnTerminal(::isatty(STDOUT_FILENO) == 1)
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
    if (m_outputOnTerminal)
        clear();
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
    const Counts counts = m_counts();
    const double seconds = double(m_clock.nsecsElapsed()) / 1e9;
    const double rate = seconds > 0 ? double(counts.done) / seconds : 0.0;
    writeError(QStringLiteral("\r\x1b[K%1/%2 URLs, %3 rows, %4 failed, %5 pages/s")
                   .arg(counts.done)
                   .arg(counts.known)
                   .arg(counts.rows)
                   .arg(counts.failures)
                   .arg(rate, 0, 'f', 1)
                   .toUtf8());
    m_drawn = true;
}

void ProgressLine::clear()
{
    if (m_drawn)
        writeError("\r\x1b[K");
    m_drawn = false;
}
