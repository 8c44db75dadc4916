#pragma once
// --region's reading of pages, on threads of its own. Sieving a page,
// matching what may hold a number and, where something does, parsing the
// whole text cost several times what fetching and scanning the page does;
// the main thread meanwhile goes on with the transfers and the links.
// Pages come back in the order they were handed in. The bytes waiting to be
// read are bounded: handing in a page waits while they are over the bound.

#include "core/numbers/PhoneNumberReader.h"

#include <QByteArray>
#include <QObject>

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class RegionReading final : public QObject {
    Q_OBJECT
public:
    struct Page {
        qint64 crawl = 0; // the caller's names for the page
        std::size_t index = 0;
        QByteArray url; // as its rows show it; a --region auto page's region is its host's
        QByteArray body;
        QByteArray contentType;
        std::vector<FoundNumber> numbers; // once read
    };

    // region: an ISO 3166-1 code in capitals, or empty for each page's host's.
    explicit RegionReading(std::string region);
    ~RegionReading() override;
    Q_DISABLE_COPY_MOVE(RegionReading)

    void add(Page page);
    // The pages read since the last call, in the order they were added.
    std::vector<Page> takeRead();
    // Waits until every page added is read.
    void waitForAll();

signals:
    // Pages have been read (on the thread this object lives on).
    void pagesRead();

private:
    void readAll(PhoneNumberReader& reader);
    std::vector<FoundNumber> read(PhoneNumberReader& reader, const Page& page) const;
    // The main thread's side of the reading thread's notice.
    Q_INVOKABLE void deliver();

    const std::string m_region;

    std::mutex m_mutex;
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
