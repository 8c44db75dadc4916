// The window of requests in flight, against a fetcher that only records:
// what it was asked for, in what order, and which requests were dropped
// untaken, when the list changes under a run.

#include "TestRegistry.h"
#include "core/fetch/FetchWindow.h"

#include <QTest>

namespace {
// One single-letter URL per letter: "abc" is a, b, c.
QStringList urls(const char* letters)
{
    QStringList list;
    for (const char* c = letters; *c; ++c)
        list << QString(QLatin1Char(*c));
    return list;
}

struct Log {
    QStringList started;
    QStringList dropped;
};

class RecordedPage final : public PendingPage {
public:
    RecordedPage(Log& log, const QString& url) : m_log(log), m_url(url) {}
    ~RecordedPage() override
    {
        if (!m_taken)
            m_log.dropped << m_url;
    }
    QByteArray take() override
    {
        m_taken = true;
        return m_url.toUtf8();
    }

private:
    Log& m_log;
    QString m_url;
    bool m_taken = false;
};

class RecordingFetcher final : public PageFetcher {
public:
    Log log;
    using PageFetcher::start;
    std::unique_ptr<PendingPage> start(const PageUrl&, const QString& subject, RedirectCheck, Body) override
    {
        log.started << subject;
        return std::make_unique<RecordedPage>(log, subject);
    }
};
} // namespace

class TestFetchWindow final : public QObject {
    Q_OBJECT
private slots:
    // The run takes row 1 of a..f with room for three pages ahead, the list
    // becomes `after`, and the run goes on to its end.
    void listChangesUnderARun_data()
    {
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<QStringList>("started");
        QTest::addColumn<QStringList>("dropped");
        QTest::newRow("unchanged: each once, in order") << urls("abcdef") << urls("abcdef") << urls("");
        QTest::newRow("row removed: the rows below keep their requests")
            << urls("abdef") << urls("abcdef") << urls("c");
        QTest::newRow("row replaced: asked for in its turn") << urls("abxdef") << urls("abcdefx") << urls("c");
        QTest::newRow("list cleared") << urls("") << urls("abcd") << urls("bcd");
    }
    void listChangesUnderARun()
    {
        QFETCH(QStringList, after);
        QFETCH(QStringList, started);
        QFETCH(QStringList, dropped);
        RecordingFetcher fetcher;
        FetchWindow window(fetcher, 4);
        QStringList list = urls("abcdef");
        const FetchWindow::UrlAt urlAt = [&](qint64 row) -> std::optional<QString> {
            if (row < 1 || row > list.size())
                return std::nullopt;
            return list[row - 1];
        };
        QCOMPARE(window.fetch(1, QStringLiteral("a"), urlAt), QByteArray("a"));
        QCOMPARE(window.waiting(), 3);
        list = after;
        window.prune(urlAt);
        for (qint64 row = 2; row <= list.size(); ++row)
            QCOMPARE(window.fetch(row, list[row - 1], urlAt), list[row - 1].toUtf8());
        QCOMPARE(fetcher.log.started, started);
        QCOMPARE(fetcher.log.dropped, dropped);
    }
};

VANDRELL_TEST(TestFetchWindow)
#include "test_fetch_window.moc"
