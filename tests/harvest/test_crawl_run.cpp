// The harvester's scheduler in-process: against a fetcher that answers from
// a script at once and records what was asked of it (how many requests were
// in flight to each server, and how much the scheduler looked at to start
// each one), and with the real fetch against servers on 127.0.0.1 that behave
// as busy, picky or slow sites do (what is fetched, when, and what is printed).

#include "CrawlRun.h"
#include "HarvestOutput.h"
#include "PageServer.h"
#include "StdoutWriter.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "UrlFeed.h"
#include "core/AppError.h"

#include <QHash>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QTest>
#include <QTimer>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

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
// A route of the server: target (with {1} for host 1's URL), answer, and the
// Cookie header it answers to, if any.
struct Route {
    const char* target;
    QByteArray answer;
    QByteArray cookie;
};
using Routes = QList<Route>;

QByteArray answer(int status, const QByteArray& headers = {})
{
    return "HTTP/1.1 " + QByteArray::number(status) + " Busy\r\n" + headers + "Content-Length: 0\r\n\r\n";
}

QByteArray tel(int n)
{
    return PageServer::page("tel 555000000" + QByteArray::number(n));
}

QByteArray sitemap(const char* root, const char* item, const QByteArrayList& locations)
{
    QByteArray xml = QByteArray("<?xml version='1.0'?><") + root + " xmlns='http://www.sitemaps.org/schemas/0.9'>";
    for (const QByteArray& location : locations)
        xml += QByteArray("<") + item + "><loc>" + location + "</loc></" + item + ">";
    return xml + "</" + root + ">";
}
} // namespace

