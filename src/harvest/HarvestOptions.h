#pragma once
// The command line of vandrell-harvest.

#include "core/fetch/CurlFetcher.h"
#include "core/numbers/AcceptedLengths.h"

#include <QByteArray>
#include <QStringList>

#include <optional>
#include <string>

struct HarvestOptions {
    // Text and Comma as the window saves rows; Urls prints each fetched page's URL instead;
    // Jsonl and Csv print each row as a record of named fields.
    enum class Format { Text, Comma, Urls, Jsonl, Csv };

    AcceptedLengths lengths;
    bool withUrl = false;
    Format format = Format::Text;
    QByteArray lineEnd = "\n";
    bool unique = false;
    int jobs = 0;
    bool quiet = false;
    int follow = 0;                      // links followed from each listed page, at most
    int maxPages = 500;                  // pages per listed page, itself counted, when following
    std::optional<QString> outputFile;   // none for standard output
    QString certificateAuthorities;      // a PEM file trusted instead of the system's CAs
    QString proxyCertificateAuthorities; // the same for an https:// proxy's certificate
    QStringList inputs;                  // "-" is standard input
    // How the run treats each server: requests at once and the time between
    // their starts, tries after a transient failure, the cookie file read at
    // the start, the User-Agent header, and whether crawls start from
    // sitemaps too.
    int maxPerHost = 4;
    qint64 waitMs = 0;
    int retries = 2;
    QString cookieFile;
    QByteArray userAgent;
    bool sitemap = false;
    // With --region, validated numbers: the region of numbers written without
    // a country code, in capitals, or empty for "auto" (from each page's host).
    std::optional<std::string> region;
    // With --render, pages are shown in Chromium and read as their scripts
    // left them.
    bool render = false;
    int renderTabs = 4;
    int renderDeadlineSeconds = 30;
    bool renderWithoutSandbox = false;

    // What the page fetch is set up with: one connection for every request
    // in flight, the cap per host, the cookie jar, the certificates.
    CurlFetcher::Limits fetchLimits() const;

    // The options, or the exit status when the program should end at once:
    // after --help or --version (0, or 1 when they could not be written), or
    // a usage error, already explained on standard error (1).
    static std::optional<HarvestOptions> parse(const QStringList& arguments, int& exitStatus);

    // Digit counts such as "10,11" or "7-11,14"; nothing for text that is not one.
    static std::optional<AcceptedLengths> parseLengths(const QString& text);
};
