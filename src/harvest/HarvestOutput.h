#pragma once
// What a harvest prints, in whichever order its run produces pages: a page's
// rows (its numbers through the shared page step, or with --region the
// validated numbers the reader found, or its URL alone for --format urls;
// as text, or as records for jsonl and csv), --unique's memory of rows printed
// (rows are made in the order pages come, and kept or left out as printed), the end of
// the comma line, and the failure lines on standard error, through the
// progress line.
// It counts the rows and failures for the progress line and the exit status.

#include "HarvestOptions.h"
#include "PageRows.h"
#include "core/PageStep.h"
#include "core/ResultsFormat.h"
#include "core/numbers/PhoneNumberReader.h"

#include <QSet>

class ProgressLine;
struct RowRecord;
class StdoutWriter;
class UrlFeed;

class HarvestOutput final {
public:
    HarvestOutput(const HarvestOptions& options, StdoutWriter& out);
    Q_DISABLE_COPY_MOVE(HarvestOutput)

    void setProgress(ProgressLine* progress) { m_progress = progress; }

    // The rows of one page, ready to write; the page may go afterwards. url
    // is the page's URL as its rows show it. Not for --region. Making rows
    // changes nothing here, so the reading threads make them, each with a
    // step of its own.
    PageRows pageRows(const QByteArray& url, std::string_view page, PageStep& step) const;
    // With --region, the rows of the numbers read in a page.
    PageRows regionRows(const QByteArray& url, const std::vector<FoundNumber>& numbers) const;
    void write(const PageRows& rows);
    // "vandrell-harvest: URL: reason" on one line, control bytes quoted.
    QByteArray failureLine(const QByteArray& url, const QString& reason) const;
    void fail(const QByteArray& line);
    // A line on standard error that is no failure.
    void notice(const QByteArray& line);
    // The reader's messages about its inputs, as soon as they come.
    void reportInputErrors(UrlFeed& reader);
    // Ends the output: the comma line's end, then the final progress figures.
    void finish();

    bool open() const;
    bool quiet() const { return m_options.quiet; }
    // The exit status so far: 0, or 2 after a failure or a failed output.
    int exitStatus() const;
    qint64 rows() const { return m_rows; }
    qint64 failures() const { return m_failures; }

private:
    // A row under its key (for --unique), and what follows a row.
    void addRow(PageRows& rows, const QByteArray& key, const QByteArray& row) const;
    void appendRecord(PageRows& rows, const QByteArray& key, const RowRecord& record) const;
    // A row as printed, ending included: kept under its key with --unique.
    void addLine(PageRows& rows, const QByteArray& key, QByteArray line) const;
    // --unique's check: whether the key is new, remembering it.
    bool firstTime(const QByteArray& key);
    void writeBytes(const QByteArray& bytes);
    bool records() const;

    const HarvestOptions& m_options;
    StdoutWriter& m_out;
    const RowChoice m_choice;
    const ResultsFormat m_format;
    bool m_headerWritten = false; // csv's header record
    ProgressLine* m_progress = nullptr;
    QSet<QByteArray> m_seen;
    qint64 m_rows = 0;
    qint64 m_failures = 0;
};
