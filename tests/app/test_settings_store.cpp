// The settings store on real files: each write judged by whether the value
// reached the disk, whatever went wrong before, and a value that did not
// reach it never read back as stored.

#include "TestFiles.h"
#include "TestRegistry.h"
#include "app/SettingsStore.h"
#include "core/AppError.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

namespace {
enum Folder { Writable, ReadOnly, TakenByAFile };

// What the file on disk holds, read from a copy so that nothing this process
// keeps in memory for the file can answer instead.
QString onDisk(const QString& file, const QString& key)
{
    static int copies = 0;
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy%1.ini").arg(++copies));
    if (!QFile::copy(file, copy))
        return QStringLiteral("<no file>");
    return QSettings(copy, QSettings::IniFormat)
        .value(QStringLiteral("Vandrell/") + key, QStringLiteral("<absent>"))
        .toString();
}
} // namespace

class TestSettingsStore : public QObject {
    Q_OBJECT
private slots:
    void eachWriteJudgedByItsOutcome_data()
    {
        QTest::addColumn<QByteArray>("file"); // null: no file yet
        QTest::addColumn<int>("folder");
        QTest::addColumn<bool>("stored");
        QTest::newRow("no file yet") << QByteArray() << int(Writable) << true;
        QTest::newRow("stray section line") << QByteArray("[Vandrell\n[Vandrell]\nCheck2=1\n") << int(Writable) << true;
        QTest::newRow("unreadable bytes")
            << QByteArray("\x00\xff[[[x\n=\n[Vandrell]\nCheck2=1\n", 24) << int(Writable) << true;
        QTest::newRow("read-only folder") << QByteArray("[Vandrell]\nCheck2=1\n") << int(ReadOnly) << false;
        QTest::newRow("folder taken by a file") << QByteArray() << int(TakenByAFile) << false;
    }
    void eachWriteJudgedByItsOutcome()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, folder);
        QFETCH(bool, stored);
        QTemporaryDir root;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, root.path());
        const QString korrim = root.filePath(QStringLiteral("Korrim"));
        const QString path = korrim + QStringLiteral("/Korrim.ini");
        if (!file.isNull())
            writeTestFile(path, file);
        if (folder == TakenByAFile)
            writeTestFile(korrim, "not a folder");
        if (folder == ReadOnly) {
            QVERIFY(QFile::setPermissions(korrim, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            QFile probe(korrim + QStringLiteral("/probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                QFile::setPermissions(korrim, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
                QSKIP("this user writes into read-only folders (root)");
            }
        }

        const QString key = SettingsKeys::check2;
        const QString before = onDisk(path, key);
        {
            SettingsStore store;
            for (const QString& value : {QStringLiteral("0"), QStringLiteral("2"), QStringLiteral("")}) {
                bool refused = false;
                try {
                    store.write(key, value);
                } catch (const AppError& error) {
                    refused = true;
                    QVERIFY(
                        error.description().startsWith(QStringLiteral("The setting \"Check2\" could not be saved")));
                }
                QCOMPARE(refused, !stored);
                const QString expected = stored ? value : before;
                QCOMPARE(onDisk(path, key), expected);
                QCOMPARE(store.read(key, QStringLiteral("<absent>")),
                         expected == QLatin1String("<no file>") ? QStringLiteral("<absent>") : expected);
            }
        }
        // A later start reads what the disk holds.
        SettingsStore again;
        const QString last = stored ? QString() : before;
        QCOMPARE(again.read(key, QStringLiteral("<absent>")),
                 last == QLatin1String("<no file>") ? QStringLiteral("<absent>") : last);
        QFile::setPermissions(korrim, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    }
};

VANDRELL_TEST(TestSettingsStore)
#include "test_settings_store.moc"
