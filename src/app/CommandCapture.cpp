#include "CommandCapture.h"

#include "core/AppError.h"
#include "core/Yield.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringDecoder>

#include <cerrno>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

namespace {
constexpr std::size_t chunkBytes = 1024;
constexpr int pollMilliseconds = 20;

class FileDescriptor final {
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { close(); }
    Q_DISABLE_COPY_MOVE(FileDescriptor)
    int get() const { return m_fd; }
    void close()
    {
        if (m_fd >= 0)
            ::close(m_fd);
        m_fd = -1;
    }

private:
    int m_fd;
};
} // namespace

QString CaptureCommandOutput(const QString& commandLine, bool captureOutput, bool captureErrors, bool convertFromOem,
                             std::optional<std::chrono::milliseconds> deadline)
{
    if (!captureOutput && !captureErrors)
        throw AppError::invalidArgument();
    Q_UNUSED(convertFromOem);

    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return captureStartFailure;
    const QString program = arguments.takeFirst();

    // A pipe of our own rather than QProcess's channels: QProcess stops
    // reading when the command exits, but whatever the command started may
    // still hold the pipe and write to it. The end of the pipe is the end.
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0)
        return {};
    FileDescriptor readEnd(ends[0]);
    FileDescriptor writeEnd(ends[1]);

    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    const int childEnd = writeEnd.get();
    process.setChildProcessModifier([childEnd, captureOutput, captureErrors] {
        // dup2 clears close-on-exec on the copies only.
        if (captureOutput)
            ::dup2(childEnd, STDOUT_FILENO);
        if (captureErrors)
            ::dup2(childEnd, STDERR_FILENO);
    });
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return captureStartFailure;
    writeEnd.close(); // from now on only the command holds write ends

    const QDeadlineTimer timer = deadline ? QDeadlineTimer(*deadline) : QDeadlineTimer(QDeadlineTimer::Forever);
    QStringDecoder decoder(QStringDecoder::System);
    QString result;
    char buffer[chunkBytes];
    while (!timer.hasExpired()) {
        Yield::now();
        pollfd ready{readEnd.get(), POLLIN, 0};
        const int polled = ::poll(&ready, 1, pollMilliseconds);
        if (polled == 0 || (polled < 0 && errno == EINTR))
            continue;
        if (polled < 0)
            break;
        const ssize_t got = ::read(readEnd.get(), buffer, chunkBytes);
        if (got < 0 && (errno == EINTR || errno == EAGAIN))
            continue;
        if (got <= 0)
            break; // the pipe is closed, or broken
        result += decoder(QByteArrayView(buffer, qsizetype(got)));
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }
    return result;
}
