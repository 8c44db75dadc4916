// vandrell-harvest --render as users run it, with Debian's Chromium: pages
// whose numbers and links only their scripts write, served from 127.0.0.1 and
// harvested with and without the browser; what the browser asks of the
// network, in a network namespace of loopback alone; and what is left of it
// after a run in which it was killed.

#include "PageServer.h"
#include "TestRegistry.h"
#include "render/BrowserProcess.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTest>
#include <QUdpSocket>

#include <csignal>
#include <fcntl.h>
#include <sched.h>
#include <sys/prctl.h>
#include <unistd.h>

namespace {
struct Run {
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

// The harvester on these URLs, the test's event loop (and so its server)
// running meanwhile; duringRun is called with its process id every 50 ms.
Run harvest(const QStringList& arguments, const QStringList& urls, const std::function<void(qint64)>& duringRun = {},
            const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment())
{
    QProcess process;
    process.setProcessEnvironment(environment);
    process.start(
        qEnvironmentVariable("VANDRELL_BUILD_DIR") + QStringLiteral("/vandrell-harvest"),
        QStringList{QStringLiteral("-q"), QStringLiteral("--with-url"), QStringLiteral("--render-deadline=9")} +
            arguments);
    process.write(urls.join(u'\n').toUtf8() + '\n');
    process.closeWriteChannel();
    for (int waited = 0; process.state() != QProcess::NotRunning && waited < 120'000; waited += 50) {
        QTest::qWait(50);
        if (duringRun && process.state() == QProcess::Running)
            duringRun(process.processId());
    }
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
    }
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1, process.readAllStandardOutput(),
            process.readAllStandardError()};
}

// The children of a process, as /proc lists them for each of its threads.
QList<qint64> childrenOf(qint64 pid)
{
    QList<qint64> children;
    const QString tasks = QStringLiteral("/proc/%1/task").arg(pid);
    for (const QString& task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        QFile file(tasks + u'/' + task + QStringLiteral("/children"));
        if (file.open(QIODevice::ReadOnly))
            for (const QByteArray& child : file.readAll().split(' '))
                if (child.trimmed().toLongLong() > 0)
                    children << child.trimmed().toLongLong();
    }
    std::sort(children.begin(), children.end());
    return children;
}

QByteArray nameOf(qint64 pid)
{
    QFile file(QStringLiteral("/proc/%1/comm").arg(pid));
    return file.open(QIODevice::ReadOnly) ? file.readAll().trimmed() : QByteArray();
}

const char* const timerPage = "<p id=n>-</p><script>setTimeout(() => { n.textContent = 'Call ' + 5551234 + '567' }, "
                              "200)</script>";
const char* const jsonPage = "<p id=n></p><script>fetch('/n.json').then(r => r.json()).then(j => { n.textContent = "
                             "j.tel })</script>";
} // namespace

class TestRender : public QObject {
    Q_OBJECT
private:
    PageServer m_server;

    static bool chromiumMissing() { return !BrowserProcess::missing(BrowserProcess::defaultProgram()).isEmpty(); }

