// The real program on a virtual X server, used as a person would: pointer
// clicks and key presses on its window and on the real boxes and file
// dialogs, pages from a local HTTP server, a clipboard manager, settings in
// a temporary folder. Clicks go where the window's own layout puts each
// control: the same window is built offscreen here and its controls'
// geometry read. A screenshot of each step goes to <build>/e2e/.

#include "DesktopDriver.h"
#include "FormFixture.h"
#include "PageServer.h"
#include "TestRegistry.h"
#include "VirtualDisplay.h"

#include "app/ReportListView.h"
#include "app/RowListModel.h"
#include "app/ValueCheckBox.h"

#include <QDir>
#include <QFile>
#include <QPushButton>
#include <QSettings>
#include <QStyleOptionButton>
#include <QStyleOptionViewItem>
#include <QTemporaryDir>
#include <QTest>

namespace {
using Window = DesktopDriver::Window;
using Failure = DesktopDriver::Failure;

const QString mainTitle = QStringLiteral("Vandrell");

void require(bool condition, const QString& what)
{
    if (!condition)
        throw Failure(what.toStdString());
}

QString shown(const QByteArray& bytes)
{
    QString text;
    for (char c : bytes) {
        if (c == '\r')
            text += QLatin1String("\\r");
        else if (c == '\n')
            text += QLatin1String("\\n");
        else
            text += QLatin1Char(c);
    }
    return QLatin1Char('"') + text + QLatin1Char('"');
}

void requireBytes(const QByteArray& actual, const QByteArray& expected, const QString& what)
{
    require(actual == expected,
            what + QStringLiteral(" holds ") + shown(actual) + QStringLiteral(" instead of ") + shown(expected));
}

QByteArray fileBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<no such file>");
}

// The program writes the file once its dialog has closed: give it a moment.
void requireFile(const QString& path, const QByteArray& expected, const QString& what)
{
    if (!QTest::qWaitFor([&] { return fileBytes(path) == expected; }, 5000))
        requireBytes(fileBytes(path), expected, what);
}

// Where the window's controls sit, in the window's own coordinates: the same
// window, built offscreen at the same DPI, and asked.
class WindowLayout final {
public:
    WindowLayout()
    {
        Form1& form = m_fixture.loaded();
        form.show();
        require(QTest::qWaitForWindowExposed(&form), QStringLiteral("the window built offscreen was never shown"));
    }

    const Form1& form() const { return *m_fixture.form; }
    QSize size() const { return form().size(); }

    QPoint centre(const QWidget* control) const { return control->mapTo(&form(), control->rect().center()); }

    QPoint tickBox(const ValueCheckBox* box) const
    {
        QStyleOptionButton option;
        option.initFrom(box);
        option.text = box->text();
        const QRect indicator = box->style()->subElementRect(QStyle::SE_CheckBoxIndicator, &option, box);
        return box->mapTo(&form(), indicator.center());
    }

    // The middle of a row's text (row from 1).
    QPoint row(ReportListView* list, int row) const
    {
        return list->viewport()->mapTo(&form(), rowRect(list, row).center());
    }

    // The tick of a row of the results list.
    QPoint rowTick(ReportListView* list, int row) const
    {
        QStyleOptionViewItem option;
        option.initFrom(list->viewport());
        option.rect = rowRect(list, row);
        option.features = QStyleOptionViewItem::HasCheckIndicator | QStyleOptionViewItem::HasDisplay;
        option.font = list->font();
        option.text = list->rows()->text(row);
        option.displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
        const QRect tick = list->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, list);
        return list->viewport()->mapTo(&form(), tick.center());
    }

private:
    QRect rowRect(ReportListView* list, int row) const
    {
        RowListModel* rows = list->rows();
        while (rows->count() < row)
            rows->append(u"0000000000");
        rows->flushAppends();
        QCoreApplication::processEvents();
        return list->visualRect(rows->index(row - 1, 0));
    }

    FormFixture m_fixture;
};

// The program started on the display, with its main window found.
struct Program {
    QProcess process;
    Window window = 0;
    QPoint origin;
};
} // namespace

class TestRealWindow : public QObject {
    Q_OBJECT
private:
    VirtualDisplay m_display;
    DesktopDriver m_desk{m_display.display()};
    PageServer m_server;
    QProcess m_clipboardManager;
    std::unique_ptr<WindowLayout> m_layout;
    QTemporaryDir m_files;
    QString m_shots;
    QString m_step;
    int m_stepNumber = 0;

