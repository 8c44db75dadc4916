#include "HarvestOptions.h"

#include "UrlBytes.h"
#include "core/fetch/FetchWindow.h"
#include "core/fetch/SystemProxy.h"
#include "core/numbers/PhoneNumberReader.h"
#include "render/BrowserProcess.h"
#include "render/RenderPool.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
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
constexpr int longestRetries = 10;
constexpr int mostPerHost = 64;
constexpr double longestWaitSeconds = 3600;
constexpr int shortestRenderDeadline = 3;
constexpr int longestRenderDeadline = 600;

// The one description of the program: --help prints it, and the manual page
// is made from --help by help2man, its "*Heading*", "Environment:" and
// "Examples:" lines becoming sections.
const char* const description = R"(Fetches web pages and prints the phone numbers found in them, as the
Vandrell window's extraction run does.

URLs are read one per line from the FILEs, or from standard input when no
FILE is given or a FILE is "-". Lines end at CR, LF or CR LF; blank lines are
skipped, and so is a line longer than 64 KiB, with a message. A URL is used as
read, byte for byte: rows print it so, and bytes that are no UTF-8 go to the
server percent-encoded. Rows go to standard output (or -o FILE) in input
order, each URL's rows as soon as its page has been scanned.

A URL whose page cannot be fetched gives one line on standard error,
"vandrell-harvest: URL: reason" (a URL holding control bytes is quoted as GNU
tools quote file names), and the run goes on. When standard error is a
terminal, a progress line is drawn there, and cleared before rows reach the
same terminal, unless --quiet is given or TERM is unset or "dumb".

*Fetching*
http and https only. 30 s to connect and to the first byte, at least 1000
bytes a second over any 30 s, 300 s and 64 MiB per page, at most 10
redirects and none from https to http; TLS certificates are verified. An
answer with an HTTP error status counts as a failed page.

Each server is treated as a polite, patient client would: at most
--max-per-host requests to it at once, and with --wait at least that long
between the starts of two of them (robots.txt's Crawl-delay for Vandrell or
*, up to 30 s, when it is longer). An answer HTTP 429, 503, 502, 504 or 408,
a reset connection, an empty reply or a connect timeout is asked again,
--retries times: after the server's Retry-After (seconds or a date, at most
120 s), else after about 1 s, doubling, with jitter. After a 429 or a 503
the server gets one connection for the rest of the run. A page that still
fails gives its one failure line. Cookies are kept for the run, in one jar,
each site getting back only its own, as a browser does; --cookies starts the
jar from a file.

*Site crawling*
With --follow N, each listed page (a start page) is harvested with the pages
it links to on its own site (its host after redirects, http or https), up to
N links away, breadth-first: links of a[href], area[href], iframe[src] and
frame[src], resolved against <base href>, fragments dropped, each page once
per start page, none marked rel=nofollow or on a page whose robots meta tag
says nofollow, at most --max-pages per start page; with --sitemap the
site's sitemaps add pages one link away. Followed pages are fetched only
where the host's robots.txt (RFC 9309, for the product token Vandrell, read
once per host) allows; a refusal is counted in the progress line, not a
failure. robots.txt gets 10 s; when it cannot be read (no answer, 5xx), its
host's followed pages are skipped, as RFC 9309 asks, and one line on standard
error says so; a 4xx answer allows everything. A followed page's redirects
are judged the same way before each hop. A followed link whose answer is not
HTML, XHTML or text is closed after its headers and counted as "not a page";
a listed URL is read whatever its type. Rows come in the order of the start
pages, each start page's pages in breadth-first order, the same on every run;
with --with-url a followed page's rows show its resolved URL.

