#pragma once
// The reading of fetched pages, on threads of their own: a page's rows (its
// runs of digits, or with --region the numbers the reader validates) and,
// where the crawl follows its links, its links, resolved, from the same
// parse of the page. The main thread meanwhile runs the transfers and the
// crawl only. Pages come back in the order they were handed in. Handing one
// in never waits: the crawl asks for no more pages while behind() holds.

#include "PageRows.h"
#include "core/web/PageUrl.h"

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class HarvestOutput;
class PageStep;
class PhoneNumberReader;

class PageReading final : public QObject {
    Q_OBJECT
public:
    struct Page {
        qint64 crawl = 0; // the caller's names for the page
        std::size_t index = 0;
        QByteArray url;   // as its rows show it; a --region auto page's region is its host's
        PageUrl finalUrl; // where its links are resolved from
        QByteArray body;
        QByteArray contentType;
        bool followsLinks = false;
        // Once read:
        PageRows rows;
        std::vector<PageUrl> links; // canonical, each once, in page order
    };

    // region: none for the runs of digits the output's lengths accept; an
    // ISO 3166-1 code in capitals, or empty for each page's host's, for
    // --region. linksAtMost bounds the links kept of one page. The output
    // makes the rows (its row making holds no state) and outlives this.
    PageReading(const HarvestOutput& output, std::optional<std::string> region, qsizetype linksAtMost);
    ~PageReading() override;
    Q_DISABLE_COPY_MOVE(PageReading)

    void add(Page page);
    // The pages read since the last call, in the order they were added.
    std::vector<Page> takeRead();
    // Whether every page added has been read and taken.
    bool idle() const;
    // The bytes of the pages added and not yet read, and whether they are
    // past what the harvester lets wait.
    qsizetype waitingBytes() const;
    bool behind() const;

signals:
    // Pages have been read (on the thread this object lives on).
    void pagesRead();

private:
    void readAll();
    void read(Page& page, PageStep& step, PhoneNumberReader* reader) const; // reader with a region
    // The main thread's side of the reading thread's notice.
    Q_INVOKABLE void deliver();

    const HarvestOutput& m_output;
    const std::optional<std::string> m_region;
    const qsizetype m_linksAtMost;

    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::deque<std::pair<qint64, Page>> m_waiting; // by the count of pages added before
    std::map<qint64, Page> m_read;                 // read, not yet taken
    qint64 m_added = 0;
    qint64 m_taken = 0;
    qsizetype m_waitingBytes = 0; // of pages added and not yet read
    bool m_readingLarge = false;  // a large page is being read
    bool m_stopping = false;

    std::atomic<bool> m_noticePosted{false};
    std::vector<std::thread> m_threads;
};
