#pragma once
// The command line of vandrell-harvest.

#include "core/AcceptedLengths.h"
#include "core/ResultsFormat.h"

#include <QByteArray>
#include <QStringList>

#include <optional>

struct HarvestOptions {
    using Format = ResultsFormat::Kind;

    AcceptedLengths lengths;
    bool withUrl = false;
    Format format = Format::Text;
    QByteArray lineEnd = "\n";
    bool unique = false;
    int jobs = 0;
    bool quiet = false;
    QString outputFile; // empty for standard output
    QStringList inputs; // "-" is standard input

    // The options, or the exit status when the program should end at once:
    // after --help or --version (0, or 1 when they could not be written), or
    // a usage error, already explained on standard error (1).
    static std::optional<HarvestOptions> parse(const QStringList& arguments, int& exitStatus);

    // Digit counts such as "10,11" or "7-11,14"; nothing for text that is not one.
    static std::optional<AcceptedLengths> parseLengths(const QString& text);
};
