#pragma once
// One start page's crawl: the pages of its site it reaches within --follow
// links, in breadth-first order of first discovery, each resolved URL once.
// Pages may be fetched and scanned in any order; their links join the crawl
// only in that order, so the page list (and so the output) is the same on
// every run, whatever the timing.

#include <QByteArray>
#include <QSet>
#include <QString>

#include <vector>

class SiteCrawl final {
public:
    struct Page {
        enum class State { Known, Requested, Done };
        Page(QByteArray url, int depth) : url(std::move(url)), depth(depth) {}

        QByteArray url; // as typed for the start page, resolved for the others
        int depth = 0;
        State state = State::Known;
        bool disallowed = false;       // robots.txt kept us from it; not fetched
        QByteArray rows;               // ready to print
        QByteArray failure;            // a failure line instead
        std::vector<QByteArray> links; // resolved, in document order, until they join the crawl
    };

    SiteCrawl(QByteArray startUrl, int follow, int maxPages);

    std::vector<Page>& pages() { return m_pages; }
    const std::vector<Page>& pages() const { return m_pages; }
    // Whether a page's links are wanted at all: it lies within --follow.
    bool followsFrom(const Page& page) const { return page.depth < m_follow; }

    // The start page has been fetched from finalUrl: the crawl's site is its
    // host, and the pages it names are not fetched again.
    void startFetched(const QString& finalUrl);
    // A URL the crawl has fetched under another name.
    void markSeen(const QByteArray& url) { m_seen.insert(url); }
    // Moves the links of every done page whose turn has come into the page
    // list, in order. Returns whether any page was added.
    bool expand();
    // Index of the first page not yet handed out for output.
    std::size_t& flushed() { return m_flushed; }
    std::size_t flushed() const { return m_flushed; }
    bool finished() const { return m_flushed == m_pages.size(); }

private:
    std::vector<Page> m_pages;
    QSet<QByteArray> m_seen;
    QString m_host;
    const int m_follow;
    const std::size_t m_maxPages;
    std::size_t m_expanded = 0;
    std::size_t m_flushed = 0;
};
