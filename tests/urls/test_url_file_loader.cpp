// Tests for reading URL files into the list, on real temporary files: line
// ends and decoding across chunk boundaries, and every kind of input that is
// refused, with the rows before the refusal kept and the file closed.

#include "ScriptedDialogs.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "app/RowListModel.h"
#include "core/AppError.h"
#include "platform/AppTitle.h"
#include "urls/UrlFileLoader.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

namespace {

QList<QByteArray> rowsOf(const RowListModel& list)
{
    QList<QByteArray> rows;
    for (int row = 1; row <= list.count(); ++row)
        rows << QByteArray::fromStdString(list.utf8(row).joined());
    return rows;
}

// The description appendUrlFile fails with, or a null string when it loads.
QString failureOf(RowListModel& list, const QString& path, const UrlFileLimits& limits = {})
{
    try {
        appendUrlFile(list, path, limits);
    } catch (const AppError& error) {
        return error.description();
    }
    return {};
}

int openFiles()
{
    return int(QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::NoDotAndDotDot | QDir::AllEntries).size());
}

} // namespace

class TestUrlFileLoader final : public QObject {
    Q_OBJECT
    QTemporaryDir m_dir;
    RowListModel m_list{false};
    ScriptedDialogs m_dialogs;

    QString file(const QByteArray& bytes, const QString& name = QStringLiteral("urls.txt"))
    {
        const QString path = m_dir.filePath(name);
        return writeTestFile(path, bytes);
    }

private slots:
    void init()
    {
        m_list.clear();
        m_dialogs.clear();
    }