*Validated numbers*
With --region CC, the run reads real telephone numbers instead of runs of
digits: each page's text, as a browser shows it (markup, scripts, styles and
comments left out, character references and the page's charset decoded, the
numbers of tel: links read too), goes through libphonenumber's matcher, which
keeps only numbers valid in their region. A number written without its
country code is taken as CC's. With --region auto, the region is the one of
each page's host when its last label is a country code (.de, .co.uk, ...);
on other hosts only numbers in international form (+49 ..., 0049 ...) are
taken. Each number is printed in E.164 form (+493012345678), one row per
occurrence in page order; --unique keeps each number once. A number is kept
when the page links it with tel:, when the nearest label before it in its
block (paragraph, list item, heading, table cell, the line above past a line
break, the row's first cell) names a telephone or a desk people call (Tel,
Phone, Fax, Mobile, Telefon, Customer service, Hotline, Zentrale, ...), or
when it is written in international form. It is left out when that label
names an identifier, on its own (IBAN, VAT, a date, a postcode) or with a
number word (customer no., Kundennummer, order #), or, without a telephone
label, when it is written as a reference with a slash, a signed decimal, a
dotted date, a time, an IP address or a version, or, without a label, when
it is an unbroken run of digits or a date. A number written with letters
after a telephone label (1-800-FLOWERS) is read as the letters dial. A run of
more than 40 digits joined only by spaces and number punctuation is read as
figures, not numbers.

*Pages built by script*
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
on; its profile is a temporary folder, removed afterwards.

*Signals*
On SIGINT or SIGTERM nothing more is requested; the rows of the pages
finished so far are written, in their order, one line on standard error
says the run was interrupted, and the exit status is 130 (143 for SIGTERM).
A second signal ends the process at once.

Environment:
The proxy variables http_proxy, https_proxy, all_proxy and no_proxy are
honoured as curl honours them (an empty no_proxy counts as unset, so
NO_PROXY applies; no_proxy takes hosts, domains, addresses with a prefix
length such as 10.0.0.0/8, or * for all), with whatever authentication the
proxy asks for (Basic, Digest, NTLM, Negotiate); https goes through the proxy
with CONNECT. A variable that holds no usable proxy URL is a usage error. A
failure that is the proxy's names the variable. A password, in a proxy
variable or a URL, is shown as *** in every message.

*Exit status*
0 when every page was fetched (or the reader of the output went away), 2
when at least one was not or a line was skipped (or the input or output
failed), 1 on a usage error or when this help cannot be written, 130 or 143
after SIGINT or SIGTERM. A FILE that cannot be opened ends the run before
anything is fetched; one that fails while it is read is reported and the run
goes on.

Examples:
  $ vandrell-harvest --lengths 7-11 --with-url urls.txt > numbers.txt
  $ vandrell-harvest --follow 2 --sitemap --wait 0.5 --with-url shops.txt
  $ echo https://example.de/kontakt | vandrell-harvest --region auto --format jsonl
  {"url":"https://example.de/kontakt","number":"+493012345678","text":"030 1234567",...}
  $ echo https://example.com/contact | vandrell-harvest --render --region auto

Spread a long list over several machines with GNU parallel:
  $ parallel --pipe -N 2000 --keep-order -S host1,host2 vandrell-harvest < urls.txt
The output is then the same as one process's, byte for byte, except that
--format comma and --unique work per process, that is per shard.)";

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

// A cookie file libcurl would read only in part: it skips, without a word,
// every line that is not a Netscape cookie (seven fields between tabs). The
// user is told which, and the run goes on with the others. False when the
// file cannot be read at all.
bool reportCookieFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        usageError(QStringLiteral("--cookies: cannot read \"%1\": %2").arg(path, file.errorString()));
        return false;
    }
    QList<qint64> broken;
    qint64 number = 0;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine(64 * 1024).trimmed();
        ++number;
        const bool comment = line.startsWith('#') && !line.startsWith("#HttpOnly_");
        if (!line.isEmpty() && !comment && line.count('\t') != 6)
            broken << number;
    }
    if (broken.isEmpty())
        return true;
    QByteArray which;
    for (qsizetype i = 0; i < std::min<qsizetype>(broken.size(), 5); ++i)
        which += (i ? ", " : "") + QByteArray::number(broken[i]);
    if (broken.size() > 5)
        which += " and " + QByteArray::number(broken.size() - 5) + " more";
    std::fprintf(stderr,
                 "vandrell-harvest: %s: line%s %s %s no Netscape cookie (seven fields between tabs) and %s skipped\n",
                 UrlBytes::quoted(QFile::encodeName(path)).constData(), broken.size() > 1 ? "s" : "", which.constData(),
                 broken.size() > 1 ? "are" : "is", broken.size() > 1 ? "are" : "is");
    return true;
}

std::optional<int> parseNumber(QStringView text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok);
    return ok ? std::optional<int>(value) : std::nullopt;
}
} // namespace