    QStringList urls(const QStringList& paths) const
    {
        QStringList urls;
        for (const QString& path : paths)
            urls << m_server.url(path);
        return urls;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_server.ready(), "the page server did not start");
        const auto page = [this](const char* path, const QByteArray& html) {
            m_server.route(QString::fromLatin1(path), PageServer::page("<html><body>" + html + "</body></html>"));
        };
        page("/timer", timerPage);
        page("/json", jsonPage);
        m_server.route(QStringLiteral("/n.json"), PageServer::page(R"({"tel": "030 1234 5678"})", "application/json"));
        page("/menu", "<nav id=m></nav><script>m.innerHTML = '<a href=/contact>Contact</a>'</script>");
        page("/contact", "Tel 555 222 3333");
        page("/polls", "<p id=n></p><script>setInterval(() => fetch('/n.json', {cache: 'no-store'})"
                       ".then(r => r.json()).then(j => { n.textContent = j.tel }), 100)</script>");
        page("/busy", "<p>Tel 555 999 0000</p><script>while (true) {}</script>");
        page("/leaves-busy", "<p>Tel 555 999 0000</p><script>onpagehide = () => { while (true) {} }</script>");
    }

    void scriptBuiltPages_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QByteArray>("plain");    // rows without --render, "@" for the server
        QTest::addColumn<QByteArray>("rendered"); // and with it
        QTest::addColumn<QStringList>("failed");  // pages that fail with --render

        const QStringList none;
        QTest::newRow("a number a timer writes") << QStringList{QStringLiteral("/timer")} << none << QByteArray()
                                                 << QByteArray("@/timer - 5551234567\n") << none;
        QTest::newRow("a number fetched as JSON") << QStringList{QStringLiteral("/json")} << none << QByteArray()
                                                  << QByteArray("@/json - 03012345678\n") << none;
        QTest::newRow("--region reads the built document")
            << QStringList{QStringLiteral("/json")} << QStringList{QStringLiteral("--region=DE")} << QByteArray()
            << QByteArray("@/json - +493012345678\n") << none;
        QTest::newRow("a link a script adds, followed")
            << QStringList{QStringLiteral("/menu")} << QStringList{QStringLiteral("--follow=1")} << QByteArray()
            << QByteArray("@/contact - 5552223333\n") << none;
        QTest::newRow("a page that never goes quiet is read as it stands")
            << QStringList{QStringLiteral("/polls")} << none << QByteArray() << QByteArray("@/polls - 03012345678\n")
            << none;
        QTest::newRow("a script that never yields fails, the run goes on")
            << QStringList{QStringLiteral("/busy"), QStringLiteral("/timer")}
            << QStringList{QStringLiteral("--render-tabs=1")} << QByteArray("@/busy - 5559990000\n")
            << QByteArray("@/timer - 5551234567\n") << QStringList{QStringLiteral("/busy")};
        QTest::newRow("a page that will not let go of its tab costs the tab, not the next page")
            << QStringList{QStringLiteral("/leaves-busy"), QStringLiteral("/timer")}
            << QStringList{QStringLiteral("--render-tabs=1")} << QByteArray("@/leaves-busy - 5559990000\n")
            << QByteArray("@/leaves-busy - 5559990000\n@/timer - 5551234567\n") << none;
    }

    void scriptBuiltPages()
    {
        if (chromiumMissing())
            QSKIP("Chromium is not installed (the package chromium)");
        QFETCH(QStringList, paths);
        QFETCH(QStringList, arguments);
        QFETCH(QByteArray, plain);
        QFETCH(QByteArray, rendered);
        QFETCH(QStringList, failed);
        const QByteArray at = m_server.url(QString()).toUtf8();

        const Run without = harvest(arguments, urls(paths));
        QCOMPARE(without.out, plain.replace('@', at));
        QCOMPARE(without.exitCode, 0);
        const Run with = harvest(arguments + QStringList{QStringLiteral("--render")}, urls(paths));
        QCOMPARE(with.out, rendered.replace('@', at));
        QCOMPARE(with.exitCode, failed.isEmpty() ? 0 : 2);
        const QList<QByteArray> lines = with.err.split('\n');
        QCOMPARE(lines.size() - 1, failed.size());
        for (qsizetype i = 0; i < failed.size(); ++i)
            QVERIFY2(lines[i].startsWith(QByteArray("vandrell-harvest: " + m_server.url(failed[i]).toUtf8() + ": ")),
                     lines[i].constData());
    }

    // In a network namespace of this thread's own, where loopback is the only
    // network and the resolver's addresses are on it: the browser's requests
    // all come to the page server by way of the harvester, and no name is
    // looked up.
    void browserTouchesNoNetwork()
    {
        if (chromiumMissing())
            QSKIP("Chromium is not installed (the package chromium)");
        if (::geteuid() != 0)
            QSKIP("a network namespace of the test's own needs root");
        const int original = ::open("/proc/self/ns/net", O_RDONLY | O_CLOEXEC);
        QVERIFY2(original >= 0 && ::unshare(CLONE_NEWNET) == 0, std::strerror(errno));
        const auto restore = qScopeGuard([original] {
            ::setns(original, CLONE_NEWNET);
            ::close(original);
        });
        QCOMPARE(QProcess::execute(QStringLiteral("ip"), {QStringLiteral("link"), QStringLiteral("set"),
                                                          QStringLiteral("lo"), QStringLiteral("up")}),
                 0);
        QStringList resolvers{QStringLiteral("127.0.0.1")};
        QFile resolvConf(QStringLiteral("/etc/resolv.conf"));
        if (resolvConf.open(QIODevice::ReadOnly))
            for (const QByteArray& line : resolvConf.readAll().split('\n'))
                if (const QList<QByteArray> words = line.simplified().split(' ');
                    words.size() == 2 && words[0] == "nameserver" && !words[1].contains(':'))
                    resolvers << QString::fromLatin1(words[1]);
        std::vector<std::unique_ptr<QUdpSocket>> listeners;
        for (const QString& address : resolvers) {
            if (!address.startsWith(QLatin1String("127.")))
                QProcess::execute(QStringLiteral("ip"),
                                  {QStringLiteral("addr"), QStringLiteral("add"), address + QStringLiteral("/32"),
                                   QStringLiteral("dev"), QStringLiteral("lo")});
            auto& listener = listeners.emplace_back(std::make_unique<QUdpSocket>());
            QVERIFY2(listener->bind(QHostAddress(address), 53), qPrintable(listener->errorString()));
        }
        PageServer server; // in the namespace
        QVERIFY2(server.ready(), "the page server did not start");
        server.route(QStringLiteral("/page"),
                     PageServer::page("<link rel=stylesheet href=/style.css><img src=/logo.png>"
                                      "<iframe src=/frame></iframe><script src=/app.js></script>"
                                      "<p id=n></p>"));
        server.route(QStringLiteral("/app.js"),
                     PageServer::page("fetch('/n.json').then(r => r.json()).then(j => { n.textContent = j.tel });"
                                      "new WebSocket('ws://127.0.0.1:" +
                                          QByteArray::number(server.port()) +
                                          "/socket'); navigator.sendBeacon('/beacon', 'x');"
                                          "new Worker(URL.createObjectURL(new Blob(['fetch(\\'" +
                                          server.url(QStringLiteral("/worker")).toUtf8() +
                                          "\\')'])));"
                                          "fetch('/form', {method: 'POST', body: 'x'});",
                                      "text/javascript"));
        server.route(QStringLiteral("/n.json"), PageServer::page(R"({"tel": "030 1234 5678"})", "application/json"));
        server.route(QStringLiteral("/frame"), PageServer::page("<p>framed</p>"));

        const Run run = harvest({QStringLiteral("--render")}, {server.url(QStringLiteral("/page"))});
        QCOMPARE(run.out, server.url(QStringLiteral("/page")).toUtf8() + " - 03012345678\n");
        QStringList asked;
        for (const PageServer::Event& event : server.events()) {
            QVERIFY2(event.userAgent.startsWith("Vandrell/"), event.userAgent.constData());
            asked << event.path;
        }
        asked.sort();
        QCOMPARE(asked,
                 (QStringList{QStringLiteral("/app.js"), QStringLiteral("/frame"), QStringLiteral("/n.json"),
                              QStringLiteral("/page"), QStringLiteral("/robots.txt"), QStringLiteral("/worker")}));
        QCoreApplication::processEvents();
        for (const auto& listener : listeners)
            QVERIFY2(!listener->hasPendingDatagrams(), "a name was looked up");
    }

    // The browser killed while a tab holds a page (one whose script never
    // yields): that page fails once, the next is shown by a browser started
    // anew, and once the run is over no process of either browser is left,
    // nor a zombie. Orphans come to this test meanwhile, as to a service
    // manager.
    void browserKilledAndNothingLeft()
    {
        if (chromiumMissing())
            QSKIP("Chromium is not installed (the package chromium)");
        QVERIFY(::prctl(PR_SET_CHILD_SUBREAPER, 1) == 0);
        const auto restore = qScopeGuard([] { ::prctl(PR_SET_CHILD_SUBREAPER, 0); });
        const QList<qint64> before = childrenOf(::getpid());
        QElapsedTimer browserUp;
        bool killed = false;
        // Its tab has the page by then, which holds it until the deadline.
        const auto killBrowser = [&](qint64 harvester) {
            for (const qint64 child : childrenOf(harvester)) {
                if (killed || nameOf(child) != "chromium")
                    continue;
                if (!browserUp.isValid())
                    browserUp.start();
                if (browserUp.elapsed() > 4000)
                    killed = ::kill(pid_t(child), SIGKILL) == 0;
            }
        };
        const Run run = harvest({QStringLiteral("--render"), QStringLiteral("--render-tabs=1")},
                                urls({QStringLiteral("/busy"), QStringLiteral("/timer")}), killBrowser);
        QVERIFY(killed);
        QCOMPARE(run.out, m_server.url(QStringLiteral("/timer")).toUtf8() + " - 5551234567\n");
        // Said as it happened, not with whatever the browser last logged.
        QCOMPARE(run.err,
                 "vandrell-harvest: " + m_server.url(QStringLiteral("/busy")).toUtf8() +
                     ": The browser went away while it showed the page: Chromium ended on signal 9 (Killed)\n");
        QCOMPARE(run.exitCode, 2);
        QCOMPARE(childrenOf(::getpid()), before);
    }

    void chromiumMissingIsAUsageError()
    {
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("VANDRELL_CHROMIUM"), QStringLiteral("/nonexistent/chromium"));
        const Run run =
            harvest({QStringLiteral("--render")}, {m_server.url(QStringLiteral("/timer"))}, {}, environment);
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.err.contains("install the package chromium"), run.err.constData());
        QVERIFY(run.out.isEmpty());
    }
};

VANDRELL_TEST(TestRender)
#include "test_render.moc"
