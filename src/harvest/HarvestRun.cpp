#include "HarvestRun.h"

#include "HarvestOutput.h"
#include "ProgressLine.h"
#include "UrlBytes.h"
#include "UrlFeed.h"
#include "core/AppError.h"

HarvestRun::HarvestRun(const HarvestOptions& options, PageFetcher& fetcher, UrlFeed& reader, HarvestOutput& output)
    : m_reader(reader), m_output(output), m_window(fetcher, options.jobs),
      m_urlAt([this](qint64 position) -> std::optional<QString> {
          if (const std::optional<QByteArray> url = m_reader.at(position))
              return UrlBytes::requestText(*url);
          return std::nullopt;
      })
{}

int HarvestRun::exec()
{
    ProgressLine progress(!m_output.quiet(), [this] {
        return ProgressLine::Counts{m_done, m_reader.count(), m_output.rows(), m_output.failures()};
    });
    m_output.setProgress(&progress);
    // URLs that arrive while a page is awaited are requested at once, so a
    // slow input still keeps the window full.
    const QMetaObject::Connection refillOnArrival = QObject::connect(&m_reader, &UrlFeed::arrived, &m_reader, [this] {
        if (m_current > 0)
            m_window.refill(m_current + 1, m_urlAt);
    });
    m_reader.start();

    for (qint64 position = 1; m_output.open(); ++position) {
        const std::optional<QByteArray> url = m_reader.waitFor(position);
        if (!url)
            break;
        m_current = position;
        harvest(position, *url);
        m_reader.release(position);
        ++m_done;
        m_output.reportInputErrors(m_reader);
    }
    QObject::disconnect(refillOnArrival);
    m_output.reportInputErrors(m_reader);
    m_output.finish();
    m_output.setProgress(nullptr);
    return m_output.exitStatus();
}

void HarvestRun::harvest(qint64 position, const QByteArray& url)
{
    QByteArray page;
    QByteArray contentType;
    try {
        page = m_window.fetch(position, UrlBytes::requestText(url), m_urlAt, &contentType);
    } catch (const AppError& error) {
        m_output.fail(m_output.failureLine(url, error.reason())); // the line names the URL itself
        return;
    }
    // Rows show the URL as read.
    const QByteArray rows =
        m_output.pageRows(url, std::string_view(page.constData(), std::size_t(page.size())), contentType);
    page = QByteArray();
    m_output.write(rows);
}
