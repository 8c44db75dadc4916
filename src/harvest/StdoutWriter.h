#pragma once
// Writes the rows to standard output as they are ready, with no buffering of
// its own so each URL's rows leave the process at once. A reader that has
// gone away (a closed pipe) ends the output quietly; any other write error
// is reported once.

#include <QByteArray>

class StdoutWriter final {
public:
    enum class State { Open, Closed, Failed };
    explicit StdoutWriter(int fd = 1) : m_fd(fd) {}

    // False once the output can take nothing more.
    bool write(const QByteArray& bytes);
    State state() const { return m_state; }

private:
    int m_fd;
    State m_state = State::Open;
};
