#pragma once
// The one-line progress display on a terminal: URLs done out of those read so
// far, rows, failures and pages per second, redrawn at most ten times a
// second. Failure lines are written through it, so they never mix with the
// line being drawn, and the line is cleared before any output, which may
// reach the same terminal. It is drawn only when wanted, on a terminal that
// understands the erasing (standard error a terminal, TERM set and not
// "dumb"), and not while a line of output is open; otherwise only the
// failure lines are written.

#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <functional>

class ProgressLine final : public QObject {
public:
    struct Counts {
        qint64 done = 0;
        qint64 known = 0;
        qint64 rows = 0;
        qint64 failures = 0;
        qint64 disallowed = 0; // followed pages robots.txt kept us from
        qint64 retries = 0;    // requests asked again after a transient failure
        qint64 notPages = 0;   // followed links whose answer was no page
    };

    // counts() is asked for the figures at each redraw.
    ProgressLine(bool wanted, std::function<Counts()> counts);
    ~ProgressLine() override;

    bool shown() const { return m_shown; }
    void failure(const QByteArray& line);
    // Standard output is about to be written, and has been.
    void beforeOutput();
    void afterOutput(bool lineEnded);
    // Draws the final figures and ends the line.
    void finish();

private:
    void draw(const char* end = "");
    void clear();

    std::function<Counts()> m_counts;
    bool m_shown;
    bool m_held = false;
    bool m_drawn = false;
    QElapsedTimer m_clock;
    QTimer m_timer;
};
