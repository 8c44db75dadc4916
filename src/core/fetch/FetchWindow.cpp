#include "core/fetch/FetchWindow.h"

#include "core/AppError.h"

#include <algorithm>
#include <limits>

FetchWindow::FetchWindow(PageFetcher& fetcher, int capacity) : m_fetcher(fetcher), m_capacity(std::max(capacity, 1)) {}

std::unique_ptr<PendingPage> FetchWindow::take(qint64 position, const QString& url)
{
    while (!m_pages.empty() && m_pages.front().position < position)
        m_pages.pop_front();
    if (!m_pages.empty() && m_pages.front().position == position) {
        Request request = std::move(m_pages.front());
        m_pages.pop_front();
        if (request.url == url && request.page)
            return std::move(request.page);
    }
    // Not requested yet, requested for another URL, or refused: a refusal is
    // reported now, in the URL's own turn.
    return m_fetcher.start(url);
}

QByteArray FetchWindow::fetch(qint64 position, const QString& url, const UrlAt& urlAt)
{
    std::unique_ptr<PendingPage> pending = take(position, url);
    // The next pages travel while this one is awaited and scanned.
    refill(position + 1, urlAt);
    return pending->take();
}

void FetchWindow::refill(qint64 next, const UrlAt& urlAt)
{
    prune(urlAt);
    if (!m_pages.empty())
        next = std::max(next, m_pages.back().position + 1);
    while (int(m_pages.size()) < m_capacity - 1) {
        std::optional<QString> url = urlAt(next);
        if (!url)
            return;
        Request request{next++, std::move(*url), nullptr};
        try {
            request.page = m_fetcher.start(request.url);
        } catch (const AppError&) {
            // Reported in its own turn by take().
        }
        m_pages.push_back(std::move(request));
    }
}

void FetchWindow::prune(const UrlAt& urlAt)
{
    // Rows are only ever added at the end, so a row still in the list has
    // kept its position or moved up. A request follows its row when it moved
    // up a little, so that a removal above it costs no second request.
    qint64 earliest = std::numeric_limits<qint64>::min();
    std::erase_if(m_pages, [&](Request& request) {
        const qint64 lowest = std::max(earliest, request.position - maximumRowShift);
        for (qint64 position = request.position; position >= lowest; --position) {
            if (urlAt(position) == request.url) {
                request.position = position;
                earliest = position + 1;
                return false;
            }
        }
        return true;
    });
}
