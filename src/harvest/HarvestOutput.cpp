#include "HarvestOutput.h"

#include "ProgressLine.h"
#include "RowRecord.h"
#include "StdoutWriter.h"
#include "UrlBytes.h"
#include "UrlFeed.h"

HarvestOutput::HarvestOutput(const HarvestOptions& options, StdoutWriter& out)
    : m_options(options), m_out(out), m_choice{options.lengths, options.withUrl},
      m_format(options.format == HarvestOptions::Format::Comma ? ResultsFormat::Kind::Comma : ResultsFormat::Kind::Text,
               std::string_view(options.lineEnd.constData(), std::size_t(options.lineEnd.size())))
{}

PageRows HarvestOutput::pageRows(const QByteArray& url, std::string_view page, PageStep& step) const
{
    PageRows rows;
    if (m_options.format == HarvestOptions::Format::Urls) {
        addRow(rows, url, url);
        return rows;
    }
    step.scan(std::string_view(url.constData(), std::size_t(url.size())), page);
    QByteArray row;
    step.forEachRow(m_choice, [&](const PageRow& accepted) {
        row.clear();
        accepted.appendTo(row);
        if (records()) {
            // Without --region the number is the digits, as found.
            const RowRecord record{url, accepted.digits, accepted.digits, std::nullopt, std::nullopt, std::nullopt};
            appendRecord(rows, row, record);
        } else {
            addRow(rows, row, row);
        }
    });
    step.clear();
    return rows;
}

PageRows HarvestOutput::regionRows(const QByteArray& url, const std::vector<FoundNumber>& numbers) const
{
    PageRows rows;
    QByteArray row;
    for (const FoundNumber& number : numbers) {
        const QByteArray key(number.e164.data(), qsizetype(number.e164.size()));
        if (records()) {
            std::optional<std::string_view> label;
            if (!number.label.empty())
                label = number.label;
            appendRecord(rows, key, RowRecord{url, number.e164, number.text, number.region, number.type, label});
            continue;
        }
        row.clear();
        ResultsFormat::appendRow(row, m_options.withUrl, std::string_view(url.constData(), std::size_t(url.size())),
                                 number.e164);
        addRow(rows, key, row);
    }
    return rows;
}

bool HarvestOutput::records() const
{
    return m_options.format == HarvestOptions::Format::Jsonl || m_options.format == HarvestOptions::Format::Csv;
}

bool HarvestOutput::firstTime(const QByteArray& key)
{
    if (m_seen.contains(key))
        return false;
    m_seen.insert(key);
    return true;
}

void HarvestOutput::appendRecord(PageRows& rows, const QByteArray& key, const RowRecord& record) const
{
    QByteArray line;
    if (m_options.format == HarvestOptions::Format::Jsonl)
        record.appendJson(line);
    else
        record.appendCsv(line);
    addLine(rows, key, line + m_options.lineEnd);
}

void HarvestOutput::addRow(PageRows& rows, const QByteArray& key, const QByteArray& row) const
{
    const std::string_view afterRow = m_format.afterRow();
    addLine(rows, key, row + QByteArray(afterRow.data(), qsizetype(afterRow.size())));
}

void HarvestOutput::addLine(PageRows& rows, const QByteArray& key, QByteArray line) const
{
    if (m_options.unique)
        rows.keyed.emplace_back(key, std::move(line));
    else
        rows.text += line;
    ++rows.count;
}

void HarvestOutput::write(const PageRows& rows)
{
    if (!m_options.unique) {
        m_rows += rows.count;
        writeBytes(rows.text);
        return;
    }
    QByteArray kept;
    for (const auto& [key, row] : rows.keyed) {
        if (firstTime(key)) {
            kept += row;
            ++m_rows;
        }
    }
    writeBytes(kept);
}

void HarvestOutput::writeBytes(const QByteArray& bytes)
{
    if (m_options.format == HarvestOptions::Format::Csv && !m_headerWritten) {
        m_headerWritten = true;
        writeBytes(RowRecord::csvHeader() + m_options.lineEnd);
    }
    if (bytes.isEmpty())
        return;
    // Rows never land on the end of a progress line on the same terminal.
    if (m_progress)
        m_progress->beforeOutput();
    m_out.write(bytes);
    if (m_progress)
        m_progress->afterOutput(bytes.endsWith('\n'));
}

QByteArray HarvestOutput::failureLine(const QByteArray& url, const QString& reason) const
{
    // One failure, one line.
    QString oneLine = reason;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    return "vandrell-harvest: " + UrlBytes::quoted(url) + ": " + UrlBytes::quoted(oneLine.toUtf8()) + '\n';
}

void HarvestOutput::fail(const QByteArray& line)
{
    ++m_failures;
    if (m_progress)
        m_progress->failure(line);
}

void HarvestOutput::notice(const QByteArray& line)
{
    if (m_progress)
        m_progress->failure(line);
}

void HarvestOutput::reportInputErrors(UrlFeed& reader)
{
    for (const QByteArray& error : reader.takeErrors())
        fail("vandrell-harvest: " + error + '\n');
}

void HarvestOutput::finish()
{
    if (open())
        writeBytes({}); // csv's header, even with no rows
    const std::string_view end = m_format.atEnd();
    if (open() && !end.empty())
        writeBytes(QByteArray(end.data(), qsizetype(end.size())));
    if (m_progress)
        m_progress->finish();
}

bool HarvestOutput::open() const
{
    return m_out.state() == StdoutWriter::State::Open;
}

int HarvestOutput::exitStatus() const
{
    return m_failures == 0 && m_out.state() != StdoutWriter::State::Failed ? 0 : 2;
}
