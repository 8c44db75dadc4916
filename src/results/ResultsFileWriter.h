#pragma once
// Writes one results file safely: the bytes go to a temporary file beside the
// target, in large chunks, and replace the target only when all of them are
// on disk. A save that fails half-way (disk full, the program ended) leaves
// the old file exactly as it was. Failures throw AppError, each reported once:
// after a failed open or write the rest of the save writes nothing.

#include <QByteArray>
#include <QSaveFile>

#include <string_view>

class ResultsFileWriter final {
    Q_DISABLE_COPY_MOVE(ResultsFileWriter)
public:
    ResultsFileWriter() = default;

    // Creates the temporary file; the target is not touched yet.
    void open(const QString& path);
    // Appends bytes, then CR LF for writeLine. No-ops once the save has failed.
    void write(std::string_view bytes);
    void writeLine(std::string_view bytes);
    // Puts the written bytes in place of the target. Does nothing (and
    // reports nothing) when an earlier failure was already reported.
    void commit();

    bool isWriting() const { return m_state == State::Writing; }

private:
    enum class State { Closed, Writing, Failed };

    void flush();
    [[noreturn]] void fail();

    QSaveFile m_file;
    QByteArray m_buffer;
    State m_state = State::Closed;
};
