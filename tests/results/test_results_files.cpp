// The two saves of the results list, on real files: the exact bytes, the
// save dialog's settings, Cancel, the overwrite question, unwritable
// targets, a disk that fills up half-way, and the list changing mid-save.

#include "FormFixture.h"
#include "ResultsTesting.h"
#include "TestRegistry.h"
#include "app/ReportListView.h"
#include "platform/AppTitle.h"
#include "platform/MessageStyle.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
enum Button { TextFile = 6, CommaFile = 1 };

void save(Form1& form, int button)
{
    if (button == TextFile)
        form.PushButton6_Click();
    else
        form.PushButton1_Click();
}

QString location(int button)
{
    return button == TextFile ? QStringLiteral("Form1.PushButton6_Click") : QStringLiteral("Form1.PushButton1_Click");
}

// Files may grow only to `bytes` while it lives, as on a nearly full disk.
class FileSizeLimit final {
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        getrlimit(RLIMIT_FSIZE, &m_saved);
        m_oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{bytes, m_saved.rlim_max};
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_oldHandler);
    }

private:
    rlimit m_saved{};
    void (*m_oldHandler)(int) = nullptr;
};
ino_t identity(const QString& path)
{
    struct stat info {};
    return ::stat(QFile::encodeName(path).constData(), &info) == 0 ? info.st_ino : 0;
}

// Folder permissions do not bind root; while this lives, a root process acts
// as the unprivileged user "nobody" so that they do.
class UnprivilegedWhileAlive final {
public:
    UnprivilegedWhileAlive()
    {
        if (::geteuid() == 0)
            m_dropped = ::setegid(65534) == 0 && ::seteuid(65534) == 0;
    }
    ~UnprivilegedWhileAlive()
    {
        if (m_dropped)
            m_dropped = ::seteuid(0) == 0 && ::setegid(0) == 0;
    }

private:
    bool m_dropped = false;
};

enum Target { Ordinary, InReadOnlyFolder, NamedPipe, PipeWithoutReader, NullDevice };
} // namespace