CurlFetcher::Limits HarvestOptions::fetchLimits() const
{
    CurlFetcher::Limits limits;
    limits.connections = jobs;
    limits.certificateAuthorities = certificateAuthorities;
    limits.proxyCertificateAuthorities = proxyCertificateAuthorities;
    limits.connectionsPerHost = maxPerHost;
    if (!userAgent.isEmpty())
        limits.userAgent = userAgent;
    limits.cookies = true;
    limits.cookieFile = cookieFile;
    return limits;
}

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
                       "url, number, text (as written), region, type (as libphonenumber names them: fixed_line, "
                       "mobile, toll_free, ...) and label (phone, fax or mobile as the number's label says, null "
                       "without one); region, type and label null without --region; csv: the same fields as RFC "
                       "4180 records after a header record."),
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
    const QCommandLineOption maxPerHost(
        QStringLiteral("max-per-host"),
        QStringLiteral("Requests to one server at once, at most, from 1 to %1 (default 4).").arg(mostPerHost),
        QStringLiteral("N"), QStringLiteral("4"));
    const QCommandLineOption wait(QStringLiteral("wait"),
                                  QStringLiteral("Seconds between the starts of two requests to one server, across "
                                                 "all its connections (default 0; decimals allowed)."),
                                  QStringLiteral("SECONDS"), QStringLiteral("0"));
    const QCommandLineOption retries(
        QStringLiteral("retries"),
        QStringLiteral("Times a page is asked again after a transient failure, from 0 (never) to %1 (default 2).")
            .arg(longestRetries),
        QStringLiteral("N"), QStringLiteral("2"));
    const QCommandLineOption cookies(QStringLiteral("cookies"),
                                     QStringLiteral("Start with the cookies of FILE, a Netscape cookie file as curl -b "
                                                    "and wget --load-cookies read it."),
                                     QStringLiteral("FILE"));
    const QCommandLineOption userAgent(QStringLiteral("user-agent"),
                                       QStringLiteral("Send STRING as the User-Agent header (default Vandrell/%1); "
                                                      "robots.txt is still read for Vandrell.")
                                           .arg(QStringLiteral(VANDRELL_VERSION)),
                                       QStringLiteral("STRING"));
    const QCommandLineOption sitemap(QStringLiteral("sitemap"),
                                     QStringLiteral("With --follow, also start each crawl from its site's sitemaps "
                                                    "(robots.txt's Sitemap lines, else /sitemap.xml; indexes and "
                                                    "gzip files too), same host only, as pages one link away."));
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
    parser.addOptions({help,        version, lengths,    withUrl,        format,
                       region,      crlf,    unique,     jobs,           output,
                       quiet,       follow,  maxPages,   maxPerHost,     wait,
                       retries,     cookies, userAgent,  sitemap,        cacert,
                       proxyCacert, render,  renderTabs, renderDeadline, renderWithoutSandbox});
    parser.addPositionalArgument(QStringLiteral("FILE"),
                                 QStringLiteral("Files of URLs, one per line; - is standard input."),
                                 QStringLiteral("[FILE...]"));

    exitStatus = 1;
    if (!parser.parse(arguments)) {
        usageError(parser.errorText());
        return std::nullopt;
    }
    if (parser.isSet(help)) {
        // Qt names the program by the path it was started by.
        QString text = parser.helpText();
        const qsizetype lineEnd = text.indexOf(u'\n');
        text.replace(0, lineEnd, QStringLiteral("Usage: vandrell-harvest [options] [FILE...]"));
        exitStatus = writeOut(text.toUtf8());
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
        !numberIn(maxPages, 1, longestMaxPages, options.maxPages) ||
        !numberIn(maxPerHost, 1, mostPerHost, options.maxPerHost) ||
        !numberIn(retries, 0, longestRetries, options.retries))
        return std::nullopt;
    bool isSeconds = false;
    const double seconds = parser.value(wait).trimmed().toDouble(&isSeconds);
    if (!isSeconds || !(seconds >= 0 && seconds <= longestWaitSeconds)) {
        usageError(QStringLiteral("--wait wants seconds from 0 to %1, not \"%2\"")
                       .arg(longestWaitSeconds)
                       .arg(parser.value(wait)));
        return std::nullopt;
    }
    options.waitMs = qint64(seconds * 1000);
    if (parser.isSet(userAgent)) {
        options.userAgent = parser.value(userAgent).toUtf8();
        // One header line: a line break would start a header of its own.
        if (options.userAgent.isEmpty() || std::any_of(options.userAgent.begin(), options.userAgent.end(),
                                                       [](char c) { return (unsigned char)c < 0x20 || c == 0x7f; })) {
            usageError(QStringLiteral("--user-agent wants one line of text"));
            return std::nullopt;
        }
    }
    options.sitemap = parser.isSet(sitemap);
    if (options.sitemap && options.follow == 0) {
        usageError(QStringLiteral("--sitemap starts crawls: give --follow too"));
        return std::nullopt;
    }
    if (parser.isSet(cookies)) {
        options.cookieFile = parser.value(cookies);
        if (!reportCookieFile(options.cookieFile))
            return std::nullopt;
    }
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
