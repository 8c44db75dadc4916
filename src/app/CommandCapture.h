#pragma once
// Runs a console command and returns what it prints. The command line is
// split into words at blanks, double quotes grouping words (no shell, no
// expansion), and the program is looked up on PATH. Output is read in chunks
// of at most 1024 bytes with a yield to the event loop before every read,
// until the command closes its output. An optional deadline kills a command
// that takes too long.

#include <QString>

#include <chrono>
#include <optional>

inline const QString captureStartFailure =
    QStringLiteral("Failed to create process, check the path of the command line.");

// Throws AppError (invalid argument) when neither captureOutput nor
// captureErrors is set. convertFromOem decodes with the console's encoding,
// which on this platform is the locale's, as is the plain decoding.
QString CaptureCommandOutput(const QString& commandLine, bool captureOutput, bool captureErrors, bool convertFromOem,
                             std::optional<std::chrono::milliseconds> deadline = std::nullopt);
