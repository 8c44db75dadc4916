#include "HarvestRun.h"

#include "ProgressLine.h"
#include "StdoutWriter.h"
#include "UrlBytes.h"
#include "UrlFeed.h"
#include "core/AppError.h"

#include <QEventLoop>

HarvestRun::HarvestRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, StdoutWriter& out)
    : m_options(options), m_reader(reader), m_out(out), m_window(fetcher, options.jobs),
      m_urlAt([this](qint64 position) -> std::optional<QString> {
          if (const std::optional<QByteArray> url = m_reader.at(position))
              return UrlBytes::requestText(*url);
          return std::nullopt;
      }),
      m_choice{options.lengths, options.withUrl},
      m_format(options.format, std::string_view(options.lineEnd.constData(), std::size_t(options.lineEnd.size())))
{}

int HarvestRun::exec()
{
    ProgressLine progress(!m_options.quiet, [this] {
        return ProgressLine::Counts{m_done, m_reader.count(), m_rows, m_failures};
    });
    m_progress = &progress;
    // URLs that arrive while a page is awaited are requested at once, so a
    // slow input still keeps the window full.
    const QMetaObject::Connection refillOnArrival = QObject::connect(&m_reader, &UrlFeed::arrived, &m_reader, [this] {
        if (m_current > 0)
            m_window.refill(m_current + 1, m_urlAt);
    });
    m_reader.start();

    for (qint64 position = 1; m_out.state() == StdoutWriter::State::Open; ++position) {
        const std::optional<QByteArray> url = waitForUrl(position);
        if (!url)
            break;
        m_current = position;
        harvest(position, *url);
        m_reader.release(position);
        ++m_done;
    }
    const std::string_view end = m_format.atEnd();
    if (m_out.state() == StdoutWriter::State::Open && !end.empty())
        write(QByteArray(end.data(), qsizetype(end.size())));

    QObject::disconnect(refillOnArrival);
    for (const QByteArray& error : m_reader.errors()) {
        progress.failure("vandrell-harvest: " + error + '\n');
        ++m_failures;
    }
    progress.finish();
    m_progress = nullptr;
    const bool outputFailed = m_out.state() == StdoutWriter::State::Failed;
    return m_failures == 0 && !outputFailed ? 0 : 2;
}

std::optional<QByteArray> HarvestRun::waitForUrl(qint64 position)
{
    QEventLoop loop;
    QObject::connect(&m_reader, &UrlFeed::arrived, &loop, &QEventLoop::quit);
    for (;;) {
        if (std::optional<QByteArray> url = m_reader.at(position))
            return url;
        if (m_reader.endedBefore(position))
            return std::nullopt;
        // Transfers in flight go on while the input is slow.
        loop.exec();
    }
}

void HarvestRun::harvest(qint64 position, const QByteArray& url)
{
    QByteArray page;
    try {
        page = m_window.fetch(position, UrlBytes::requestText(url), m_urlAt);
    } catch (const AppError& error) {
        fail(url, error.reason()); // the line names the URL itself
        return;
    }

    // Rows show the URL as read.
    m_step.scan(std::string_view(url.constData(), std::size_t(url.size())),
                std::string_view(page.constData(), std::size_t(page.size())));
    page = QByteArray();
    const std::string_view afterRow = m_format.afterRow();
    QByteArray rows;
    QByteArray row;
    m_step.forEachRow(m_choice, [&](const PageRow& accepted) {
        row.clear();
        accepted.appendTo(row);
        if (m_options.unique) {
            if (m_seen.contains(row))
                return;
            m_seen.insert(row);
        }
        rows += row;
        rows.append(afterRow.data(), qsizetype(afterRow.size()));
        ++m_rows;
    });
    m_step.clear();
    if (!rows.isEmpty())
        write(rows);
}

void HarvestRun::write(const QByteArray& bytes)
{
    // Rows never land on the end of a progress line on the same terminal.
    if (m_progress)
        m_progress->beforeOutput();
    m_out.write(bytes);
}

void HarvestRun::fail(const QByteArray& url, const QString& reason)
{
    ++m_failures;
    // One failure, one line.
    QString oneLine = reason;
    oneLine.replace(u'\r', u' ').replace(u'\n', u' ');
    const QByteArray line =
        "vandrell-harvest: " + UrlBytes::quoted(url) + ": " + UrlBytes::quoted(oneLine.toUtf8()) + '\n';
    if (m_progress)
        m_progress->failure(line);
}
