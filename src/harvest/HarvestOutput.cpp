#include "HarvestOutput.h"

#include "ProgressLine.h"
#include "StdoutWriter.h"
#include "UrlBytes.h"
#include "UrlFeed.h"

HarvestOutput::HarvestOutput(const HarvestOptions& options, StdoutWriter& out)
    : m_options(options), m_out(out), m_choice{options.lengths, options.withUrl},
      m_format(options.format == HarvestOptions::Format::Comma ? ResultsFormat::Kind::Comma : ResultsFormat::Kind::Text,
               std::string_view(options.lineEnd.constData(), std::size_t(options.lineEnd.size())))
{}

QByteArray HarvestOutput::pageRows(const QByteArray& url, std::string_view page)
{
    QByteArray rows;
    if (m_options.format == HarvestOptions::Format::Urls) {
        addRow(rows, url);
        return rows;
    }
    m_step.scan(std::string_view(url.constData(), std::size_t(url.size())), page);
    QByteArray row;
    m_step.forEachRow(m_choice, [&](const PageRow& accepted) {
        row.clear();
        accepted.appendTo(row);
        addRow(rows, row);
    });
    m_step.clear();
    return rows;
}

void HarvestOutput::addRow(QByteArray& rows, const QByteArray& row)
{
    if (m_options.unique) {
        if (m_seen.contains(row))
            return;
        m_seen.insert(row);
    }
    const std::string_view afterRow = m_format.afterRow();
    rows += row;
    rows.append(afterRow.data(), qsizetype(afterRow.size()));
    ++m_rows;
}

void HarvestOutput::write(const QByteArray& rows)
{
    if (rows.isEmpty())
        return;
    // Rows never land on the end of a progress line on the same terminal.
    if (m_progress)
        m_progress->beforeOutput();
    m_out.write(rows);
    if (m_progress)
        m_progress->afterOutput(rows.endsWith('\n'));
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

void HarvestOutput::reportInputErrors(UrlFeed& reader)
{
    for (const QByteArray& error : reader.takeErrors())
        fail("vandrell-harvest: " + error + '\n');
}

void HarvestOutput::finish()
{
    const std::string_view end = m_format.atEnd();
    if (open() && !end.empty())
        write(QByteArray(end.data(), qsizetype(end.size())));
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
