// The extraction run end to end against a real HTTP server on 127.0.0.1:
// pages with known numbers, progress, options, and every way a fetch fails.

#include "FormFixture.h"
#include "TestHttpServer.h"
#include "TestRegistry.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"
#include "platform/CurlFetcher.h"

#include "app/ProgressBar.h"
#include <QTest>

#include <functional>

namespace {
// The real fetch, with a look at the window each time the run waits for a
// page.
class WatchingFetcher final : public PageFetcher {
public:
    explicit WatchingFetcher(CurlFetcher::Limits limits = {}) : m_real(limits) {}
    std::unique_ptr<PendingPage> start(const QString& url) override
    {
        started << url;
        return std::make_unique<Watched>(*this, url, m_real.start(url));
    }
    std::function<void(const QString&)> onFetch;
    QStringList started;

private:
    class Watched final : public PendingPage {
    public:
        Watched(WatchingFetcher& owner, QString url, std::unique_ptr<PendingPage> page)
            : m_owner(owner), m_url(std::move(url)), m_page(std::move(page))
        {}
        QByteArray take() override
        {
            if (m_owner.onFetch)
                m_owner.onFetch(m_url);
            return m_page->take();
        }

    private:
        WatchingFetcher& m_owner;
        QString m_url;
        std::unique_ptr<PendingPage> m_page;
    };

    CurlFetcher m_real;
};

QStringList resultTexts(const Form1& form)
{
    QStringList texts;
    for (int row = 1; row <= form.resultRows()->count(); ++row)
        texts << form.resultRows()->text(row);
    return texts;
}

void tickOnly(Form1& form, std::initializer_list<int> lengths)
{
    for (ValueCheckBox* box : form.Check1)
        box->setValue(0);
    for (int length : lengths)
        form.Check1[std::size_t(length - 5)]->setValue(1);
}

const QByteArray callPage = "<html><body><p>Call (555) 123-4567 now</p><p>version 1.2</p></body></html>";
} // namespace

class TestExtractionRun : public QObject {
    Q_OBJECT
private:
    TestHttpServer m_server;

    struct Run {
        explicit Run(CurlFetcher::Limits limits = {}) : fetcher(limits), fixture(&fetcher) { fixture.loaded(); }
        Form1& form() { return *fixture.form; }
        void addUrl(const QString& url) { form().urlRows()->append(url); }
        void start() { form().PushButton7_Click(); }
        WatchingFetcher fetcher;
        FormFixture fixture;
    };

private slots:
    void initTestCase()
    {
        QVERIFY(m_server.port() != 0);
        m_server.route(QStringLiteral("/call"), TestHttpServer::Reply::page(callPage));
        m_server.route(QStringLiteral("/twice"), TestHttpServer::Reply::page("555-1234 and again: 555-1234."));
        m_server.route(QStringLiteral("/empty"), TestHttpServer::Reply::page(QByteArray()));
        m_server.route(QStringLiteral("/words"), TestHttpServer::Reply::page("no numbers at all"));
        m_server.route(QStringLiteral("/gone"), TestHttpServer::Reply::error(404, "Not Found"));
        m_server.route(QStringLiteral("/moved"), TestHttpServer::Reply::redirect("/call"));
        m_server.route(QStringLiteral("/loop"), TestHttpServer::Reply::redirect("/loop"));
        m_server.route(QStringLiteral("/zipped"), TestHttpServer::Reply::gzipped("Fax: 555.987.6543<br>"));
        TestHttpServer::Reply hang;
        hang.mode = TestHttpServer::Reply::Mode::Hang;
        m_server.route(QStringLiteral("/hang"), hang);
        TestHttpServer::Reply endless;
        endless.mode = TestHttpServer::Reply::Mode::Endless;
        m_server.route(QStringLiteral("/endless"), endless);
    }