    const Form1& layout() const { return m_layout->form(); }

    void step(const QString& name)
    {
        m_step = name;
        ++m_stepNumber;
    }
    void screenshot(const QString& suffix = {})
    {
        QString name = QStringLiteral("%1-%2%3.png").arg(m_stepNumber, 2, 10, QLatin1Char('0')).arg(m_step, suffix);
        name.replace(QLatin1Char(' '), QLatin1Char('-'));
        m_desk.screenshot(QDir(m_shots).filePath(name));
    }
    QString failureReport(const Failure& failure, Program* program)
    {
        QString report =
            QStringLiteral("step \"") + m_step + QStringLiteral("\": ") + QString::fromStdString(failure.what());
        try {
            screenshot(QStringLiteral("-failed"));
        } catch (const Failure&) {
        }
        if (program)
            report += QStringLiteral("\nprogram output: ") + QString::fromLocal8Bit(program->process.readAll());
        return report;
    }

    QString url(const char* path) const { return m_server.url(QString::fromLatin1(path)); }

    // The program, or a command that starts it (given its path last).
    void start(Program& program, const QString& config, PingAnswer ping = PingAnswer::Replies, QStringList command = {})
    {
        program.process.setProcessEnvironment(m_display.programEnvironment(config, ping));
        program.process.setProcessChannelMode(QProcess::MergedChannels);
        command << qEnvironmentVariable("VANDRELL_BUILD_DIR") + QStringLiteral("/vandrell");
        program.process.start(command.takeFirst(), command);
        require(program.process.waitForStarted(5000),
                QStringLiteral("the program did not start: ") + program.process.errorString());
    }

    void findMainWindow(Program& program)
    {
        program.window = m_desk.waitForWindow(QStringLiteral("^(Vandrell|Application Error)$"));
        require(m_desk.title(program.window) == mainTitle, QStringLiteral("start-up reported an error"));
        const QRect frame = m_desk.geometry(program.window);
        require(frame.size() == m_layout->size(),
                QStringLiteral("the window is %1x%2 but its layout read offscreen is %3x%4: the two disagree on the "
                               "screen's DPI")
                    .arg(frame.width())
                    .arg(frame.height())
                    .arg(m_layout->size().width())
                    .arg(m_layout->size().height()));
        program.origin = frame.topLeft();
        requireTitleAndIcon(program.window, mainTitle);
    }

    void requireTitleAndIcon(Window window, const QString& title)
    {
        const QString actual = m_desk.title(window);
        require(actual == title, QStringLiteral("a window is titled \"") + actual + QStringLiteral("\" instead of \"") +
                                     title + QStringLiteral("\""));
        require(m_desk.hasIcon(window), QStringLiteral("the window \"") + title + QStringLiteral("\" has no icon"));
    }

    void click(const Program& program, QPoint inWindow, int count = 1)
    {
        m_desk.click(program.origin + inWindow, count);
    }
    void press(const Program& program, const QPushButton* button) { click(program, m_layout->centre(button)); }

    // A box or dialog over the window, checked for its title and icon.
    Window expectBox(const Program& program, const QString& title)
    {
        const Window box = m_desk.waitForWindow(DesktopDriver::exactly(title), {program.window});
        requireTitleAndIcon(box, title);
        return box;
    }
    void answer(Window box, const QString& keySym)
    {
        m_desk.key(keySym);
        m_desk.waitUntilGone(box);
    }
    void typeInto(Window box, const QString& text)
    {
        m_desk.type(text);
        answer(box, QStringLiteral("Return"));
    }

    // Presses "Start Extracting Phone Numbers" and waits for the run's box.
    void runAndAnswer(const Program& program)
    {
        press(program, layout().PushButton7);
        const Window box = m_desk.waitForWindow(QStringLiteral("^(Vandrell|Application Error)$"), {program.window});
        requireTitleAndIcon(box, mainTitle);
        screenshot();
        answer(box, QStringLiteral("Return"));
    }