    void rowsAsInTheFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QList<QByteArray>>("rows");
        using L = QList<QByteArray>;
        QTest::newRow("empty") << QByteArray() << L{};
        QTest::newRow("one URL, no line end") << QByteArray("http://a.example/") << L{"http://a.example/"};
        QTest::newRow("CR LF") << QByteArray("http://a.example/\r\nhttp://b.example/\r\n")
                               << L{"http://a.example/", "http://b.example/"};
        QTest::newRow("LF") << QByteArray("a\nb\n") << L{"a", "b"};
        QTest::newRow("blank lines, last one LF-ended") << QByteArray("a\n\nb\n\n") << L{"a", "", "b", ""};
        QTest::newRow("CR") << QByteArray("a\rb\r") << L{"a", "b"};
        QTest::newRow("blank line, blanks kept") << QByteArray(" a \r\n\r\nb\t") << L{" a ", "", "b\t"};
        QTest::newRow("invalid UTF-8") << QByteArray("a\xff"
                                                     "b\r\n")
                                       << L{"a\xef\xbf\xbd"
                                            "b"};
        QTest::newRow("character cut by the end") << QByteArray("a\r\nb\xc3") << L{"a", "b\xef\xbf\xbd"};
        QTest::newRow("multi-byte characters")
            << QByteArray("caf\xc3\xa9\r\n\xf0\x9f\x93\x9e\n") << L{"caf\xc3\xa9", "\xf0\x9f\x93\x9e"};
        QTest::newRow("byte order mark dropped") << QByteArray("\xef\xbb\xbfx\r\n") << L{"x"};
        QTest::newRow("byte order mark alone") << QByteArray("\xef\xbb\xbf\nx") << L{"", "x"};
        QTest::newRow("broken character ends before LF")
            << QByteArray("a\xe9\nb\xf0\n") << L{"a\xef\xbf\xbd", "b\xef\xbf\xbd"};
    }

    // In large chunks and in chunks that cut characters and line ends apart;
    // rows already in the list stay ahead of the file's.
    void rowsAsInTheFile()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QList<QByteArray>, rows);
        const QString path = file(bytes);
        for (qsizetype chunk : {qsizetype(1) << 20, qsizetype(1), qsizetype(2), qsizetype(3)}) {
            m_list.clear();
            m_list.append(u"kept");
            UrlFileLimits limits;
            limits.chunkBytes = chunk;
            QCOMPARE(failureOf(m_list, path, limits), QString());
            QCOMPARE(rowsOf(m_list), QList<QByteArray>{"kept"} + rows);
        }
        LoadUrlFile(m_list, path, m_dialogs);
        QCOMPARE(rowsOf(m_list), QList<QByteArray>{"kept"} + rows + rows);
        QVERIFY(m_dialogs.messages.isEmpty());
    }

    // A lead byte closing a chunk: the byte after it, a line end or not,
    // stays what it is, and the broken character spoils only its own row.
    void leadByteAtChunkEdge_data()
    {
        QTest::addColumn<qsizetype>("chunk");
        QTest::addColumn<char>("lead");
        QTest::addColumn<QByteArray>("follower");
        QTest::addColumn<QList<QByteArray>>("tail");
        const QByteArray broken = "http://a.example/caf\xef\xbf\xbd";
        for (qsizetype chunk : {qsizetype(1), qsizetype(2), qsizetype(3), UrlFileLimits().chunkBytes}) {
            for (char lead : {'\xc3', '\xe9', '\xf0'}) {
                QTest::addRow("%02X then LF, %lld-byte chunks", uchar(lead), qlonglong(chunk))
                    << chunk << lead << QByteArray("\n") << QList<QByteArray>{broken, "http://b.example/"};
                QTest::addRow("%02X then CR, %lld-byte chunks", uchar(lead), qlonglong(chunk))
                    << chunk << lead << QByteArray("\r") << QList<QByteArray>{broken, "http://b.example/"};
                QTest::addRow("%02X then ASCII, %lld-byte chunks", uchar(lead), qlonglong(chunk))
                    << chunk << lead << QByteArray("x\r\n") << QList<QByteArray>{broken + "x", "http://b.example/"};
            }
        }
    }
    void leadByteAtChunkEdge()
    {
        QFETCH(qsizetype, chunk);
        QFETCH(char, lead);
        QFETCH(QByteArray, follower);
        QFETCH(QList<QByteArray>, tail);
        const QByteArray row = QByteArray("http://a.example/caf") + lead;
        // Rows of padding put the lead byte last in a chunk, past the first.
        const qsizetype leadEnds = (1 + (64 + chunk - 1) / chunk) * chunk;
        QByteArray bytes;
        QList<QByteArray> rows;
        while (bytes.size() < leadEnds - row.size()) {
            const qsizetype room = leadEnds - row.size() - bytes.size();
            const QByteArray pad = room >= 20 ? QByteArray("http://pad.example/") : QByteArray(room - 1, 'p');
            bytes += pad + '\n';
            rows << pad;
        }
        bytes += row + follower + "http://b.example/\n";
        QCOMPARE(bytes.indexOf(lead), leadEnds - 1);
        UrlFileLimits limits;
        limits.chunkBytes = chunk;
        QCOMPARE(failureOf(m_list, file(bytes), limits), QString());
        QCOMPARE(rowsOf(m_list), rows + tail);
    }

    void fileNotFound()
    {
        m_list.append(u"kept");
        LoadUrlFile(m_list, m_dir.filePath(QStringLiteral("missing.txt")), m_dialogs);
        QCOMPARE(m_dialogs.texts(), QStringList{QStringLiteral("File not found")});
        QCOMPARE(m_dialogs.messages[0].style, 0);
        QCOMPARE(m_dialogs.messages[0].title, appTitle());
        QCOMPARE(m_list.count(), 1);
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<int>("maxLineBytes");
        QTest::addColumn<int>("maxListRows");
        QTest::addColumn<int>("maxFileBytes");
        QTest::addColumn<QList<QByteArray>>("rows");
        QTest::addColumn<QString>("description");
        using L = QList<QByteArray>;
        const int big = 1 << 30;
        QTest::newRow("NUL byte") << QByteArray("a\r\nb\nc\0d\r\ne", 11) << big << big << big << L{"a", "b"}
                                  << QStringLiteral("Line 3 of \"%1\" holds a NUL byte");
        QTest::newRow("binary") << QByteArray("\x7f"
                                              "ELF\x02\x01\x01\0\0\0",
                                              10)
                                << big << big << big << L{} << QStringLiteral("Line 1 of \"%1\" holds a NUL byte");
        QTest::newRow("line too long") << QByteArray("12345678\r\n123456789\r\nc") << 8 << big << big << L{"12345678"}
                                       << QStringLiteral("Line 2 of \"%1\" is longer than 8 bytes");
        QTest::newRow("unended line too long") << QByteArray("a\n123456789") << 8 << big << big << L{"a"}
                                               << QStringLiteral("Line 2 of \"%1\" is longer than 8 bytes");
        QTest::newRow("list full") << QByteArray("a\nb\nc\nd") << big << 3 << big << L{"a", "b"}
                                   << QStringLiteral("The URL list is full at 3 rows: line 3 of \"%1\"");
        QTest::newRow("file too large") << QByteArray("a\r\nb\r\n") << big << big << 5 << L{}
                                        << QStringLiteral("\"%1\" is larger than 5 bytes");
    }

    // Refused with a description naming the file; rows before stay, and the
    // file is closed again.
    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(int, maxLineBytes);
        QFETCH(int, maxListRows);
        QFETCH(int, maxFileBytes);
        QFETCH(QList<QByteArray>, rows);
        QFETCH(QString, description);
        const QString path = file(bytes);
        const int filesBefore = openFiles();
        for (qsizetype chunk : {qsizetype(1) << 20, qsizetype(1)}) {
            m_list.clear();
            m_list.append(u"kept");
            UrlFileLimits limits{chunk, maxLineBytes, maxFileBytes, maxListRows};
            const QString failure = failureOf(m_list, path, limits);
            QVERIFY2(failure.startsWith(description.arg(path)), qPrintable(failure));
            QCOMPARE(rowsOf(m_list), QList<QByteArray>{"kept"} + rows);
            QCOMPARE(openFiles(), filesBefore);
        }
    }

    void hundredMegabyteLineRefusedEarly()
    {
        const QString path = file("http://first.example/\r\n");
        QFile out(path);
        QVERIFY(out.open(QIODevice::Append));
        const QByteArray block(1 << 20, 'x');
        for (int i = 0; i < 100; ++i)
            QCOMPARE(out.write(block), block.size());
        QCOMPARE(out.write("\r\nhttp://last.example/\r\n"), 24);
        out.close();
        QVERIFY(failureOf(m_list, path).startsWith(QStringLiteral("Line 2 of \"%1\" is longer than 64 KB").arg(path)));
        QCOMPARE(rowsOf(m_list), QList<QByteArray>{"http://first.example/"});
    }

    // None of these may block or be read as a list.
    void folderPipeAndUnreadableFile()
    {
        QCOMPARE(failureOf(m_list, m_dir.path()),
                 QStringLiteral("\"%1\" is a folder, not a text file of URLs.").arg(m_dir.path()));
        const QString pipe = m_dir.filePath(QStringLiteral("pipe"));
        QCOMPARE(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
        QCOMPARE(failureOf(m_list, pipe), QStringLiteral("\"%1\" is not a regular file.").arg(pipe));
        if (geteuid() == 0)
            QSKIP("root reads a file whatever its permissions");
        const QString path = file("a\r\n");
        QVERIFY(QFile::setPermissions(path, QFileDevice::WriteOwner));
        QCOMPARE(failureOf(m_list, path), QStringLiteral("Cannot open \"%1\": Permission denied").arg(path));
        QCOMPARE(m_list.count(), 0);
    }
};

VANDRELL_TEST(TestUrlFileLoader)
#include "test_url_file_loader.moc"
