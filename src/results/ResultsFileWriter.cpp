#include "ResultsFileWriter.h"

#include "platform/AppError.h"

namespace {
// Large enough that a million rows cost a few hundred writes, small enough
// to stay out of the way in memory.
constexpr qsizetype chunkBytes = 256 * 1024;
} // namespace

void ResultsFileWriter::open(const QString& path)
{
    m_file.setFileName(path);
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

void ResultsFileWriter::write(std::string_view bytes)
{
    if (m_state != State::Writing)
        return;
    const auto size = qsizetype(bytes.size());
    if (m_buffer.size() + size > chunkBytes)
        flush();
    if (size >= chunkBytes) {
        // A long piece (the comma-delimited line) goes out without a copy.
        if (m_file.write(bytes.data(), size) != size)
            fail();
        return;
    }
    m_buffer.append(bytes.data(), size);
}

void ResultsFileWriter::writeLine(std::string_view bytes)
{
    write(bytes);
    write("\r\n");
}

void ResultsFileWriter::commit()
{
    if (m_state != State::Writing)
        return;
    flush();
    if (!m_file.commit()) {
        m_state = State::Failed;
        throw AppError(m_file.errorString());
    }
    m_state = State::Closed;
}

void ResultsFileWriter::flush()
{
    if (m_buffer.isEmpty())
        return;
    if (m_file.write(m_buffer) != m_buffer.size())
        fail();
    m_buffer.resize(0); // keeps the capacity for the next chunk
}

void ResultsFileWriter::fail()
{
    m_state = State::Failed;
    const QString description = m_file.errorString();
    // Drops the temporary file; the target keeps its old content.
    m_file.cancelWriting();
    m_buffer = QByteArray();
    throw AppError(description);
}