    void save(const Program& program, const QPushButton* button, const QString& path, bool overwrite)
    {
        press(program, button);
        const Window dialog = expectBox(program, QStringLiteral("Save"));
        m_desk.type(path);
        m_desk.key(QStringLiteral("Return"));
        if (overwrite) {
            const Window question = expectBox(program, mainTitle);
            answer(question, QStringLiteral("y"));
        }
        m_desk.waitUntilGone(dialog);
    }

    void copy(const Program& program)
    {
        press(program, layout().PushButton2);
        answer(expectBox(program, mainTitle), QStringLiteral("Return"));
    }

    void endsWithin(Program& program, int ms, const QString& what)
    {
        require(QTest::qWaitFor([&] { return program.process.state() == QProcess::NotRunning; }, ms),
                QStringLiteral("the program was still running ") + QString::number(ms) + QStringLiteral(" ms after ") +
                    what);
        require(program.process.exitStatus() == QProcess::NormalExit && program.process.exitCode() == 0,
                QStringLiteral("the program ended with code ") + QString::number(program.process.exitCode()));
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_display.isRunning(), "no virtual X server (Xvfb) could be started");
        m_shots = qEnvironmentVariable("VANDRELL_BUILD_DIR") + QStringLiteral("/e2e");
        QDir(m_shots).removeRecursively();
        QVERIFY(QDir().mkpath(m_shots));

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display.display());
        m_clipboardManager.setProcessEnvironment(env);
        m_clipboardManager.start(qEnvironmentVariable("VANDRELL_BUILD_DIR") +
                                     QStringLiteral("/tests/clipboard_manager_stand_in"),
                                 QStringList());
        QVERIFY2(QTest::qWaitFor([&] { return m_clipboardManager.canReadLine(); }, 5000),
                 "the clipboard manager did not start");
        QCOMPARE(m_clipboardManager.readLine(), QByteArray("ready\n"));

        m_server.route(QStringLiteral("/a"), PageServer::page("Call 555-1234 or (555) 123-4567."));
        m_server.route(QStringLiteral("/b"), PageServer::page("Fax 12345678, tel 555-9876."));
        m_server.route(QStringLiteral("/c"), PageServer::page("Office 020 7946 0018 and 98765"));
        // One number of each length from 5 to 20 digits.
        QByteArray all;
        for (int length = 5; length <= 20; ++length)
            all += "x" + QByteArray("98765432109876543210").left(length);
        m_server.route(QStringLiteral("/all"), PageServer::page(all));
        // /hang is the server's own: it never answers.

        m_layout = std::make_unique<WindowLayout>();
    }

    void cleanupTestCase()
    {
        m_clipboardManager.terminate();
        m_clipboardManager.waitForFinished(3000);
    }

    void startupBoxOpensCentred()
    {
        QTemporaryDir config;
        Program program;
        try {
            step(QStringLiteral("offline warning"));
            start(program, config.path(), PingAnswer::Silent);
            const Window box = m_desk.waitForWindow(DesktopDriver::exactly(mainTitle));
            requireTitleAndIcon(box, mainTitle);
            const QRect frame = m_desk.geometry(box);
            const QPoint middle = QRect(QPoint(0, 0), m_desk.screenSize()).center();
            require((frame.center() - middle).manhattanLength() < 80,
                    QStringLiteral("the box opens at %1,%2, not over the middle of the screen")
                        .arg(frame.x())
                        .arg(frame.y()));
            screenshot();
            answer(box, QStringLiteral("Return"));
            findMainWindow(program);
            m_desk.close(program.window);
            endsWithin(program, 5000, QStringLiteral("its window was closed"));
        } catch (const Failure& failure) {
            program.process.kill();
            program.process.waitForFinished(3000);
            QFAIL(qPrintable(failureReport(failure, &program)));
        }
    }

    void aDaysWork()
    {
        QTemporaryDir config;
        const QString urlFile = m_files.filePath(QStringLiteral("urls.txt"));
        QFile urls(urlFile);
        QVERIFY(urls.open(QIODevice::WriteOnly));
        urls.write((url("/b") + QStringLiteral("\r\n") + url("/c") + QStringLiteral("\r\n")).toUtf8());
        urls.close();
        const QString csvFile = m_files.filePath(QStringLiteral("results.csv"));
        QFile csv(csvFile);
        QVERIFY(csv.open(QIODevice::WriteOnly));
        csv.write("an older file, longer than what replaces it\r\n");
        csv.close();

        const QByteArray a = url("/a").toUtf8() + " - ";
        const QByteArray b = url("/b").toUtf8() + " - ";
        const QByteArray c = url("/c").toUtf8() + " - ";
        const QByteArray copied = a + "5551234\r\n" + c + "02079460018\r\n";

        Program first;
        try {
            step(QStringLiteral("first start"));
            start(first, config.path());
            findMainWindow(first);
            screenshot();

            step(QStringLiteral("add a URL"));
            press(first, layout().PushButton5);
            typeInto(expectBox(first, mainTitle), url("/a"));
            screenshot();

            step(QStringLiteral("load a URL file"));
            press(first, layout().PushButton13);
            typeInto(expectBox(first, QStringLiteral("Add File(s) - Use Ctrl & Shift to select multiple files")),
                     urlFile);
            screenshot();

            step(QStringLiteral("tick and untick options"));
            // The first start ticked 10 and 11; keep 7, 8 and 11, and the URL.
            for (int k : {15, 2, 3, 5, 15})
                click(first, m_layout->tickBox(layout().Check1[std::size_t(k)]));
            click(first, m_layout->tickBox(layout().Check2));
            // Each click stores its box at once.
            auto storedMismatch = [&]() -> QString {
                const QSettings stored(config.filePath(QStringLiteral("Korrim/Korrim.ini")), QSettings::IniFormat);
                for (int k = 0; k < 16; ++k) {
                    const QString expected = QString::number(k == 2 || k == 3 || k == 6 ? 1 : 0);
                    const QString value = stored.value(QStringLiteral("Vandrell/Phone Length%1").arg(k), 0).toString();
                    if (value != expected)
                        return QStringLiteral("Phone Length%1 is stored as \"%2\"").arg(k).arg(value);
                }
                if (stored.value(QStringLiteral("Vandrell/Check2")).toString() != QLatin1String("1"))
                    return QStringLiteral("\"Include URL In Results\" is not stored as ticked");
                return {};
            };
            if (!QTest::qWaitFor([&] { return storedMismatch().isEmpty(); }, 5000))
                require(false, storedMismatch());
            screenshot();

            step(QStringLiteral("run until Done"));
            runAndAnswer(first);
            require(m_server.requestsFor(QStringLiteral("/a")) == 1 &&
                        m_server.requestsFor(QStringLiteral("/b")) == 1 &&
                        m_server.requestsFor(QStringLiteral("/c")) == 1,
                    QStringLiteral("the run did not fetch each of the three pages once"));

            step(QStringLiteral("tick rows and copy"));
            // A click on a tick leaves the selection alone; space ticks the selected row.
            click(first, m_layout->rowTick(layout().ListView2, 1));
            click(first, m_layout->rowTick(layout().ListView2, 2));
            click(first, m_layout->row(layout().ListView2, 2));
            m_desk.key(QStringLiteral("space")); // unticks row 2 again
            click(first, m_layout->row(layout().ListView2, 4));
            m_desk.key(QStringLiteral("space"));
            screenshot();
            copy(first);
            requireBytes(m_desk.clipboard(), copied, QStringLiteral("the clipboard"));

            step(QStringLiteral("save both files"));
            const QString textFile = m_files.filePath(QStringLiteral("results.txt"));
            save(first, layout().PushButton6, textFile, false);
            save(first, layout().PushButton1, csvFile, true);
            const QByteArray rows[] = {a + "5551234", b + "12345678", b + "5559876", c + "02079460018"};
            requireFile(textFile, rows[0] + "\r\n" + rows[1] + "\r\n" + rows[2] + "\r\n" + rows[3] + "\r\n",
                        QStringLiteral("the text file"));
            requireFile(csvFile, rows[0] + "," + rows[1] + "," + rows[2] + "," + rows[3] + ",\r\n",
                        QStringLiteral("the comma-delimited file"));
            screenshot();

            step(QStringLiteral("remove results"));
            // A full stop is no Delete key; Delete and a double-click each remove the row they meet.
            click(first, m_layout->row(layout().ListView2, 2));
            m_desk.key(QStringLiteral("period"));
            m_desk.key(QStringLiteral("Delete"));
            click(first, m_layout->row(layout().ListView2, 1), 2);
            const QString afterFile = m_files.filePath(QStringLiteral("after.txt"));
            save(first, layout().PushButton6, afterFile, false);
            requireFile(afterFile, rows[2] + "\r\n" + rows[3] + "\r\n",
                        QStringLiteral("the results list saved after a full stop, Delete and a double-click"));
            screenshot();

            step(QStringLiteral("remove a URL"));
            click(first, m_layout->row(layout().ListView1, 1));
            m_desk.key(QStringLiteral("period"));
            m_desk.key(QStringLiteral("Delete"));
            press(first, layout().PushButton9);
            runAndAnswer(first);
            require(m_server.requestsFor(QStringLiteral("/a")) == 1 &&
                        m_server.requestsFor(QStringLiteral("/b")) == 2 &&
                        m_server.requestsFor(QStringLiteral("/c")) == 2,
                    QStringLiteral("after a full stop and Delete on its first row, the URL list did not hold the "
                                   "file's two URLs"));

            step(QStringLiteral("clear both lists"));
            press(first, layout().PushButton11);
            press(first, layout().PushButton9);
            runAndAnswer(first); // "No URLs added."
            require(m_server.requestsFor(QStringLiteral("/b")) == 2,
                    QStringLiteral("the cleared URL list was fetched"));
            const QString emptyFile = m_files.filePath(QStringLiteral("empty.txt"));
            save(first, layout().PushButton6, emptyFile, false);
            requireFile(emptyFile, QByteArray(), QStringLiteral("the cleared results list's file"));

            step(QStringLiteral("a failed save"));
            press(first, layout().PushButton6);
            typeInto(expectBox(first, QStringLiteral("Save")), m_files.filePath(QStringLiteral("no folder/x.txt")));
            // One report per failing step; the command has ended when no further one comes.
            for (std::optional<Window> report = expectBox(first, QStringLiteral("Application Error")); report;
                 report = m_desk.windowWithin(DesktopDriver::exactly(QStringLiteral("Application Error")), {}, 500)) {
                requireTitleAndIcon(*report, QStringLiteral("Application Error"));
                screenshot();
                answer(*report, QStringLiteral("Return"));
            }

            step(QStringLiteral("close"));
            m_desk.close(first.window);
            endsWithin(first, 8000, QStringLiteral("its window was closed"));
            requireBytes(m_desk.clipboard(), copied, QStringLiteral("the clipboard, after the program ended,"));
            screenshot();
        } catch (const Failure& failure) {
            first.process.kill();
            first.process.waitForFinished(3000);
            QFAIL(qPrintable(failureReport(failure, &first)));
        }

        Program second;
        try {
            step(QStringLiteral("second start"));
            start(second, config.path());
            findMainWindow(second);
            press(second, layout().PushButton5);
            typeInto(expectBox(second, mainTitle), url("/all"));
            runAndAnswer(second);
            const QString secondFile = m_files.filePath(QStringLiteral("second.txt"));
            save(second, layout().PushButton6, secondFile, false);
            const QByteArray all = url("/all").toUtf8() + " - ";
            requireFile(secondFile, all + "9876543\r\n" + all + "98765432\r\n" + all + "98765432109\r\n",
                        QStringLiteral("a run with the options of the first start"));
            screenshot();

            step(QStringLiteral("close during a run"));
            click(second, m_layout->rowTick(layout().ListView2, 1));
            copy(second);
            press(second, layout().PushButton5);
            typeInto(expectBox(second, mainTitle), url("/hang"));
            press(second, layout().PushButton7);
            require(QTest::qWaitFor([&] { return m_server.requestsFor(QStringLiteral("/hang")) == 1; }, 10000),
                    QStringLiteral("the run did not reach the page that never answers"));
            screenshot();
            m_desk.close(second.window);
            endsWithin(second, 5000, QStringLiteral("its window was closed during a run"));
            requireBytes(m_desk.clipboard(), all + "9876543\r\n",
                         QStringLiteral("the clipboard, after the program ended,"));
        } catch (const Failure& failure) {
            second.process.kill();
            second.process.waitForFinished(3000);
            QFAIL(qPrintable(failureReport(failure, &second)));
        }
    }

    void frameOnScreenAtScaleTwo()
    {
        QTemporaryDir config;
        Program program;
        start(program, config.path(), PingAnswer::Replies,
              {QStringLiteral("env"), QStringLiteral("QT_SCALE_FACTOR=2")});
        const QRect frame = m_desk.geometry(m_desk.waitForWindow(DesktopDriver::exactly(mainTitle)));
        program.process.kill();
        QVERIFY2(frame.top() >= 0 && frame.left() >= 0 && frame.right() < 1280 &&
                     (frame.bottom() < 1024 || frame.top() == 0),
                 qPrintable(QStringLiteral("frame at %1,%2").arg(frame.x()).arg(frame.y())));
        program.process.waitForFinished(3000);
    }

    // Keys only, read through the AT-SPI bridge (its probe starts the program), and a close mid-run.
    void byKeyboardAndScreenReader()
    {
        QTemporaryDir config;
        PageServer pages;
        Program program;
        auto read = [&](const char* expected) { // the probe's answers begin with "="
            program.process.write("?\n");
            QByteArray line;
            while (!line.startsWith('=') && QTest::qWaitFor([&] { return program.process.canReadLine(); }, 10000))
                line = program.process.readLine();
            require(line.trimmed() == expected, QStringLiteral("the screen reader reads ") + QString::fromUtf8(line));
        };
        const QString a = QStringLiteral("/num/1111111111"), b = QStringLiteral("/num/2222222222"),
                      c = QStringLiteral("/num/3333333333"), slow = QStringLiteral("/num/4444444444?delay=60000");
        try {
            step(QStringLiteral("keys"));
            start(program, config.path(), PingAnswer::Replies,
                  {QStringLiteral("env"), QStringLiteral("QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1"),
                   QStringLiteral("dbus-run-session"), QStringLiteral("--"), QStringLiteral("/usr/bin/python3"),
                   QString::fromUtf8(VANDRELL_ATSPI_PROBE)});
            read("= URL(s)|Result(s)");
            findMainWindow(program);
            click(program, m_layout->centre(layout().ListView1));
            m_desk.setClipboard(" " + pages.url(a).toUtf8() + " \r\n\r\n" + pages.url(b).toUtf8() + "\n");
            // Back in by Shift+Tab, the first row is current and Delete removes it; Tab leaves the list for "Add
            // One URL To List", and Return presses it.
            for (const char* key : {"ctrl+v", "Tab", "shift+Tab", "Delete", "Tab", "Return"})
                m_desk.key(QString::fromLatin1(key));
            typeInto(expectBox(program, mainTitle), pages.url(c));
            click(program, QPoint(2, 2)); // no window manager gives the window back its keys
            m_desk.key(QStringLiteral("F5"));
            answer(expectBox(program, mainTitle), QStringLiteral("Return"));
            require(pages.requestsFor(a) == 0 && pages.requestsFor(b) == 1 && pages.requestsFor(c) == 1,
                    QStringLiteral("the run did not fetch the pasted and typed URLs but the deleted one"));
            for (const auto& [key, title] :
                 {std::pair("ctrl+s", "Save"),
                  std::pair("ctrl+o", "Add File(s) - Use Ctrl & Shift to select multiple files")}) {
                click(program, QPoint(2, 2));
                m_desk.key(QString::fromLatin1(key));
                answer(expectBox(program, QString::fromLatin1(title)), QStringLiteral("Escape"));
            }
            step(QStringLiteral("screen reader"));
            read("= URL(s)|Result(s) check box not checked");
            click(program, m_layout->row(layout().ListView2, 1));
            m_desk.key(QStringLiteral("space"));
            read("= URL(s)|Result(s) check box checked announced");
            step(QStringLiteral("gone within 0.2 s of a close mid-run"));
            m_desk.setClipboard(pages.url(slow).toUtf8());
            click(program, m_layout->row(layout().ListView1, 1));
            m_desk.key(QStringLiteral("ctrl+v"));
            m_desk.key(QStringLiteral("F5"));
            require(QTest::qWaitFor([&] { return pages.requestsFor(slow) == 1; }, 10000), QStringLiteral("no run"));
            m_desk.close(program.window);
            endsWithin(program, 30000, QStringLiteral("its window was closed during a run"));
            require(QTest::qWaitFor([&] { return pages.events().last().kind == QLatin1String("aborted"); }, 5000),
                    QStringLiteral("the program waited for the page in flight"));
        } catch (const Failure& failure) {
            program.process.kill();
            QFAIL(qPrintable(failureReport(failure, &program)));
        }
    }
};

VANDRELL_TEST(TestRealWindow)
#include "test_real_window.moc"