    void callPageWithAndWithoutUrl()
    {
        Run run;
        tickOnly(run.form(), {10});
        run.form().Check2->setValue(1);
        const QString url = m_server.url(QStringLiteral("/call"));
        run.addUrl(url);
        run.start();
        QCOMPARE(resultTexts(run.form()), QStringList{url + QStringLiteral(" - 5551234567")});
        QCOMPARE(run.fixture.dialogs.texts(), QStringList{QStringLiteral("Done.")});
        QCOMPARE(run.fixture.dialogs.messages[0].style, 0);

        // Rows accumulate over runs; the option applies to the new rows only.
        run.form().Check2->setValue(0);
        run.start();
        QCOMPARE(resultTexts(run.form()),
                 QStringList({url + QStringLiteral(" - 5551234567"), QStringLiteral("5551234567")}));
        QVERIFY(!run.form().resultRows()->ticked(2));
        QVERIFY2(m_server.lastUserAgent().startsWith("Vandrell/"), m_server.lastUserAgent().constData());
    }

    void onlyTickedLengthsAndDuplicates()
    {
        Run run;
        tickOnly(run.form(), {7});
        run.addUrl(m_server.url(QStringLiteral("/call")));
        run.addUrl(m_server.url(QStringLiteral("/twice")));
        run.start();
        QCOMPARE(resultTexts(run.form()), QStringList({QStringLiteral("5551234"), QStringLiteral("5551234")}));
    }

