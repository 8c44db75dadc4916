#include "CommandCapture.h"

#include "platform/AppError.h"
#include "platform/Yield.h"

#include <QDeadlineTimer>
#include <QProcess>
#include <QStringDecoder>

namespace {
constexpr qint64 chunkBytes = 1024;
constexpr int pollMilliseconds = 20;
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

    QProcess process;
    if (captureOutput && captureErrors) {
        process.setProcessChannelMode(QProcess::MergedChannels);
    } else if (captureOutput) {
        process.setStandardErrorFile(QProcess::nullDevice());
    } else {
        process.setStandardOutputFile(QProcess::nullDevice());
        process.setReadChannel(QProcess::StandardError);
    }
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments, QIODevice::ReadOnly);
    if (!process.waitForStarted())
        return captureStartFailure;

    const QDeadlineTimer timer = deadline ? QDeadlineTimer(*deadline) : QDeadlineTimer(QDeadlineTimer::Forever);
    QStringDecoder decoder(QStringDecoder::System);
    QString result;
    for (;;) {
        Yield::now();
        if (process.bytesAvailable() == 0) {
            if (process.state() == QProcess::NotRunning)
                break;
            if (timer.hasExpired()) {
                process.kill();
                process.waitForFinished(1000);
                if (process.bytesAvailable() == 0)
                    break;
            }
            process.waitForReadyRead(pollMilliseconds);
            continue;
        }
        const QByteArray chunk = process.read(chunkBytes);
        result += decoder(chunk);
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(1000);
    }
    return result;
}
