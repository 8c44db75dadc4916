#pragma once
// Writes one results file: the bytes go to a temporary file beside the
// target, in large chunks, and replace the target only when all of them are
// on disk, so a save that fails half-way (disk full, the program ended)
// leaves the old file exactly as it was. Where that cannot be done, the
// target is written in place: a writable file in a folder that refuses new
// files, and targets that are no regular file (a named pipe, a device).
// Failures throw AppError, each reported once: after a failed open or write
// the rest of the save writes nothing.

#include <QByteArray>
#include <QFile>
#include <QSaveFile>

#include <string_view>

class ResultsFileWriter final {
    Q_DISABLE_COPY_MOVE(ResultsFileWriter)
public:
    ResultsFileWriter() = default;

    // Creates the temporary file (the target is not touched yet), or opens
    // the target itself where it must be written in place.
    void open(const QString& path);
    // Appends bytes. No-ops once the save has failed.
    void write(std::string_view bytes);
    // Puts the written bytes in place of the target. Does nothing (and
    // reports nothing) when an earlier failure was already reported.
    void commit();

    bool isWriting() const { return m_state == State::Writing; }

private:
    enum class State { Closed, Writing, Failed };

    void flush();
    [[noreturn]] void fail();
    void openInPlace(const QString& path);

    QFileDevice& device() { return m_inPlace ? static_cast<QFileDevice&>(m_direct) : m_file; }

    QSaveFile m_file;
    QFile m_direct;
    bool m_inPlace = false;
    QByteArray m_buffer;
    State m_state = State::Closed;
};
