#include "HarvestOptions.h"

#include "extract/FetchWindow.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {
constexpr int shortestLength = 1;
constexpr int longestLength = 63;

const char* const description = R"(Fetches web pages and prints the phone numbers found in them, as the
Vandrell window's extraction run does.

URLs are read one per line from the FILEs, or from standard input when no
FILE is given or a FILE is "-". Lines end at CR, LF or CR LF; empty lines are
skipped. Rows go to standard output in input order, each URL's rows as soon
as its page has been scanned. A URL whose page cannot be fetched gives one
line on standard error, "vandrell-harvest: URL: reason", and the run goes on.
When standard error is a terminal, a progress line is shown there.

Exit status: 0 when every page was fetched, 2 when at least one was not
(or the input or output failed), 1 on a usage error.

Spread a long list over several machines with GNU parallel, for example:
  parallel --pipe -N 2000 --keep-order -S host1,host2 vandrell-harvest < urls.txt)";

void usageError(const QString& message)
{
    std::fprintf(stderr, "vandrell-harvest: %s\nTry 'vandrell-harvest --help' for more information.\n",
                 qPrintable(message));
}

std::optional<int> parseNumber(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}
} // namespace

std::optional<AcceptedLengths> HarvestOptions::parseLengths(const QString& text)
{
    AcceptedLengths lengths;
    for (QStringView item : QStringView(text).split(u',')) {
        const qsizetype dash = item.indexOf(u'-');
        const std::optional<int> low = parseNumber(dash < 0 ? item : item.left(dash));
        const std::optional<int> high = dash < 0 ? low : parseNumber(item.mid(dash + 1));
        if (!low || !high || *low < shortestLength || *high > longestLength || *low > *high)
            return std::nullopt;
        for (int length = *low; length <= *high; ++length)
            lengths.add(length);
    }
    return lengths;
}

std::optional<HarvestOptions> HarvestOptions::parse(const QStringList& arguments, int& exitStatus)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(QString::fromUtf8(description));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Show this help and exit."));
    const QCommandLineOption version(QStringLiteral("version"), QStringLiteral("Show the version and exit."));
    const QCommandLineOption lengths(
        QStringLiteral("lengths"),
        QStringLiteral("Digit counts to keep, as a comma-separated list of counts and ranges from %1 to %2, "
                       "e.g. 10,11 or 7-11. Default: 10,11.")
            .arg(shortestLength)
            .arg(longestLength),
        QStringLiteral("LIST"), QStringLiteral("10,11"));
    const QCommandLineOption withUrl(QStringLiteral("with-url"),
                                     QStringLiteral("Print each row as the URL as read, \" - \" and the number."));
    const QCommandLineOption format(QStringLiteral("format"),
                                    QStringLiteral("text: one row per line (default); comma: every row followed "
                                                   "by a comma, all on one line ended at the end of the run."),
                                    QStringLiteral("text|comma"), QStringLiteral("text"));
    const QCommandLineOption crlf(QStringLiteral("crlf"), QStringLiteral("End lines with CR LF instead of LF."));
    const QCommandLineOption unique(QStringLiteral("unique"),
                                    QStringLiteral("Drop rows printed before, keeping the first. Remembers every "
                                                   "row printed, so memory grows with the number of distinct rows."));
    const QCommandLineOption jobs(
        QStringLiteral("jobs"),
        QStringLiteral("Pages requested at once, at most (default %1).").arg(FetchWindow::defaultCapacity),
        QStringLiteral("N"), QString::number(FetchWindow::defaultCapacity));
    const QCommandLineOption cacert(QStringLiteral("cacert"),
                                    QStringLiteral("Trust the certificate authorities in FILE (PEM) instead of the "
                                                   "system's, for servers with a private CA."),
                                    QStringLiteral("FILE"));
    parser.addOptions({help, version, lengths, withUrl, format, crlf, unique, jobs, cacert});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Files of URLs, one per line; - is standard input."),
                                 QStringLiteral("[FILE...]"));

    exitStatus = 1;
    if (!parser.parse(arguments)) {
        usageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        std::fputs(qPrintable(parser.helpText()), stdout);
        exitStatus = 0;
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        std::printf("vandrell-harvest %s\n", VANDRELL_VERSION);
        exitStatus = 0;
        return std::nullopt;
    }

    HarvestOptions options;
    const std::optional<AcceptedLengths> accepted = parseLengths(parser.value(lengths));
    if (!accepted) {
        usageError(QStringLiteral("--lengths wants counts or ranges from %1 to %2, such as 10,11 or 7-11, not \"%3\"")
                       .arg(shortestLength)
                       .arg(longestLength)
                       .arg(parser.value(lengths)));
        return std::nullopt;
    }
    options.lengths = *accepted;
    options.withUrl = parser.isSet(withUrl);
    const QString formatName = parser.value(format);
    if (formatName == QLatin1String("text")) {
        options.format = Format::Text;
    } else if (formatName == QLatin1String("comma")) {
        options.format = Format::Comma;
    } else {
        usageError(QStringLiteral("--format wants text or comma, not \"%1\"").arg(formatName));
        return std::nullopt;
    }
    if (parser.isSet(crlf))
        options.lineEnd = "\r\n";
    options.unique = parser.isSet(unique);
    const std::optional<int> jobCount = parseNumber(parser.value(jobs));
    if (!jobCount || *jobCount < 1 || *jobCount > 1000) {
        usageError(QStringLiteral("--jobs wants a number from 1 to 1000, not \"%1\"").arg(parser.value(jobs)));
        return std::nullopt;
    }
    options.jobs = *jobCount;
    if (parser.isSet(cacert)) {
        options.certificateAuthorities = parser.value(cacert);
        if (!QFileInfo(options.certificateAuthorities).isReadable()) {
            usageError(QStringLiteral("--cacert: cannot read \"%1\"").arg(options.certificateAuthorities));
            return std::nullopt;
        }
    }
    options.inputs = parser.positionalArguments();
    if (options.inputs.isEmpty())
        options.inputs << QStringLiteral("-");
    exitStatus = 0;
    return options;
}
