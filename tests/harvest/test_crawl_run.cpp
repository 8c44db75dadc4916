// The harvester's scheduler in-process, against a fetcher that answers from
// a script at once and records what was asked of it: how many requests were
// in flight to each server, and how much the scheduler looked at to start
// each one.

#include "CrawlRun.h"
#include "HarvestOutput.h"
#include "StdoutWriter.h"
#include "TestRegistry.h"
#include "UrlFeed.h"
#include "core/AppError.h"

#include <QHash>
#include <QTemporaryFile>
#include <QTest>

#include <unistd.h>

namespace {
class ScriptedFetcher final : public PageFetcher {
public:
    QHash<QByteArray, QByteArray> pages; // by canonical URL; others are missing
    QHash<QByteArray, int> inFlight;     // by connection key
    QHash<QByteArray, int> mostInFlight;

    using PageFetcher::start;
    std::unique_ptr<PendingPage> start(const PageUrl& url, const QString&, RedirectCheck, Body) override
    {
        const QByteArray key = url.connectionKey();
        mostInFlight[key] = std::max(mostInFlight[key], ++inFlight[key]);
        return std::make_unique<Page>(*this, url);
    }

private:
    class Page final : public PendingPage {
    public:
        Page(ScriptedFetcher& owner, PageUrl url) : m_owner(owner), m_url(std::move(url)) {}
        ~Page() override { --m_owner.inFlight[m_url.connectionKey()]; }
        QByteArray take() override
        {
            const auto page = m_owner.pages.constFind(m_url.canonical());
            if (page == m_owner.pages.constEnd())
                throw AppError(QStringLiteral("The server answered HTTP 404 and sent no page"));
            return *page;
        }
        PageUrl finalUrl() const override { return m_url; }
        int httpStatus() const override { return m_owner.pages.contains(m_url.canonical()) ? 200 : 404; }

    private:
        ScriptedFetcher& m_owner;
        PageUrl m_url;
    };
};
} // namespace

class TestCrawlRun final : public QObject {
    Q_OBJECT
private slots:
    // Sites of `pages` pages, the first linking to all others, listed or
    // crawled from the first; `lines` start pages, their ports as written.
    void scheduler_data()
    {
        QTest::addColumn<QByteArrayList>("lines");
        QTest::addColumn<int>("follow");
        QTest::addColumn<int>("pages");
        QTest::addColumn<int>("rows");
        QByteArrayList both;
        for (int i = 0; i < 12; ++i)
            both << (i % 2 ? "http://a.test/p" : "http://a.test:80/p") + QByteArray::number(i);
        QTest::newRow("a list, the default port written or not: one host") << both << 0 << 12 << 12;
        QTest::newRow("two crawls of 3,000 pages")
            << QByteArrayList{"http://a.test/p0", "http://b.test/p0"} << 1 << 3000 << 2 * 3000;
    }
    void scheduler()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(int, follow);
        QFETCH(int, pages);
        QFETCH(int, rows);
        ScriptedFetcher fetcher;
        for (const char* host : {"a.test", "b.test"}) {
            fetcher.pages.insert(QByteArray("http://") + host + "/robots.txt", "User-agent: *\nAllow: /\n");
            for (int i = 0; i < pages; ++i) {
                QByteArray html = "tel 55500" + QByteArray::number(i).rightJustified(5, '0');
                for (int link = 1; i == 0 && link < pages; ++link)
                    html += "<a href=/p" + QByteArray::number(link) + ">n</a>";
                fetcher.pages.insert(QByteArray("http://") + host + "/p" + QByteArray::number(i), html);
            }
        }
        QTemporaryFile input, output;
        QVERIFY(input.open() && output.open());
        input.write(lines.join('\n') + '\n');
        input.flush();
        HarvestOptions options;
        options.lengths = *HarvestOptions::parseLengths(QStringLiteral("10"));
        options.jobs = 16;
        options.quiet = true;
        options.follow = follow;
        options.maxPages = 50'000;
        const int fd = ::dup(input.handle());
        ::lseek(fd, 0, SEEK_SET);
        UrlFeed feed({{"list", fd}}, 64);
        StdoutWriter out(output.handle());
        HarvestOutput harvest(options, out);
        CrawlRun run(options, fetcher, feed, harvest);
        QCOMPARE(run.exec(), 0);
        QCOMPARE(QFile(output.fileName()).size(), qint64(rows) * 11);
        QCOMPARE(fetcher.mostInFlight.value("a.test:80"), PageFetcher::maximumConnectionsPerHost);
        // Each request started takes the first of one host's waiting ones,
        // however many pages wait.
        QCOMPARE(run.waitingLookedAt(), run.requestsStarted());
    }
};

VANDRELL_TEST(TestCrawlRun)
#include "test_crawl_run.moc"