class ResultsFilesTest final : public QObject {
    Q_OBJECT
private slots:
    // A new file, or an existing one and the answer to the question about it.
    void writesExactBytes_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QStringList>("rows");
        QTest::addColumn<QByteArray>("existing"); // null: no file yet
        QTest::addColumn<int>("answer");
        QTest::addColumn<QByteArray>("expected");
        const QStringList two{QStringLiteral("12345"), QStringLiteral("678901")};
        const QStringList urls{QStringLiteral("http://a.example/p?x=1,2 - 5551234"),
                               QStringLiteral("http://bücher.example - 5550100")};
        const QByteArray old("an older and longer file\r\n");
        QTest::newRow("text: two rows") << int(TextFile) << two << QByteArray() << 0
                                        << QByteArray("12345\r\n678901\r\n");
        QTest::newRow("comma: two rows") << int(CommaFile) << two << QByteArray() << 0
                                         << QByteArray("12345,678901,\r\n");
        QTest::newRow("text: empty list") << int(TextFile) << QStringList() << QByteArray() << 0 << QByteArray("");
        QTest::newRow("comma: empty list")
            << int(CommaFile) << QStringList() << QByteArray() << 0 << QByteArray("\r\n");
        QTest::newRow("text: URLs as UTF-8") << int(TextFile) << urls << QByteArray() << 0
                                             << QByteArray("http://a.example/p?x=1,2 - 5551234\r\nhttp://b\xc3\xbc"
                                                           "cher.example - 5550100\r\n");
        QTest::newRow("comma: a comma in a URL stays")
            << int(CommaFile) << urls << QByteArray() << 0
            << QByteArray("http://a.example/p?x=1,2 - 5551234,http://b\xc3\xbc"
                          "cher.example - 5550100,\r\n");
        QTest::newRow("text, Yes: replaced") << int(TextFile) << two << old << 6 << QByteArray("12345\r\n678901\r\n");
        QTest::newRow("text, No: untouched") << int(TextFile) << two << old << 7 << old;
        QTest::newRow("comma, Yes: replaced") << int(CommaFile) << two << old << 6 << QByteArray("12345,678901,\r\n");
        QTest::newRow("comma, No: untouched") << int(CommaFile) << two << old << 7 << old;
    }

    void writesExactBytes()
    {
        QFETCH(int, button);
        QFETCH(QStringList, rows);
        QFETCH(QByteArray, existing);
        QFETCH(int, answer);
        QFETCH(QByteArray, expected);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        addResults(form, rows);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("results")); // no extension, none added
        if (!existing.isNull())
            writeTestFile(path, existing);
        fixture.fileDialogs.answers << QStringList{path};
        fixture.dialogs.messageAnswers << answer;
        form.CommonDialog1.Flags = 0x1000; // the loader's settings must not carry over
        form.CommonDialog1.Filter = QStringLiteral("URL lists|*.txt");

        save(form, button);

        QCOMPARE(fileBytes(path), expected);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("results")});
        QCOMPARE(form.CommonDialog1.Flags, 2621953L);
        QCOMPARE(form.CommonDialog1.Filter, QStringLiteral("Text Files (*.txt)|*.txt|All Files (*.*)|*.*|"));
        QCOMPARE(fixture.fileDialogs.requests.size(), 1);
        const FileDialogRequest& request = fixture.fileDialogs.requests.front();
        QCOMPARE(request.mode, FileDialogRequest::Mode::Save);
        QCOMPARE(request.title, QStringLiteral("Save"));
        QCOMPARE(request.nameFilters,
                 (QStringList{QStringLiteral("Text Files (*.txt)"), QStringLiteral("All Files (*)")}));
        QVERIFY(!request.confirmOverwrite && !request.allowMultiple);
        QCOMPARE(fixture.dialogs.messages.size(), existing.isNull() ? 0 : 1);
        if (!existing.isNull()) {
            const ShownMessage& question = fixture.dialogs.messages.front();
            QCOMPARE(question.text,
                     QStringLiteral("Are you sure you wish to overwrite ") + path + QStringLiteral(" ?"));
            QCOMPARE(question.style, 4);
            QCOMPARE(question.title, appTitle());
        }
        QCOMPARE(form.MousePointer(), 0);
    }

    void cancelDoesNothing()
    {
        for (int button : {int(TextFile), int(CommaFile)}) {
            FormFixture fixture;
            Form1& form = fixture.loaded();
            addResults(form, {QStringLiteral("5551234")});
            const QString leftOver = QDir::temp().filePath(QStringLiteral("left-over-from-an-earlier-dialog"));
            form.CommonDialog1.FileName = leftOver;
            form.setMousePointer(99);
            save(form, button);
            QCOMPARE(fixture.fileDialogs.requests.size(), 1);
            QVERIFY(fixture.dialogs.messages.isEmpty());
            QCOMPARE(form.MousePointer(), 99);
            QVERIFY(!QFile::exists(leftOver));
        }
    }

    // One report at the failing step, the old file exactly as it was with no
    // temporary file beside it, and the pointer back. A target that cannot
    // be opened fails at the open; a disk that fills up fails in the loop
    // (long text file), at the write of the comma line (long), or when the
    // last bytes go out (short).
    // The safe swap where it can be made; the target itself written in
    // place where the folder refuses the temporary file or the target is no
    // regular file.
    void writesInPlaceWhereItMust_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("target");
        QTest::addColumn<bool>("saved");
        for (int button : {int(TextFile), int(CommaFile)}) {
            const char* name = button == TextFile ? "text" : "comma";
            QTest::addRow("%s: ordinary file, swapped", name) << button << int(Ordinary) << true;
            QTest::addRow("%s: writable file in a read-only folder", name) << button << int(InReadOnlyFolder) << true;
            QTest::addRow("%s: named pipe", name) << button << int(NamedPipe) << true;
            QTest::addRow("%s: named pipe nobody reads", name) << button << int(PipeWithoutReader) << false;
            QTest::addRow("%s: /dev/null", name) << button << int(NullDevice) << true;
        }
    }
    void writesInPlaceWhereItMust()
    {
        QFETCH(int, button);
        QFETCH(int, target);
        QFETCH(bool, saved);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        addResults(form, {QStringLiteral("5551234"), QStringLiteral("http://a.example - 5559876")});
        const QByteArray expected = button == TextFile ? QByteArray("5551234\r\nhttp://a.example - 5559876\r\n")
                                                       : QByteArray("5551234,http://a.example - 5559876,\r\n");
        QTemporaryDir dir;
        const QString folder = dir.filePath(QStringLiteral("out"));
        QVERIFY(QDir().mkpath(folder));
        QString path = folder + QStringLiteral("/results.txt");
        int readEnd = -1;
        std::unique_ptr<UnprivilegedWhileAlive> unprivileged;
        switch (target) {
        case Ordinary:
        case InReadOnlyFolder:
            writeTestFile(path, "an older and longer file\r\n");
            break;
        case NamedPipe:
        case PipeWithoutReader:
            QCOMPARE(::mkfifo(QFile::encodeName(path).constData(), 0600), 0);
            // A reader that is there before the save, as a program at the
            // other end would be; the rows fit in the pipe's buffer.
            if (target == NamedPipe)
                readEnd = ::open(QFile::encodeName(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
            break;
        case NullDevice:
            path = QStringLiteral("/dev/null");
            QVERIFY(!QFileInfo(path).isFile()); // never to be replaced by a regular file
            break;
        }
        const ino_t before = identity(path);
        if (target == InReadOnlyFolder) {
            QVERIFY(QFile::setPermissions(path, QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                    QFileDevice::ReadOther | QFileDevice::WriteOther));
            QVERIFY(QFile::setPermissions(dir.path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                                          QFileDevice::ExeOwner | QFileDevice::ExeOther));
            QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner |
                                                      QFileDevice::ReadOther | QFileDevice::ExeOther));
            unprivileged = std::make_unique<UnprivilegedWhileAlive>();
            QFile probe(folder + QStringLiteral("/probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                unprivileged.reset();
                QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
                QSKIP("folder permissions do not bind here");
            }
        }
        fixture.fileDialogs.answers << QStringList{path};
        fixture.dialogs.messageAnswers << MessageAnswer::Yes;
        save(form, button);
        unprivileged.reset();
        QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);

        const QStringList shown = fixture.dialogs.texts();
        QVERIFY2(shown.size() == (saved ? 1 : 2),
                 qPrintable(shown.join(QLatin1String(" / ")))); // the question, then any report
        if (!saved)
            QVERIFY2(shown.back().contains(QStringLiteral(" at line 130\r\r")), qPrintable(shown.back()));
        QCOMPARE(form.MousePointer(), 0);
        switch (target) {
        case Ordinary:
            QCOMPARE(fileBytes(path), expected);
            QVERIFY(identity(path) != before);
            break;
        case InReadOnlyFolder:
            QCOMPARE(fileBytes(path), expected);
            QCOMPARE(identity(path), before);
            break;
        case NamedPipe: {
            QByteArray received(1024, '\0');
            const ssize_t got = ::read(readEnd, received.data(), std::size_t(received.size()));
            ::close(readEnd);
            QCOMPARE(received.left(got), expected);
            [[fallthrough]];
        }
        case PipeWithoutReader:
        case NullDevice:
            QCOMPARE(identity(path), before);
            QVERIFY(!QFileInfo(path).isFile());
            break;
        }
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::System | QDir::Hidden).size(),
                 target == NullDevice ? 0 : 1);
    }

    void failedSaveReportedOnce_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<QString>("target");
        QTest::addColumn<int>("rowTotal");
        QTest::addColumn<int>("line");
        const QString missing = QStringLiteral("missing/out.txt");
        const QString folder = QStringLiteral("folder"); // a folder "exists": the question comes first
        const QString full = QStringLiteral("old.txt");  // on a nearly full disk
        QTest::newRow("text: missing folder") << int(TextFile) << missing << 2 << 130;
        QTest::newRow("comma: missing folder") << int(CommaFile) << missing << 2 << 130;
        QTest::newRow("text: a folder") << int(TextFile) << folder << 2 << 130;
        QTest::newRow("comma: a folder") << int(CommaFile) << folder << 2 << 130;
        QTest::newRow("text: full, long") << int(TextFile) << full << 30000 << 136;
        QTest::newRow("text: full, short") << int(TextFile) << full << 40 << 140;
        QTest::newRow("comma: full, long") << int(CommaFile) << full << 30000 << 140;
        QTest::newRow("comma: full, short") << int(CommaFile) << full << 40 << 142;
    }

    void failedSaveReportedOnce()
    {
        QFETCH(int, button);
        QFETCH(QString, target);
        QFETCH(int, rowTotal);
        QFETCH(int, line);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        QStringList rows;
        for (int i = 0; i < rowTotal; ++i)
            rows << QStringLiteral("http://host.example/page - 555%1").arg(i, 7, 10, QLatin1Char('0'));
        addResults(form, rows);
        QTemporaryDir dir;
        QDir(dir.path()).mkdir(QStringLiteral("folder"));
        writeTestFile(dir.filePath(QStringLiteral("old.txt")), "old");
        fixture.fileDialogs.answers << QStringList{dir.filePath(target)};
        {
            FileSizeLimit nearlyFull(300);
            save(form, button);
        }
        const QStringList shown = fixture.dialogs.texts();
        QCOMPARE(shown.size(), target.startsWith(QLatin1String("missing")) ? 1 : 2);
        QVERIFY2(shown.back().contains(QStringLiteral("in Ostrevan2021/08/31.") + location(button) +
                                       QStringLiteral(" at line ") + QString::number(line) + QStringLiteral("\r\r")),
                 qPrintable(shown.back()));
        QCOMPARE(fileBytes(dir.filePath(QStringLiteral("old.txt"))), QByteArray("old"));
        QVERIFY(QFileInfo(dir.filePath(QStringLiteral("folder"))).isDir());
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("old.txt")});
        QCOMPARE(form.MousePointer(), 0);
    }

    // While the save yields, Delete is shut out by the busy pointer; Clear
    // Results is not, and the rows it took are skipped.
    void listChangesWhileSaving_data()
    {
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("clear");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("text, Delete") << int(TextFile) << false << QByteArray("111\r\n222\r\n333\r\n");
        QTest::newRow("comma, Delete") << int(CommaFile) << false << QByteArray("111,222,333,\r\n");
        QTest::newRow("text, Clear Results") << int(TextFile) << true << QByteArray("");
        QTest::newRow("comma, Clear Results") << int(CommaFile) << true << QByteArray("\r\n");
    }

    void listChangesWhileSaving()
    {
        QFETCH(int, button);
        QFETCH(bool, clear);
        QFETCH(QByteArray, expected);
        FormFixture fixture;
        Form1& form = fixture.loaded();
        addResults(form, {QStringLiteral("111"), QStringLiteral("222"), QStringLiteral("333")});
        form.ListView2->selectRow(1);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("out.txt"));
        fixture.fileDialogs.answers << QStringList{path};
        int pointerSeen = -1;
        duringNextYield(&form, [&] {
            pointerSeen = form.MousePointer();
            if (clear)
                form.PushButton9_Click();
            else
                form.ListView2_KeyDown(46, Qt::NoModifier);
        });

        save(form, button);

        QCOMPARE(pointerSeen, 11);
        QCOMPARE(fileBytes(path), expected);
        QCOMPARE(form.resultRows()->count(), clear ? 0 : 3);
        QVERIFY(fixture.dialogs.messages.isEmpty());
        QCOMPARE(form.MousePointer(), 0);
    }
};

VANDRELL_TEST(ResultsFilesTest)
#include "test_results_files.moc"
