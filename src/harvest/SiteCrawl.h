#pragma once
// One start page's crawl: the pages of its site it reaches within --follow
// links, in breadth-first order of first discovery, each URL once. Pages may
// be fetched and scanned in any order; their links join the crawl only in
// that order, and only once robots.txt has been read for them, so the page
// list (and so the output) is the same on every run, whatever the timing.
// Links are kept in their canonical form (PageUrl::canonical), which is also
// the form checked against robots.txt, fetched and shown. A list of URLs
// without --follow is a crawl of one page per line.

#include "PageRows.h"
#include "core/web/PageUrl.h"

#include <QByteArray>
#include <QSet>

#include <functional>
#include <vector>

class SiteCrawl final {
public:
    struct Page {
        // Rendering and Reading: fetched, in the browser or on a reading thread.
        enum class State { Known, Requested, Rendering, Reading, Done };
        Page(QByteArray shown, PageUrl url, int depth) : shown(std::move(shown)), url(std::move(url)), depth(depth) {}

        QByteArray shown; // as read for the start page, canonical for the others
        PageUrl url;      // null when the start page's line is no URL that can be fetched
        int depth = 0;
        State state = State::Known;
        PageRows rows;              // ready to print
        bool linksAwaited = false;  // more links are to come (its site's sitemaps)
        QByteArray failure;         // a failure line instead
        std::vector<PageUrl> links; // in document order, until they join the crawl

        // The page as a failure names it: as shown, a password as ***.
        QByteArray named() const { return PageUrl::shownSafely(shown); }
    };
    // What robots.txt says of a link: follow it, refuse it, or not yet known.
    enum class Verdict { Follow, Refuse, Wait };
    using Judge = std::function<Verdict(const PageUrl& link)>;

    SiteCrawl(QByteArray startLine, PageUrl startUrl, int follow, int maxPages);

    std::vector<Page>& pages() { return m_pages; }
    const std::vector<Page>& pages() const { return m_pages; }
    // Whether a page's links are wanted at all: it lies within --follow.
    bool followsFrom(const Page& page) const { return page.depth < m_follow; }
    const QByteArray& host() const { return m_host; }

    // The start page has been fetched from finalUrl: the crawl's site is its
    // host.
    void startFetched(const PageUrl& finalUrl) { m_host = finalUrl.host(); }
    // A URL the crawl has fetched, not to be fetched again.
    void markSeen(const PageUrl& url) { m_seen.insert(url.canonical()); }
    bool seen(const PageUrl& url) const { return m_seen.contains(url.canonical()); }
    // A URL marked seen by a fetch that is to be tried again.
    void forget(const PageUrl& url) { m_seen.remove(url.canonical()); }
    // Moves the links of every done page whose turn has come into the page
    // list, in order, as judge allows. Stops at a link judge cannot tell yet
    // and returns it; returns nothing when all are through.
    const PageUrl* expand(const Judge& judge);
    // Index of the first page not yet handed out for output.
    std::size_t& flushed() { return m_flushed; }
    std::size_t flushed() const { return m_flushed; }
    // Index of the first page not yet handed to the scheduler.
    std::size_t& queued() { return m_queued; }
    bool finished() const { return m_flushed == m_pages.size() && m_expanded == m_pages.size(); }

private:
    std::vector<Page> m_pages;
    QSet<QByteArray> m_seen;
    QByteArray m_host;
    const int m_follow;
    const std::size_t m_maxPages;
    std::size_t m_expanded = 0; // pages whose links have all been judged
    std::size_t m_nextLink = 0; // of the page being expanded
    std::size_t m_flushed = 0;
    std::size_t m_queued = 0;
};
