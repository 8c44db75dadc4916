#include "StdoutWriter.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <unistd.h>

bool StdoutWriter::write(const QByteArray& bytes)
{
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (m_state == State::Open && left > 0) {
        const ssize_t written = ::write(m_fd, data, std::size_t(left));
        if (written >= 0) {
            data += written;
            left -= written;
        } else if (errno == EPIPE) {
            m_state = State::Closed;
        } else if (errno != EINTR) {
            std::fprintf(stderr, "vandrell-harvest: cannot write the output: %s\n", std::strerror(errno));
            m_state = State::Failed;
        }
    }
    return m_state == State::Open;
}
