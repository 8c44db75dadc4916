#include "HarvestOptions.h"

#include "UrlBytes.h"
#include "core/fetch/FetchWindow.h"
#include "core/fetch/SystemProxy.h"
#include "core/numbers/PhoneNumberReader.h"
#include "render/BrowserProcess.h"
#include "render/RenderPool.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>
#include <cstring>

namespace {
constexpr int shortestLength = 1;
constexpr int longestLength = 63;
constexpr int shortestJobs = 1;
constexpr int longestJobs = 1000;
constexpr int longestFollow = 100;
constexpr int defaultMaxPages = 500;
constexpr int longestMaxPages = 1'000'000;
constexpr int shortestRenderDeadline = 3;
constexpr int longestRenderDeadline = 600;

const char* const description = R"(Fetches web pages and prints the phone numbers found in them, as the
Vandrell window's extraction run does.

URLs are read one per line from the FILEs, or from standard input when no
FILE is given or a FILE is "-". Lines end at CR, LF or CR LF; blank lines are
skipped, and so is a line longer than 64 KiB, with a message. A URL is used as
read, byte for byte. Rows go to standard output (or -o FILE) in input order,
each URL's rows as soon as its page has been scanned.

A page is fetched over http or https within these limits: 30 s to connect
and to the first byte, at least 1000 bytes a second over any 30 s, 300 s and
64 MiB in all, at most 10 redirects and none from https to http. An answer
with an HTTP error status counts as a failed page. The proxy variables
http_proxy, https_proxy, all_proxy and no_proxy are honoured, as curl
honours them, with whatever authentication the proxy asks for; a variable
that holds no usable proxy URL is a usage error. A password, in a proxy
variable or a URL, is shown as *** in every message.

With --follow N, each listed page (a start page) is harvested with the pages
it links to on its own site (its host after redirects, http or https), up to
N links away, breadth-first: links of a[href], area[href], iframe[src] and
frame[src], resolved against <base href>, fragments dropped, each page once
per start page, none marked rel=nofollow or on a page whose robots meta tag
says nofollow, at most --max-pages per start page. Followed pages are
fetched only where the host's robots.txt (read once per host, for the
product token Vandrell) allows; a refusal is counted in the progress line,
not a failure. Rows come in the order of the start pages, each start page's
pages in breadth-first order, the same on every run; with --with-url a
followed page's rows show its resolved URL.

A URL whose page cannot be fetched gives one line on standard error,
"vandrell-harvest: URL: reason", and the run goes on. When standard error is
a terminal, a progress line is drawn there, unless --quiet is given or TERM
is unset or "dumb".

Exit status: 0 when every page was fetched (or the reader of the output went
away), 2 when at least one was not or a line was skipped (or the input or
output failed), 1 on a usage error or when this help cannot be written. A
FILE that cannot be opened ends the run before anything is fetched; one that
fails while it is read is reported and the run goes on.

With --region CC, the run reads real telephone numbers instead of runs of
digits: each page's text, as a browser shows it (markup, scripts, styles and
comments left out, character references and the page's charset decoded, the
numbers of tel: links read too), goes through libphonenumber's matcher, which
keeps only numbers valid in their region. A number written without its
country code is taken as CC's. With --region auto, the region is the one of
each page's host when its last label is a country code (.de, .co.uk, ...);
on other hosts only numbers in international form (+49 ..., 0049 ...) are
taken. Each number is printed in E.164 form (+493012345678), one row per
occurrence in page order; --unique keeps each number once. Numbers that the
page labels as an invoice, order, tax, account or register number, unbroken
runs of digits and dates without a telephone label are left out; a tel:
link, a label such as Tel, Phone, Fax or Mobile, or the international form
keep a number. For example:
  echo https://example.de/kontakt | vandrell-harvest --region auto --format jsonl
  {"url":"https://example.de/kontakt","number":"+493012345678","text":"030 1234567",...}

With --render, each page that is HTML is also shown in Chromium (Debian's
package chromium, which --render needs), and its numbers and links are read
from the document its scripts built: a number written by a timer or fetched
as JSON, links a menu script adds. The page is read once it has settled: its
load event, then half a second with no request in flight; one that never goes
quiet is read as it stands a third of the way to --render-deadline, and one
the browser cannot read by the deadline (a script that never yields) fails.
The browser touches no network itself: every request a page makes in it is
fetched by the harvester, with its proxy, certificates, limits and
robots.txt, and only scripts, frames and what scripts fetch (by GET) are
fetched at all. Run as root, the browser runs as the user nobody, its sandbox
on; its profile is a temporary folder, removed afterwards. For example:
  echo https://example.com/contact | vandrell-harvest --render --region auto

Spread a long list over several machines with GNU parallel, for example:
  parallel --pipe -N 2000 --keep-order -S host1,host2 vandrell-harvest < urls.txt
The output is then the same as one process's, byte for byte, except that
--format comma and --unique work per process, that is per shard.

