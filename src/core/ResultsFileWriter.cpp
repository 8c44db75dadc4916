#include "core/ResultsFileWriter.h"

#include "core/AppError.h"

#include <QFileInfo>

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

namespace {
// Large enough that a million rows cost a few hundred writes, small enough
// to stay out of the way in memory.
constexpr qsizetype chunkBytes = 256 * 1024;
} // namespace

void ResultsFileWriter::open(const QString& path)
{
    const QFileInfo target(path);
    if (target.exists() && !target.isFile() && !target.isDir()) {
        openInPlace(path);
        return;
    }
    m_file.setFileName(path);
    // A folder that refuses the temporary file may still hold a file the user
    // can write: that file is then written in place, without the safety of the
    // swap. Where the swap does happen, the target is a new file: a hard link
    // to the old one keeps the old content, and the file gets the saving
    // user's owner (its permissions are carried over).
    m_file.setDirectWriteFallback(true);
    // Unbuffered: every chunk reaches the file at once, so a failing write is
    // seen as it happens. (A failure while the device flushes its own buffer
    // at commit would go unnoticed and replace the old file with a short one.)
    if (!m_file.open(QIODevice::WriteOnly | QIODevice::Unbuffered)) {
        m_state = State::Failed;
        throw AppError(m_file.errorString());
    }
    m_state = State::Writing;
    m_buffer.reserve(chunkBytes);
}

void ResultsFileWriter::openInPlace(const QString& path)
{
    // A pipe nobody reads from would block the window for good: it is opened
    // without waiting, and refused when no reader is there.
    const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        m_state = State::Failed;
        throw AppError(errno == ENXIO ? QStringLiteral("No program reads from the pipe ") + path
                                      : QString::fromLocal8Bit(std::strerror(errno)));
    }
    // Once open, writes wait for the reader as usual.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    if (!m_direct.open(fd, QIODevice::WriteOnly | QIODevice::Unbuffered, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        m_state = State::Failed;
        throw AppError(m_direct.errorString());
    }
    m_inPlace = true;
    m_state = State::Writing;
    m_buffer.reserve(chunkBytes);
}

void ResultsFileWriter::write(std::string_view bytes)
{
    if (m_state != State::Writing)
        return;
    const auto size = qsizetype(bytes.size());
    if (m_buffer.size() + size > chunkBytes)
        flush();
    if (size >= chunkBytes) {
        // A long piece (the comma-delimited line) goes out without a copy.
        if (device().write(bytes.data(), size) != size)
            fail();
        return;
    }
    m_buffer.append(bytes.data(), size);
}

void ResultsFileWriter::commit()
{
    if (m_state != State::Writing)
        return;
    flush();
    const bool done = m_inPlace ? (m_direct.close(), m_direct.error() == QFileDevice::NoError) : m_file.commit();
    if (!done) {
        m_state = State::Failed;
        throw AppError(device().errorString());
    }
    m_state = State::Closed;
}

void ResultsFileWriter::flush()
{
    if (m_buffer.isEmpty())
        return;
    if (device().write(m_buffer) != m_buffer.size())
        fail();
    m_buffer.resize(0); // keeps the capacity for the next chunk
}

void ResultsFileWriter::fail()
{
    m_state = State::Failed;
    const QString description = device().errorString();
    // Drops the temporary file; the target keeps its old content. (Written in
    // place, it keeps what went out before the failure.)
    if (m_inPlace)
        m_direct.close();
    else
        m_file.cancelWriting();
    m_buffer = QByteArray();
    throw AppError(description);
}