Q_DECLARE_METATYPE(Route)

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
        QTest::addColumn<int>("perHost"); // --max-per-host
        QByteArrayList both;
        for (int i = 0; i < 12; ++i)
            both << (i % 2 ? "http://a.test/p" : "http://a.test:80/p") + QByteArray::number(i);
        QTest::newRow("a list, the default port written or not: one host") << both << 0 << 12 << 12 << 4;
        QTest::newRow("--max-per-host 2") << both << 0 << 12 << 12 << 2;
        QTest::newRow("two crawls of 3,000 pages")
            << QByteArrayList{"http://a.test/p0", "http://b.test/p0"} << 1 << 3000 << 2 * 3000 << 4;
    }
    void scheduler()
    {
        QFETCH(QByteArrayList, lines);
        QFETCH(int, follow);
        QFETCH(int, pages);
        QFETCH(int, rows);
        QFETCH(int, perHost);
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
        options.maxPerHost = perHost;
        const int fd = ::dup(input.handle());
        ::lseek(fd, 0, SEEK_SET);
        UrlFeed feed({{"list", fd}}, 64);
        StdoutWriter out(output.handle());
        HarvestOutput harvest(options, out);
        CrawlRun run(options, fetcher, feed, harvest);
        QCOMPARE(run.exec(), 0);
        QCOMPARE(QFile(output.fileName()).size(), qint64(rows) * 11);
        QCOMPARE(fetcher.mostInFlight.value("a.test:80"), perHost);
    }

    // Each row: a server's routes, the options and start pages ({1} and {2}
    // are 127.0.0.1 and 127.0.0.2 on its port), then what is printed, the
    // exit status, words on standard error, the requests each path got
    // ("path xN", "aborted path" for one left after its headers), and the
    // least time between two requests whose paths match spaced, in ms.
    void serverBehaviours_data()
    {
        QTest::addColumn<Routes>("routes");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArrayList>("starts");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("err");
        QTest::addColumn<QStringList>("requests");
        QTest::addColumn<QString>("spaced");
        QTest::addColumn<int>("leastGapMs");
        const QStringList none;
        const QByteArrayList page{"{1}/p"};
        const QByteArray ok = "5550000001\n";
        QTest::newRow("503 with Retry-After: 1, then the page")
            << Routes{{"/p", PageServer::inTurn({answer(503, "Retry-After: 1\r\n"), tel(1)}), {}}} << none << page << ok
            << 0 << QByteArray() << QStringList{u"/p x2"_s} << u"/p"_s << 1000;
        QTest::newRow("429 with a Retry-After of garbage: backoff")
            << Routes{{"/p", PageServer::inTurn({answer(429, "Retry-After: soon\r\n"), tel(1)}), {}}} << none << page
            << ok << 0 << QByteArray() << QStringList{u"/p x2"_s} << u"/p"_s << 700;
        QTest::newRow("reset, empty reply, then the page: backoff doubles")
            << Routes{{"/p", PageServer::inTurn({PageServer::resetAnswer(), PageServer::emptyAnswer(), tel(1)}), {}}}
            << none << page << ok << 0 << QByteArray() << QStringList{u"/p x3"_s} << u"/p"_s << 700;
        QTest::newRow("--retries 1, always 502: one failure line")
            << Routes{{"/p", answer(502), {}}} << QStringList{u"--retries=1"_s} << page << QByteArray() << 2
            << QByteArray("/p: The requested URL returned error: 502") << QStringList{u"/p x2"_s} << u""_s << 0;
        QTest::newRow("--retries 0, 503 fails at once")
            << Routes{{"/p", answer(503), {}}} << QStringList{u"--retries=0"_s} << page << QByteArray() << 2
            << QByteArray("error: 503") << QStringList{u"/p x1"_s} << u""_s << 0;
        QTest::newRow("--wait 0.3 spaces one host's requests")
            << Routes{{"/p", tel(1), {}}, {"/q", tel(2), {}}, {"/r", tel(3), {}}} << QStringList{u"--wait=0.3"_s}
            << QByteArrayList{"{1}/p", "{1}/q", "{1}/r"} << QByteArray("5550000001\n5550000002\n5550000003\n") << 0
            << QByteArray() << QStringList{u"/p x1"_s, u"/q x1"_s, u"/r x1"_s} << u""_s << 300;
        QTest::newRow("Crawl-delay spaces what follows robots.txt")
            << Routes{{"/", PageServer::page("<a href=/a>a</a><a href=/b>b</a> tel 5550000001"), {}},
                      {"/robots.txt", PageServer::page("User-agent: *\nCrawl-delay: 0.4\n", "text/plain"), {}},
                      {"/a", tel(2), {}},
                      {"/b", tel(3), {}}}
            << QStringList{u"--follow=1"_s} << QByteArrayList{"{1}/"}
            << QByteArray("5550000001\n5550000002\n5550000003\n") << 0 << QByteArray()
            << QStringList{u"/ x1"_s, u"/robots.txt x1"_s, u"/a x1"_s, u"/b x1"_s} << u"robots|/a|/b"_s << 400;
        QTest::newRow("cookie wall: /p, /wall sets a cookie, /p")
            << Routes{{"/p", PageServer::redirect("/wall"), {}},
                      {"/wall",
                       "HTTP/1.1 302 Found\r\nSet-Cookie: consent=yes; Path=/\r\nLocation: /p\r\n"
                       "Content-Length: 0\r\n\r\n",
                       {}},
                      {"/p", tel(1), "consent=yes"}}
            << none << page << ok << 0 << QByteArray() << QStringList{u"/p x2"_s, u"/wall x1"_s} << u""_s << 0;
        QTest::newRow("--cookies FILE") << Routes{{"/p", answer(403), {}}, {"/p", tel(1), "session=abc"}}
                                        << QStringList{u"--cookies={cookies}"_s} << page << ok << 0
                                        << QByteArray("line 3 is no Netscape cookie") << QStringList{u"/p x1"_s}
                                        << u""_s << 0;
        QTest::newRow("followed links that are no page, by type or by their bytes: closed")
            << Routes{{"/",
                       PageServer::page("<a href=/f.zip>zip</a><a href=/lie>lie</a><a href=/t>t</a> tel 5550000001"),
                       {}},
                      {"/f.zip", PageServer::page(QByteArray(32 << 20, 'z'), "application/zip"), {}},
                      {"/lie", PageServer::page(QByteArray("PK\3\4\0\0", 6) + QByteArray(32 << 20, 'z')), {}},
                      {"/t", PageServer::page("tel 5550000002", "text/plain"), {}}}
            << QStringList{u"--follow=1"_s} << QByteArrayList{"{1}/"} << QByteArray("5550000001\n5550000002\n") << 0
            << QByteArray() << QStringList{u"/ x1"_s,    u"/robots.txt x1"_s, u"/f.zip x1"_s, u"aborted /f.zip"_s,
                                           u"/lie x1"_s, u"aborted /lie"_s,   u"/t x1"_s}
            << u""_s << 0;
        QTest::newRow("robots.txt 503: its host's followed pages skipped, and said")
            << Routes{{"/", PageServer::page("<a href=/a>a</a> tel 5550000001"), {}},
                      {"/robots.txt", answer(503), {}},
                      {"/a", tel(2), {}}}
            << QStringList{u"--follow=1"_s, u"--retries=0"_s} << QByteArrayList{"{1}/"} << ok << 0
            << QByteArray("/robots.txt: robots.txt could not be read (The requested URL returned error: 503)")
            << QStringList{u"/ x1"_s, u"/robots.txt x1"_s} << u""_s << 0;
        QTest::newRow("sitemaps: robots.txt names an index, itself and a gzip file in it")
            << Routes{{"/", tel(1), {}},
                      {"/robots.txt", PageServer::page("Sitemap: {1}/index.xml\n", "text/plain"), {}},
                      {"/index.xml",
                       PageServer::page(sitemap("sitemapindex", "sitemap", {"{1}/index.xml", "{1}/s.xml.gz"}),
                                        "application/xml"),
                       {}},
                      {"/s.xml.gz", "{gzip}" + sitemap("urlset", "url", {"{1}/a", "{2}/off", "{1}/b"}), {}},
                      {"/a", tel(2), {}},
                      {"/b", tel(3), {}}}
            << QStringList{u"--follow=1"_s, u"--sitemap"_s} << QByteArrayList{"{1}/"}
            << QByteArray("5550000001\n5550000002\n5550000003\n") << 0 << QByteArray()
            << QStringList{u"/ x1"_s,         u"/robots.txt x1"_s, u"/index.xml x1"_s,
                           u"/s.xml.gz x1"_s, u"/a x1"_s,          u"/b x1"_s}
            << u""_s << 0;
        QTest::newRow("interrupted: the rows finished before it, in order")
            << Routes{{"/p", tel(1), {}}, {"/slow", PageServer::hangingAnswer(), {}}, {"/q", tel(2), {}}}
            << QStringList{u"{interrupt}"_s} << QByteArrayList{"{1}/p", "{1}/slow", "{1}/q"} << ok << 128 + SIGINT
            << QByteArray("interrupted by SIGINT: the rows of 1 pages")
            << QStringList{u"/p x1"_s, u"/slow x1"_s, u"aborted /slow"_s, u"/q x1"_s} << u""_s << 0;
        // Reading 16 MB of numbers takes seconds, far past the signal.
        QTest::newRow("interrupted while a page is read: the rows before it")
            << Routes{{"/p", PageServer::page("Tel (212) 555-0142"), {}},
                      {"/big", PageServer::page(QByteArray("<p>Call (212) 555-0142.</p>\n").repeated(600'000)), {}}}
            << QStringList{u"{interrupt}"_s, u"--region=US"_s} << QByteArrayList{"{1}/p", "{1}/big"}
            << QByteArray("+12125550142\n") << 128 + SIGINT << QByteArray("interrupted by SIGINT: the rows of 1 pages")
            << QStringList{u"/p x1"_s, u"/big x1"_s} << u""_s << 0;
        QTest::newRow("a hanging robots.txt holds up no other host, and is named")
            << Routes{{"/", PageServer::page("<a href=/a>a</a> tel 5550000001"), {}},
                      {"/robots.txt", PageServer::hangingAnswer(), {}},
                      {"/a", tel(2), {}}}
            << QStringList{u"--follow=1"_s, u"{2}robots"_s} << QByteArrayList{"{1}/", "{2}/"}
            << QByteArray("5550000001\n5550000001\n5550000002\n") << 0
            << QByteArray("robots.txt could not be read (no answer within 10 s)")
            << QStringList{u"/ x2"_s, u"/robots.txt x2"_s, u"aborted /robots.txt"_s, u"/a x1"_s} << u""_s << 0;
        QTest::newRow("--jobs 1: the start page waiting behind a hanging robots.txt goes once it is given up")
            << Routes{{"/", PageServer::page("<a href=/a>a</a> tel 5550000001"), {}},
                      {"/robots.txt", PageServer::hangingAnswer(), {}}}
            << QStringList{u"--follow=1"_s, u"--jobs=1"_s} << QByteArrayList{"{1}/"} << ok << 0
            << QByteArray("no answer within 10 s")
            << QStringList{u"/ x1"_s, u"/robots.txt x1"_s, u"aborted /robots.txt"_s} << u""_s << 0;
    }
    void serverBehaviours()
    {
        QFETCH(Routes, routes);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArrayList, starts);
        QFETCH(QByteArray, out);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, err);
        QFETCH(QStringList, requests);
        QFETCH(QString, spaced);
        QFETCH(int, leastGapMs);
        PageServer::Options twoHosts;
        twoHosts.hosts = 2;
        PageServer server(twoHosts);
        QVERIFY2(server.ready(), "the page server did not start");
        const auto hosts = [&](QByteArray text) {
            return text.replace("{1}", server.url({}).toUtf8()).replace("{2}", server.url({}, 2).toUtf8());
        };
        // The hosts put in a page's body, its length told anew; {gzip} before
        // a body: served gzip-compressed, as a .gz file is.
        const auto served = [&](const QByteArray& answer) {
            if (answer.startsWith("{gzip}"))
                return PageServer::page(PageServer::gzip(hosts(answer.mid(6))), "application/gzip");
            const qsizetype bodyAt = answer.indexOf("\r\n\r\n") + 4;
            QByteArray head = answer.left(bodyAt);
            const QByteArray body = hosts(answer.mid(bodyAt));
            head.replace(QByteArray("Content-Length: " + QByteArray::number(answer.size() - bodyAt)),
                         QByteArray("Content-Length: " + QByteArray::number(body.size())));
            return QByteArray(head + body);
        };
        for (const Route& route : routes)
            server.route(QString::fromLatin1(route.target), served(route.answer),
                         QByteArray(route.target) == "/robots.txt" ? 1 : 0, route.cookie);
        QTemporaryDir dir;
        const QString cookies = dir.filePath(QStringLiteral("cookies.txt"));
        writeTestFile(cookies, "# Netscape HTTP Cookie File\n127.0.0.1\tFALSE\t/\tFALSE\t0\tsession\tabc\n"
                               "a broken line\n");
        const bool interrupting = arguments.removeAll(QStringLiteral("{interrupt}")) > 0;
        if (arguments.removeAll(QStringLiteral("{2}robots")) > 0) // host 2 allows all
            server.route(QStringLiteral("/robots.txt"), PageServer::page("User-agent: *\nAllow: /\n"), 2);
        arguments.replaceInStrings(QStringLiteral("{cookies}"), cookies);

        QTemporaryFile input, output, errors;
        QVERIFY(input.open() && output.open() && errors.open());
        input.write(hosts(starts.join('\n') + '\n'));
        input.flush();
        const int savedError = ::dup(STDERR_FILENO);
        ::dup2(errors.handle(), STDERR_FILENO);
        auto restoreError = qScopeGuard([&] {
            ::dup2(savedError, STDERR_FILENO);
            ::close(savedError);
        });
        int status = 0;
        std::optional<HarvestOptions> options = HarvestOptions::parse(
            QStringList{QStringLiteral("vandrell-harvest"), QStringLiteral("-q")} + arguments, status);
        QVERIFY(options);
        CurlFetcher fetcher(options->fetchLimits());
        const int fd = ::dup(input.handle());
        ::lseek(fd, 0, SEEK_SET);
        UrlFeed feed({{"list", fd}}, 64);
        StdoutWriter writer(output.handle());
        HarvestOutput harvest(*options, writer);
        CrawlRun run(*options, fetcher, feed, harvest);
        if (interrupting)
            QTimer::singleShot(1000, &feed, [&run] { run.interrupt(SIGINT); });
        QCOMPARE(run.exec(), exitCode);
        restoreError.dismiss();
        ::dup2(savedError, STDERR_FILENO);
        ::close(savedError);

        const auto contents = [](const QString& path) {
            QFile file(path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QCOMPARE(contents(output.fileName()), out);
        const QByteArray said = contents(errors.fileName());
        QVERIFY2(err.isEmpty() ? said.isEmpty() : said.contains(err), said.constData());
        QMap<QString, int> asked;
        QStringList aborted;
        QList<double> times;
        for (const PageServer::Event& event : server.events()) {
            if (event.kind == QLatin1String("aborted"))
                aborted << QStringLiteral("aborted ") + event.path;
            if (event.kind != QLatin1String("request"))
                continue;
            ++asked[event.path];
            if (!spaced.isEmpty() && event.path.contains(QRegularExpression(spaced)))
                times << event.atMs;
        }
        QStringList seen = aborted;
        for (auto path = asked.cbegin(); path != asked.cend(); ++path)
            seen << QStringLiteral("%1 x%2").arg(path.key()).arg(path.value());
        seen.sort();
        requests.sort();
        QCOMPARE(seen.join(u","), requests.join(u","));
        for (qsizetype i = 1; i < times.size(); ++i)
            QVERIFY2(times[i] - times[i - 1] >= leastGapMs - 5, qPrintable(QString::number(times[i] - times[i - 1])));
    }
};

VANDRELL_TEST(TestCrawlRun)
#include "test_crawl_run.moc"
