// Start-up of the main window against real settings files in a temporary
// folder: first and later starts, stored values good and bad, skin, pointer.

#include "FormFixture.h"
#include "TestFiles.h"
#include "TestRegistry.h"
#include "app/ErrorTrap.h"
#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"
#include "platform/AppTitle.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QGroupBox>
#include <QSettings>
#include <QTest>

namespace {
QString reportAt(const QString& description, int line)
{
    return ErrorTrap::reportText(description, QStringLiteral("Form1.Form_Load"), line);
}

QList<int> boxValues(const Form1& form)
{
    QList<int> values;
    for (const ValueCheckBox* box : form.Check1)
        values << box->value();
    return values;
}

QList<int> ticked(std::initializer_list<int> indices)
{
    QList<int> values(16, 0);
    for (int i : indices)
        values[i] = 1;
    return values;
}

// Settings written straight to the file, as a user or an older version would.
void storeRaw(FormFixture& fixture, const QString& key, const QString& value)
{
    QSettings raw(fixture.settingsFile(), QSettings::IniFormat);
    raw.setValue(QStringLiteral("Vandrell/") + key, value);
    raw.sync();
}

QString readRaw(FormFixture& fixture, const QString& key)
{
    QSettings raw(fixture.settingsFile(), QSettings::IniFormat);
    return raw.value(QStringLiteral("Vandrell/") + key, QStringLiteral("<absent>")).toString();
}

// The colour a control fills its background with.
QColor background(const QWidget* widget)
{
    return widget->autoFillBackground() ? widget->palette().color(widget->backgroundRole()) : QColor();
}

} // namespace

class TestStartup : public QObject {
    Q_OBJECT
private slots:
    void firstStartTicksTenAndEleven()
    {
        FormFixture fixture;
        Form1& form = fixture.loaded();
        QVERIFY2(fixture.dialogs.messages.isEmpty(), qPrintable(fixture.dialogs.texts().join(QLatin1Char('|'))));
        QCOMPARE(readRaw(fixture, QStringLiteral("Loads")), QStringLiteral("1"));
        QCOMPARE(boxValues(form), ticked({5, 6}));
        QCOMPARE(form.Check2->value(), 0);
        QCOMPARE(readRaw(fixture, QStringLiteral("Phone Length5")), QStringLiteral("1"));
        QCOMPARE(readRaw(fixture, QStringLiteral("Phone Length6")), QStringLiteral("1"));
        for (int k : {0, 4, 7, 15})
            QCOMPARE(readRaw(fixture, SettingsKeys::phoneLength(k)), QStringLiteral("<absent>"));
        QCOMPARE(readRaw(fixture, QStringLiteral("Check2")), QStringLiteral("<absent>"));
        QCOMPARE(form.windowTitle(), QStringLiteral("Vandrell"));
        QVERIFY2(!form.windowIcon().availableSizes().isEmpty(), "the icon is not linked into the program");
        QCOMPARE(appTitle(), QStringLiteral("Vandrell"));
        QCOMPARE(form.urlRows()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("URL(s)"));
        QCOMPARE(form.resultRows()->headerData(0, Qt::Horizontal, Qt::DisplayRole).toString(),
                 QStringLiteral("Result(s)"));
        const int dpi = form.logicalDpiX();
        QCOMPARE(form.ListView1->columnWidth(0), 7000 * dpi / 1440);
        QCOMPARE(form.ListView2->columnWidth(0), 7000 * dpi / 1440);
    }

    void laterStartsRestoreTheBoxes()
    {
        FormFixture fixture;
        fixture.loaded();
        Form1& second = fixture.loaded();
        QCOMPARE(readRaw(fixture, QStringLiteral("Loads")), QStringLiteral("2"));
        QCOMPARE(boxValues(second), ticked({5, 6}));

        // The user unticks everything, ticks "20" and the URL option.
        for (ValueCheckBox* box : second.Check1)
            box->setValue(0);
        second.Check1[15]->click();
        second.Check2->click();
        QCOMPARE(readRaw(fixture, QStringLiteral("Phone Length5")), QStringLiteral("0"));
        QCOMPARE(readRaw(fixture, QStringLiteral("Phone Length15")), QStringLiteral("1"));
        QCOMPARE(readRaw(fixture, QStringLiteral("Check2")), QStringLiteral("1"));

        Form1& third = fixture.loaded();
        QCOMPARE(readRaw(fixture, QStringLiteral("Loads")), QStringLiteral("3"));
        QCOMPARE(boxValues(third), ticked({15}));
        QCOMPARE(third.Check2->value(), 1);
        QVERIFY(fixture.dialogs.messages.isEmpty());
    }