    void noBoxTickedStillVisitsEveryPage()
    {
        Run run;
        tickOnly(run.form(), {});
        const int before = m_server.requestCount(QStringLiteral("/words"));
        run.addUrl(m_server.url(QStringLiteral("/call")));
        run.addUrl(m_server.url(QStringLiteral("/words")));
        run.addUrl(m_server.url(QStringLiteral("/empty")));
        run.start();
        QCOMPARE(m_server.requestCount(QStringLiteral("/words")), before + 1);
        QVERIFY(resultTexts(run.form()).isEmpty());
        QCOMPARE(run.fixture.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    }

    void progressDuringTheRun()
    {
        Run run;
        QList<int> values;
        QStringList texts;
        QList<int> pointers;
        run.fetcher.onFetch = [&](const QString&) {
            values << run.form().ProgressBar1->progress();
            texts << run.form().progressText();
            pointers << run.form().MousePointer();
        };
        for (int i = 0; i < 4; ++i)
            run.addUrl(m_server.url(QStringLiteral("/words")));
        run.start();
        QCOMPARE(values, QList<int>({25, 50, 75, 100}));
        QCOMPARE(texts.value(1), QStringLiteral("Please wait.. looking at URL: 2 of 4"));
        QCOMPARE(pointers, QList<int>({11, 11, 11, 11}));
        QCOMPARE(run.form().ProgressBar1->progress(), 0);
        QCOMPARE(run.form().progressText(), QStringLiteral("Progress Bar"));
        QCOMPARE(run.form().MousePointer(), 0);
        QVERIFY(!run.form().isRunning());
    }

    void emptyListSaysSo()
    {
        Run run;
        run.start();
        QCOMPARE(run.fixture.dialogs.texts(), QStringList{QStringLiteral("No URLs added.")});
        QCOMPARE(run.form().progressText(), QStringLiteral("Progress Bar"));
        QVERIFY(!run.form().isRunning());
        run.addUrl(m_server.url(QStringLiteral("/words")));
        run.start();
        QCOMPARE(run.fixture.dialogs.texts().last(), QStringLiteral("Done."));
    }

    void secondPressDuringARunIsIgnored()
    {
        Run run;
        tickOnly(run.form(), {10});
        int nested = 0;
        run.fetcher.onFetch = [&](const QString&) {
            if (nested++ == 0)
                run.form().PushButton7_Click();
        };
        run.addUrl(m_server.url(QStringLiteral("/call")));
        run.start();
        QCOMPARE(nested, 1);
        QCOMPARE(resultTexts(run.form()), QStringList{QStringLiteral("5551234567")});
        QCOMPARE(run.fixture.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    }

    void failedFetchesAreReportedAndNotScanned_data()
    {
        QTest::addColumn<QString>("url");
        QTest::addColumn<QString>("reportContains");
        QTest::newRow("404") << m_server.url(QStringLiteral("/gone")) << QStringLiteral("returned error: 404: ") + m_server.url(QStringLiteral("/gone"));
        QTest::newRow("redirect loop") << m_server.url(QStringLiteral("/loop")) << QStringLiteral("redirect");
        QTest::newRow("unsupported scheme")
            << QStringLiteral("ftp://127.0.0.1/call") << QStringLiteral("Only http and https pages can be fetched");
        QTest::newRow("file scheme") << QStringLiteral("file:///etc/passwd")
                                     << QStringLiteral("Only http and https pages can be fetched");
        QTest::newRow("not a url") << QStringLiteral("   ") << QStringLiteral("The URL is empty");
    }
    void failedFetchesAreReportedAndNotScanned()
    {
        QFETCH(QString, url);
        QFETCH(QString, reportContains);
        Run run;
        tickOnly(run.form(), {10});
        run.addUrl(m_server.url(QStringLiteral("/call")));
        run.addUrl(url);
        run.addUrl(m_server.url(QStringLiteral("/words")));
        run.start();
        // The failed page adds nothing, not even the previous page's numbers again.
        QCOMPARE(resultTexts(run.form()), QStringList{QStringLiteral("5551234567")});
        const QStringList shown = run.fixture.dialogs.texts();
        QCOMPARE(shown.size(), 2);
        QVERIFY2(shown[0].contains(reportContains, Qt::CaseInsensitive), qPrintable(shown[0]));
        QVERIFY(shown[0].contains(QLatin1String("Form1.PushButton7_Click at line 120")));
        QCOMPARE(shown[1], QStringLiteral("Done."));
    }

    void refusedConnection()
    {
        QTcpServer probe;
        QVERIFY(probe.listen(QHostAddress::LocalHost, 0));
        const quint16 closedPort = probe.serverPort();
        probe.close();
        Run run;
        run.addUrl(QStringLiteral("http://127.0.0.1:") + QString::number(closedPort) + QStringLiteral("/x"));
        run.start();
        QCOMPARE(run.fixture.dialogs.texts().size(), 2);
        QVERIFY(run.fixture.dialogs.texts()[0].contains(QLatin1String("connect"), Qt::CaseInsensitive));
    }

    void hangingServerTimesOut()
    {
        CurlFetcher::Limits limits;
        limits.lowSpeedTime = std::chrono::seconds(1);
        Run run(limits);
        run.addUrl(m_server.url(QStringLiteral("/hang")));
        run.start();
        QCOMPARE(run.fixture.dialogs.texts().size(), 2);
        QVERIFY2(run.fixture.dialogs.texts()[0].contains(QLatin1String("too slow")),
                 qPrintable(run.fixture.dialogs.texts()[0]));
        QCOMPARE(run.fixture.dialogs.texts()[1], QStringLiteral("Done."));
    }

    void endlessBodyHitsTheCap()
    {
        CurlFetcher::Limits limits;
        limits.maximumBodyBytes = 1024 * 1024;
        Run run(limits);
        run.addUrl(m_server.url(QStringLiteral("/endless")));
        run.start();
        QVERIFY2(run.fixture.dialogs.texts().value(0).contains(QLatin1String("larger than 1 MiB")),
                 qPrintable(run.fixture.dialogs.texts().value(0)));
    }

    void compressedPages()
    {
        CurlFetcher::Limits limits;
        limits.maximumBodyBytes = 1024 * 1024;
        Run run(limits);
        tickOnly(run.form(), {10});
        // 8 MiB of numbers squeezed into a small gzip body: the cap counts
        // decoded bytes.
        QByteArray bomb;
        bomb.reserve(8 << 20);
        while (bomb.size() < (8 << 20))
            bomb += "call 555-123-4567 ";
        m_server.route(QStringLiteral("/bomb"), TestHttpServer::Reply::gzipped(bomb));
        run.addUrl(m_server.url(QStringLiteral("/zipped")));
        run.addUrl(m_server.url(QStringLiteral("/bomb")));
        run.start();
        QCOMPARE(resultTexts(run.form()), QStringList{QStringLiteral("5559876543")});
        QCOMPARE(run.fixture.dialogs.texts().size(), 2);
        QVERIFY(run.fixture.dialogs.texts()[0].contains(QLatin1String("at line 120")));
    }

    void utf16PagesAreReadAsText()
    {
        const QString text = QStringLiteral("Tél: 555-123-4567 — fax (555) 987 6543");
        QByteArray little("\xff\xfe");
        little.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
        m_server.route(QStringLiteral("/utf16"), TestHttpServer::Reply::page(little, "text/html"));
        Run run;
        tickOnly(run.form(), {10});
        run.addUrl(m_server.url(QStringLiteral("/utf16")));
        run.start();
        QCOMPARE(resultTexts(run.form()), QStringList({QStringLiteral("5551234567"), QStringLiteral("5559876543")}));
    }

    void redirectsAndBareHosts()
    {
        Run run;
        tickOnly(run.form(), {10});
        run.addUrl(m_server.url(QStringLiteral("/moved")));
        run.addUrl(QStringLiteral("127.0.0.1:") + QString::number(m_server.port()) + QStringLiteral("/call"));
        run.start();
        QCOMPARE(resultTexts(run.form()), QStringList({QStringLiteral("5551234567"), QStringLiteral("5551234567")}));
        QCOMPARE(run.fixture.dialogs.texts(), QStringList{QStringLiteral("Done.")});
    }

    void urlListShrinkingDuringARun()
    {
        Run run;
        tickOnly(run.form(), {10});
        run.fetcher.onFetch = [&](const QString&) { run.form().urlRows()->clear(); };
        for (int i = 0; i < 3; ++i)
            run.addUrl(m_server.url(QStringLiteral("/call")));
        run.start();
        const QStringList shown = run.fixture.dialogs.texts();
        // Positions 2 and 3 are gone: each is reported, nothing is fetched for them.
        QCOMPARE(shown.size(), 3);
        QVERIFY(shown[0].contains(QLatin1String("at line 110")));
        QVERIFY(shown[1].contains(QLatin1String("at line 110")));
        QCOMPARE(shown[2], QStringLiteral("Done."));
        QCOMPARE(resultTexts(run.form()), QStringList{QStringLiteral("5551234567")});
        QVERIFY(!run.form().isRunning());
    }

    void pageRequestedAheadIsDroppedWhenTheListChanges()
    {
        Run run;
        tickOnly(run.form(), {7, 10});
        QStringList taken;
        run.fetcher.onFetch = [&](const QString& url) {
            if (taken.isEmpty())
                run.form().urlRows()->remove(2); // the page of row 2 is already on its way
            taken << url;
        };
        run.addUrl(m_server.url(QStringLiteral("/call")));
        run.addUrl(m_server.url(QStringLiteral("/words")));
        run.addUrl(m_server.url(QStringLiteral("/twice")));
        run.start();
        QCOMPARE(taken, QStringList({m_server.url(QStringLiteral("/call")), m_server.url(QStringLiteral("/twice"))}));
        QVERIFY(run.fetcher.started.contains(m_server.url(QStringLiteral("/words"))));
        QCOMPARE(resultTexts(run.form()),
                 QStringList({QStringLiteral("5551234567"), QStringLiteral("5551234"), QStringLiteral("5551234")}));
        const QStringList shown = run.fixture.dialogs.texts();
        QCOMPARE(shown.size(), 2);
        QVERIFY(shown[0].contains(QLatin1String("at line 110")));
        QCOMPARE(shown[1], QStringLiteral("Done."));
    }

    void optionsChangedDuringARunApplyFromThenOn()
    {
        Run run;
        tickOnly(run.form(), {10});
        int fetches = 0;
        run.fetcher.onFetch = [&](const QString&) {
            if (++fetches == 2)
                run.form().Check2->setValue(1);
        };
        const QString url = m_server.url(QStringLiteral("/call"));
        run.addUrl(url);
        run.addUrl(url);
        run.start();
        QCOMPARE(resultTexts(run.form()),
                 QStringList({QStringLiteral("5551234567"), url + QStringLiteral(" - 5551234567")}));
    }
};

VANDRELL_TEST(TestExtractionRun)
#include "test_extraction_run.moc"
