#include "PageReading.h"

#include "FollowedLinks.h"
#include "HarvestOutput.h"
#include "core/PageStep.h"
#include "core/html/PageText.h"
#include "core/html/PlainPageLinks.h"
#include "core/numbers/HostRegion.h"
#include "core/numbers/PhoneNumberReader.h"

#include <QMetaObject>
#include <QThread>

#include <algorithm>
#include <cerrno>
#include <sys/resource.h>
#include <unistd.h>

namespace {

// Pages fetched faster than they are read wait in memory up to this, some
// eighty typical pages, before the crawl asks for more; the pages already in
// flight still come.
constexpr qsizetype kMaxWaitingBytes = 8 * 1024 * 1024;
// Reading threads, at most one per processor: beyond a few, the transfers on
// the main thread no longer keep them busy.
constexpr int kMaxThreads = 4;
// What reading a page takes grows with the page and its numbers, up to tens
// of times its size: pages larger than this are read one at a time.
constexpr qsizetype kLargePage = 1024 * 1024;
// Added to the reading threads' niceness (Linux gives each thread its own).
constexpr int kReadingNiceness = 5;

} // namespace

PageReading::PageReading(const HarvestOutput& output, std::optional<std::string> region, qsizetype linksAtMost)
    : m_output(output), m_region(std::move(region)), m_linksAtMost(linksAtMost)
{
    // The processors this process may run on, as Qt counts them.
    const int threads = std::clamp(QThread::idealThreadCount(), 1, kMaxThreads);
    for (int i = 0; i < threads; ++i)
        m_threads.emplace_back([this] { readAll(); });
}

PageReading::~PageReading()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_changed.notify_all();
    for (std::thread& thread : m_threads)
        thread.join();
}

void PageReading::add(Page page)
{
    std::unique_lock lock(m_mutex);
    m_waitingBytes += page.body.size();
    m_waiting.emplace_back(m_added++, std::move(page));
    lock.unlock();
    m_changed.notify_all();
}

std::vector<PageReading::Page> PageReading::takeRead()
{
    std::lock_guard lock(m_mutex);
    std::vector<Page> pages;
    for (auto next = m_read.begin(); next != m_read.end() && next->first == m_taken; next = m_read.erase(next)) {
        pages.push_back(std::move(next->second));
        ++m_taken;
    }
    return pages;
}

bool PageReading::idle() const
{
    std::lock_guard lock(m_mutex);
    return m_taken == m_added;
}

qsizetype PageReading::waitingBytes() const
{
    std::lock_guard lock(m_mutex);
    return m_waitingBytes;
}

bool PageReading::behind() const
{
    return waitingBytes() >= kMaxWaitingBytes;
}

void PageReading::readAll()
{
    // What these remember is this thread's alone; the number reader (whose
    // start costs what reading dozens of pages does) only for --region.
    PageStep step;
    std::optional<PhoneNumberReader> reader;
    if (m_region)
        reader.emplace();
    // Where processors are short, the main thread's transfers and the
    // servers it talks to go first: reading on threads five steps nicer took
    // a 20,000-page crawl from 3.0 s to 2.1 s on two cores.
    errno = 0;
    const int niceness = ::getpriority(PRIO_PROCESS, id_t(::gettid()));
    if (errno == 0)
        ::setpriority(PRIO_PROCESS, id_t(::gettid()), std::min(niceness + kReadingNiceness, 19));
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_stopping)
            return;
        auto [position, page] = std::move(m_waiting.front());
        m_waiting.pop_front();
        const qsizetype bytes = page.body.size();
        if (bytes > kLargePage) {
            m_changed.wait(lock, [this] { return m_stopping || !m_readingLarge; });
            if (m_stopping)
                return;
            m_readingLarge = true;
        }
        lock.unlock();
        read(page, step, reader ? &*reader : nullptr);
        page.body = QByteArray();
        lock.lock();
        if (bytes > kLargePage)
            m_readingLarge = false;
        m_waitingBytes -= bytes;
        m_read.emplace(position, std::move(page));
        m_changed.notify_all();
        // One notice at a time is enough: it takes whatever is read.
        if (!m_noticePosted.exchange(true))
            QMetaObject::invokeMethod(this, "deliver", Qt::QueuedConnection);
    }
}

void PageReading::read(Page& page, PageStep& step, PhoneNumberReader* reader) const
{
    const std::string_view html(page.body.constData(), std::size_t(page.body.size()));
    const std::string_view type(page.contentType.constData(), std::size_t(page.contentType.size()));
    PageLinks links;
    if (!m_region) {
        page.rows = m_output.pageRows(page.url, html, step);
        if (page.followsLinks)
            links = extractPageLinks(html, type);
    } else {
        const std::string region = m_region->empty() ? regionForUrl(page.url) : *m_region;
        // The sieve spares most pages the parse of their text; for a page
        // whose links are followed, its walk of the markup reads them too,
        // where that walk can. Where both need the parse, it is one, for both.
        std::vector<FoundNumber> numbers;
        if (page.followsLinks) {
            PlainLinkReader plainLinks(html, type);
            const bool mayHold = reader->mayHoldNumbers(html, type, region, &plainLinks);
            if (std::optional<PageLinks> plain = plainLinks.take()) {
                links = std::move(*plain);
                if (mayHold)
                    numbers = reader->read(extractPageText(html, type), region);
            } else if (mayHold) {
                numbers = reader->read(extractPageTextAndLinks(html, type, links), region);
            } else {
                links = parsePageLinks(html, type);
            }
        } else if (reader->mayHoldNumbers(html, type, region)) {
            numbers = reader->read(extractPageText(html, type), region);
        }
        page.rows = m_output.regionRows(page.url, numbers);
    }
    if (page.followsLinks)
        page.links = followedLinks(links, page.finalUrl, m_linksAtMost);
}

void PageReading::deliver()
{
    m_noticePosted = false;
    emit pagesRead();
}