    void storedLengthValues_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("report");
        QTest::newRow("1.5 rounds to greyed") << QStringLiteral("1.5") << 2 << QString();
        QTest::newRow("0.5 rounds to unticked") << QStringLiteral("0.5") << 0 << QString();
        QTest::newRow("2.5 rounds to even") << QStringLiteral("2.5") << 2 << QString();
        QTest::newRow("1abc reads as 1") << QStringLiteral("1abc") << 1 << QString();
        QTest::newRow("abc reads as 0") << QStringLiteral("abc") << 0 << QString();
        QTest::newRow("empty reads as 0") << QString() << 0 << QString();
        QTest::newRow("5 is refused") << QStringLiteral("5") << 0 << QStringLiteral("Invalid property value");
        QTest::newRow("-1 is refused") << QStringLiteral("-1") << 0 << QStringLiteral("Invalid property value");
        QTest::newRow("99999 overflows") << QStringLiteral("99999") << 0 << QStringLiteral("Overflow");
    }
    void storedLengthValues()
    {
        QFETCH(QString, stored);
        QFETCH(int, value);
        QFETCH(QString, report);
        FormFixture fixture;
        fixture.loaded();
        storeRaw(fixture, QStringLiteral("Phone Length3"), stored);
        fixture.dialogs.clear();
        Form1& form = fixture.loaded();
        QCOMPARE(form.Check1[3]->value(), value);
        // The boxes after the refused one are still restored.
        QCOMPARE(form.Check1[5]->value(), 1);
        QCOMPARE(form.Check1[6]->value(), 1);
        if (report.isEmpty())
            QVERIFY2(fixture.dialogs.messages.isEmpty(), qPrintable(fixture.dialogs.texts().join(QLatin1Char('|'))));
        else
            QCOMPARE(fixture.dialogs.texts(), QStringList{reportAt(report, 148)});
        // Restoring a box writes its value back only when it changed.
        if (value != 0)
            QCOMPARE(readRaw(fixture, QStringLiteral("Phone Length3")), QString::number(value));
        else
            QCOMPARE(readRaw(fixture, QStringLiteral("Phone Length3")), stored);
    }

    void storedCheck2Values_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("report");
        QTest::newRow("ticked") << QStringLiteral("1") << 1 << QString();
        QTest::newRow("greyed") << QStringLiteral("2") << 2 << QString();
        QTest::newRow("empty is present, not absent") << QString() << 0 << QStringLiteral("Type mismatch");
        QTest::newRow("letters") << QStringLiteral("yes") << 0 << QStringLiteral("Type mismatch");
        QTest::newRow("out of range") << QStringLiteral("5") << 0 << QStringLiteral("Invalid property value");
    }
    void storedCheck2Values()
    {
        QFETCH(QString, stored);
        QFETCH(int, value);
        QFETCH(QString, report);
        FormFixture fixture;
        fixture.loaded();
        storeRaw(fixture, QStringLiteral("Check2"), stored);
        fixture.dialogs.clear();
        Form1& form = fixture.loaded();
        QCOMPARE(form.Check2->value(), value);
        if (report.isEmpty())
            QVERIFY(fixture.dialogs.messages.isEmpty());
        else
            QCOMPARE(fixture.dialogs.texts(), QStringList{reportAt(report, 138)});
    }

    void nonNumericStartCounter()
    {
        FormFixture fixture;
        fixture.loaded();
        storeRaw(fixture, QStringLiteral("Loads"), QStringLiteral("many"));
        storeRaw(fixture, QStringLiteral("Phone Length5"), QStringLiteral("0"));
        fixture.dialogs.clear();
        Form1& form = fixture.loaded();
        QCOMPARE(fixture.dialogs.texts(), QStringList({reportAt(QStringLiteral("Type mismatch"), 116),
                                                       reportAt(QStringLiteral("Type mismatch"), 140)}));
        // The counter stays as stored; the failed test takes the first-start branch.
        QCOMPARE(readRaw(fixture, QStringLiteral("Loads")), QStringLiteral("many"));
        QCOMPARE(boxValues(form), ticked({5, 6}));
    }

    void unreadableSettingsFileNeverStopsStartUp()
    {
        FormFixture fixture;
        const QString path = fixture.settingsFile();
        writeTestFile(path, QByteArray("\x00\xff[[[garbage\n=\n", 15));
        Form1& form = fixture.loaded();
        QCOMPARE(form.windowTitle(), QStringLiteral("Vandrell"));
        QCOMPARE(boxValues(form), ticked({5, 6}));
    }

    void offlineMachineIsWarnedOnce()
    {
        FormFixture fixture(nullptr, FormFixture::Ping::Silent);
        Form1& form = fixture.loaded();
        FormFixture::setPing(FormFixture::Ping::Replies);
        QCOMPARE(fixture.dialogs.texts(),
                 QStringList{QStringLiteral("You must be online to use this software accurately.")});
        QCOMPARE(fixture.dialogs.messages[0].style, 0);
        QCOMPARE(form.windowTitle(), QStringLiteral("Vandrell"));
    }

    void noSkinKeepsWhiteAndNeverCallsTheEngine()
    {
        FormFixture fixture;
        // A folder at the skin path is not a skin.
        QDir(fixture.programFolder()).mkpath(QStringLiteral("x/o.cjs"));
        Form1& form = fixture.loaded();
        QVERIFY(form.SkinFramework1.calls().isEmpty());
        QCOMPARE(background(&form), QColor(Qt::white));
        QCOMPARE(background(form.Frame1), QColor(Qt::white));
        QCOMPARE(background(form.Check1[0]), QColor(Qt::white));
        QCOMPARE(background(form.Check2), QColor(Qt::white));
    }

    void skinIsLoadedAndApplied()
    {
        FormFixture fixture;
        writeTestFile(fixture.programFolder() + QStringLiteral("/x/o.cjs"), "QPushButton { color: #123456; }");
        Form1& form = fixture.loaded();
        QVERIFY(fixture.dialogs.messages.isEmpty());
        QCOMPARE(form.SkinFramework1.calls(),
                 QStringList({QStringLiteral("LoadSkin"), QStringLiteral("Options"), QStringLiteral("ApplyToDialogs"),
                              QStringLiteral("AutoApplyNewWindows"), QStringLiteral("ApplyWindow")}));
        QCOMPARE(form.SkinFramework1.Options() & 1u, 1u);
        QVERIFY(qApp->styleSheet().contains(QLatin1String("#123456")));
        const QColor face = QApplication::palette().color(QPalette::Button);
        QCOMPARE(background(&form), face);
        QCOMPARE(background(form.Frame7), face);
        QCOMPARE(background(form.Check1[15]), face);
        qApp->setStyleSheet(QString());
    }

    void unreadableSkinIsReportedAndColoursStaySwitched()
    {
        FormFixture fixture;
        writeTestFile(fixture.programFolder() + QStringLiteral("/x/o.cjs"), QByteArray("\xff\xfe\x00\x01", 4));
        Form1& form = fixture.loaded();
        QCOMPARE(fixture.dialogs.messages.size(), 1);
        QVERIFY(fixture.dialogs.messages[0].text.contains(QLatin1String("Form1.Form_Load at line 100")));
        QCOMPARE(background(form.Check2), QApplication::palette().color(QPalette::Button));
        // Start-up went on after the failure.
        QCOMPARE(form.windowTitle(), QStringLiteral("Vandrell"));
    }

    void cursorFileBesideTheProgram()
    {
        FormFixture fixture;
        QVERIFY(!fixture.loaded().hasMouseIcon());

        const QString shipped = qEnvironmentVariable("VANDRELL_BUILD_DIR") + QStringLiteral("/HAND-M.CUR");
        QVERIFY2(QFile::exists(shipped), "the build puts the hand pointer beside the program");
        QVERIFY(QFile::copy(shipped, fixture.programFolder() + QStringLiteral("/HAND-M.CUR")));
        Form1& form = fixture.loaded();
        QVERIFY(form.hasMouseIcon());
        QVERIFY(fixture.dialogs.messages.isEmpty());
        form.PushButton_MouseMove();
        QCOMPARE(form.cursor().shape(), Qt::BitmapCursor);

        QFile::remove(fixture.programFolder() + QStringLiteral("/HAND-M.CUR"));
        writeTestFile(fixture.programFolder() + QStringLiteral("/HAND-M.CUR"), "not a cursor");
        fixture.dialogs.clear();
        fixture.loaded();
        QCOMPARE(fixture.dialogs.messages.size(), 1);
        QVERIFY(fixture.dialogs.messages[0].text.contains(QLatin1String("at line 108")));
    }
};

VANDRELL_TEST(TestStartup)
#include "test_startup.moc"