The manual page: man vandrell-harvest.)";

// --help and --version: text that could not be written is an error too.
int writeOut(const QByteArray& text)
{
    if (std::fwrite(text.constData(), 1, std::size_t(text.size()), stdout) == std::size_t(text.size()) &&
        std::fflush(stdout) == 0)
        return 0;
    std::fprintf(stderr, "vandrell-harvest: write error: %s\n", std::strerror(errno));
    return 1;
}

void usageError(const QString& message)
{
    // The message may quote what was typed, control bytes and all.
    std::fprintf(stderr, "vandrell-harvest: %s\nTry 'vandrell-harvest --help' for more information.\n",
                 UrlBytes::quoted(message.toUtf8()).constData());
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
    const QCommandLineOption version({QStringLiteral("V"), QStringLiteral("version")},
                                     QStringLiteral("Show the version and exit."));
    const QCommandLineOption lengths(
        QStringLiteral("lengths"),
        QStringLiteral("Digit counts to keep, as a comma-separated list of counts and ranges from %1 to %2, "
                       "e.g. 10,11 or 7-11. Default: 10,11.")
            .arg(shortestLength)
            .arg(longestLength),
        QStringLiteral("LIST"), QStringLiteral("10,11"));
    const QCommandLineOption withUrl(QStringLiteral("with-url"),
                                     QStringLiteral("Print each row as the URL as read, \" - \" and the number."));
    const QCommandLineOption format(
        QStringLiteral("format"),
        QStringLiteral("text: one row per line (default); comma: every row followed by a comma, all on one line "
                       "ended at the end of the run; urls: each fetched page's URL instead of its numbers, a list of "
                       "URLs for the window or another harvest; jsonl: one JSON object per row, with the fields "
                       "url, number, text (as written), region and type (null without --region); csv: the same "
                       "fields as RFC 4180 records after a header record."),
        QStringLiteral("text|comma|urls|jsonl|csv"), QStringLiteral("text"));
    const QCommandLineOption region(
        QStringLiteral("region"),
        QStringLiteral("Print real telephone numbers, validated by libphonenumber, in E.164 form: numbers written "
                       "without a country code belong to region CC (ISO 3166-1, e.g. DE, GB, US), or with auto to "
                       "the region of the page's host's country-code domain. Not with --lengths."),
        QStringLiteral("CC|auto"));
    const QCommandLineOption crlf(QStringLiteral("crlf"), QStringLiteral("End lines with CR LF instead of LF."));
    const QCommandLineOption unique(QStringLiteral("unique"),
                                    QStringLiteral("Drop rows printed before, keeping the first. Remembers every "
                                                   "row printed, so memory grows with the number of distinct rows."));
    const QCommandLineOption jobs({QStringLiteral("j"), QStringLiteral("jobs")},
                                  QStringLiteral("Pages requested at once, at most, from %1 to %2 (default %3).")
                                      .arg(shortestJobs)
                                      .arg(longestJobs)
                                      .arg(FetchWindow::defaultCapacity),
                                  QStringLiteral("N"), QString::number(FetchWindow::defaultCapacity));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")},
                                    QStringLiteral("Write the rows to FILE instead of standard output."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption quiet({QStringLiteral("q"), QStringLiteral("quiet")},
                                   QStringLiteral("Draw no progress line. Failures are still reported."));
    const QCommandLineOption follow(
        QStringLiteral("follow"),
        QStringLiteral("Also harvest the pages each listed page links to on its own site, up to N links away "
                       "(default 0), breadth-first, as robots.txt allows."),
        QStringLiteral("N"), QStringLiteral("0"));
    const QCommandLineOption maxPages(
        QStringLiteral("max-pages"),
        QStringLiteral("With --follow, pages harvested from each listed page at most, itself counted (default %1).")
            .arg(defaultMaxPages),
        QStringLiteral("M"), QString::number(defaultMaxPages));
    const QCommandLineOption cacert(QStringLiteral("cacert"),
                                    QStringLiteral("Trust the certificate authorities in FILE (PEM) instead of the "
                                                   "system's, for servers with a private CA."),
                                    QStringLiteral("FILE"));
    const QCommandLineOption proxyCacert(QStringLiteral("proxy-cacert"),
                                         QStringLiteral("Trust the certificate authorities in FILE (PEM) for an "
                                                        "https:// proxy's own certificate."),
                                         QStringLiteral("FILE"));
    const QCommandLineOption render(
        QStringLiteral("render"),
        QStringLiteral("Show each HTML page in Chromium and read the document its scripts built (needs the package "
                       "chromium)."));
    const QCommandLineOption renderTabs(
        QStringLiteral("render-tabs"),
        QStringLiteral("With --render, pages shown at once, each in a tab of its own, from 1 to %1 (default %2).")
            .arg(RenderPool::maximumTabs)
            .arg(RenderPool::defaultTabs),
        QStringLiteral("N"), QString::number(RenderPool::defaultTabs));
    const QCommandLineOption renderDeadline(
        QStringLiteral("render-deadline"),
        QStringLiteral("With --render, seconds a page may take in the browser, from %1 to %2 (default 30).")
            .arg(shortestRenderDeadline)
            .arg(longestRenderDeadline),
        QStringLiteral("S"), QStringLiteral("30"));
    const QCommandLineOption renderWithoutSandbox(
        QStringLiteral("render-without-sandbox"),
        QStringLiteral("With --render, run Chromium without its sandbox, so that a page that takes over its "
                       "renderer has the rights of the browser's user. Only for machines where the sandbox "
                       "cannot start."));
    parser.addOptions({help, version, lengths, withUrl, format, region, crlf, unique, jobs, output, quiet, follow,
                       maxPages, cacert, proxyCacert, render, renderTabs, renderDeadline, renderWithoutSandbox});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Files of URLs, one per line; - is standard input."),
                                 QStringLiteral("[FILE...]"));

    exitStatus = 1;
    if (!parser.parse(arguments)) {
        usageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        exitStatus = writeOut(parser.helpText().toUtf8());
        return std::nullopt;
    }
    if (parser.isSet(version)) {
        exitStatus = writeOut(QByteArrayLiteral("vandrell-harvest " VANDRELL_VERSION "\n"));
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
    } else if (formatName == QLatin1String("urls")) {
        options.format = Format::Urls;
    } else if (formatName == QLatin1String("jsonl")) {
        options.format = Format::Jsonl;
    } else if (formatName == QLatin1String("csv")) {
        options.format = Format::Csv;
    } else {
        usageError(QStringLiteral("--format wants text, comma, urls, jsonl or csv, not \"%1\"").arg(formatName));
        return std::nullopt;
    }
    if (parser.isSet(region)) {
        if (parser.isSet(lengths)) {
            usageError(QStringLiteral("--region reads whole numbers, so --lengths does not apply: give one or the "
                                      "other"));
            return std::nullopt;
        }
        const QString code = parser.value(region);
        if (code.compare(QLatin1String("auto"), Qt::CaseInsensitive) == 0) {
            options.region = std::string();
        } else if (PhoneNumberReader::isKnownRegion(code.toUpper().toStdString())) {
            options.region = code.toUpper().toStdString();
        } else {
            usageError(QStringLiteral("--region wants auto or a region code such as DE, GB or US, and \"%1\" is no "
                                      "region libphonenumber knows")
                           .arg(code));
            return std::nullopt;
        }
    }
    if (parser.isSet(crlf))
        options.lineEnd = "\r\n";
    options.unique = parser.isSet(unique);
    // A whole number from low to high, or a usage error naming the option.
    const auto numberIn = [&](const QCommandLineOption& option, int low, int high, int& into) {
        const std::optional<int> number = parseNumber(parser.value(option));
        if (number && *number >= low && *number <= high) {
            into = *number;
            return true;
        }
        usageError(QStringLiteral("--%1 wants a number from %2 to %3, not \"%4\"")
                       .arg(option.names().constLast())
                       .arg(low)
                       .arg(high)
                       .arg(parser.value(option)));
        return false;
    };
    if (!numberIn(jobs, shortestJobs, longestJobs, options.jobs) ||
        !numberIn(follow, 0, longestFollow, options.follow) ||
        !numberIn(maxPages, 1, longestMaxPages, options.maxPages))
        return std::nullopt;
    options.quiet = parser.isSet(quiet);
    options.render = parser.isSet(render);
    options.renderWithoutSandbox = parser.isSet(renderWithoutSandbox);
    if (!numberIn(renderTabs, 1, RenderPool::maximumTabs, options.renderTabs) ||
        !numberIn(renderDeadline, shortestRenderDeadline, longestRenderDeadline, options.renderDeadlineSeconds))
        return std::nullopt;
    if (options.render) {
        if (const QString missing = BrowserProcess::missing(BrowserProcess::defaultProgram()); !missing.isEmpty()) {
            usageError(missing);
            return std::nullopt;
        }
    }
    for (const auto& [option, file] : {std::pair{&cacert, &options.certificateAuthorities},
                                       std::pair{&proxyCacert, &options.proxyCertificateAuthorities}}) {
        if (!parser.isSet(*option))
            continue;
        *file = parser.value(*option);
        if (!QFileInfo(*file).isReadable()) {
            usageError(QStringLiteral("--%1: cannot read \"%2\"").arg(option->names().constFirst(), *file));
            return std::nullopt;
        }
    }
    // Every page would fail the same way: one message, before anything is fetched.
    const QString badProxy = SystemProxy::malformed();
    if (!badProxy.isEmpty()) {
        usageError(badProxy);
        return std::nullopt;
    }
    if (parser.isSet(output))
        options.outputFile = parser.value(output);
    options.inputs = parser.positionalArguments();
    if (options.inputs.isEmpty())
        options.inputs << QStringLiteral("-");
    exitStatus = 0;
    return options;
}
