#include "DesktopDriver.h"

#include <QDeadlineTimer>
#include <QHash>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>

#include <xcb/xcb.h>

#include <cstdlib>
#include <cstring>
#include <memory>
#include <optional>

namespace {
// One `NAME = "value"` line of xprop's output, its escapes undone.
std::optional<QByteArray> xpropString(const QByteArray& output, const QByteArray& name)
{
    const QByteArray start = name + " = \"";
    const qsizetype at = output.startsWith(start) ? 0 : output.indexOf(QByteArray("\n" + start));
    if (at < 0)
        return std::nullopt;
    QByteArray value;
    for (qsizetype i = at + (at == 0 ? 0 : 1) + start.size(); i < output.size(); ++i) {
        const char c = output[i];
        if (c == '"')
            return value;
        if (c != '\\' || i + 1 >= output.size()) {
            value += c;
            continue;
        }
        const char next = output[++i];
        if (next >= '0' && next <= '7' && i + 2 < output.size()) {
            value += char(output.mid(i, 3).toInt(nullptr, 8));
            i += 2;
        } else {
            value += next;
        }
    }
    return std::nullopt;
}

struct FreeDeleter {
    void operator()(void* p) const { std::free(p); }
};
} // namespace

QByteArray DesktopDriver::run(const QString& tool, const QStringList& arguments, bool mustSucceed) const
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    process.setProcessEnvironment(env);
    process.start(tool, arguments);
    const QString call = tool + QLatin1Char(' ') + arguments.join(QLatin1Char(' '));
    if (!process.waitForStarted(5000))
        throw Failure(qPrintable(QStringLiteral("cannot run ") + call + QStringLiteral(": ") + process.errorString()));
    // The test's own servers must go on answering while the tool runs.
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 10000)) {
        process.kill();
        process.waitForFinished(1000);
        throw Failure(qPrintable(call + QStringLiteral(" did not finish within 10 s")));
    }
    if (mustSucceed && (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0))
        throw Failure(
            qPrintable(call + QStringLiteral(" failed: ") + QString::fromLocal8Bit(process.readAllStandardError())));
    return process.readAllStandardOutput();
}

QString DesktopDriver::exactly(const QString& title)
{
    QString pattern = QStringLiteral("^");
    for (QChar c : title) {
        if (QStringLiteral(".[]()*+?{}|^$\\").contains(c))
            pattern += QLatin1Char('\\');
        pattern += c;
    }
    return pattern + QLatin1Char('$');
}

QList<DesktopDriver::Window> DesktopDriver::visibleWindows(const QString& titlePattern) const
{
    const QByteArray out =
        run(QStringLiteral("xdotool"),
            {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--name"), titlePattern}, false);
    QList<Window> windows;
    for (const QByteArray& line : out.split('\n')) {
        bool ok = false;
        const Window id = line.trimmed().toUInt(&ok);
        if (ok)
            windows << id;
    }
    return windows;
}

std::optional<DesktopDriver::Window> DesktopDriver::windowWithin(const QString& titlePattern,
                                                                 const QList<Window>& known, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        for (Window window : visibleWindows(titlePattern)) {
            if (!known.contains(window))
                return window;
        }
        QTest::qWait(20);
    } while (!deadline.hasExpired());
    return std::nullopt;
}

DesktopDriver::Window DesktopDriver::waitForWindow(const QString& titlePattern, const QList<Window>& known,
                                                   int timeoutMs) const
{
    if (const auto window = windowWithin(titlePattern, known, timeoutMs))
        return *window;
    throw Failure(qPrintable(QStringLiteral("no window titled ") + titlePattern + QStringLiteral(" came up within ") +
                             QString::number(timeoutMs / 1000) + QStringLiteral(" s")));
}

void DesktopDriver::waitUntilGone(Window window, int timeoutMs) const
{
    QDeadlineTimer deadline(timeoutMs);
    do {
        const QByteArray info =
            run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), QString::number(window)}, false);
        if (!info.contains("IsViewable"))
            return;
        QTest::qWait(20);
    } while (!deadline.hasExpired());
    throw Failure(qPrintable(QStringLiteral("the window \"") + title(window) +
                             QStringLiteral("\" is still open after ") + QString::number(timeoutMs / 1000) +
                             QStringLiteral(" s")));
}

QString DesktopDriver::title(Window window) const
{
    const QByteArray out =
        run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window), QStringLiteral("-notype"),
                                      QStringLiteral("WM_NAME"), QStringLiteral("_NET_WM_NAME")});
    const auto legacy = xpropString(out, "WM_NAME");
    const auto modern = xpropString(out, "_NET_WM_NAME");
    if (!legacy || !modern || *legacy != *modern)
        throw Failure(
            qPrintable(QStringLiteral("the window's two titles differ: ") + QString::fromUtf8(out.simplified())));
    return QString::fromUtf8(*modern);
}

bool DesktopDriver::hasIcon(Window window) const
{
    const QByteArray out = run(QStringLiteral("xprop"), {QStringLiteral("-id"), QString::number(window),
                                                         QStringLiteral("-notype"), QStringLiteral("_NET_WM_ICON")});
    static const QRegularExpression size(QStringLiteral("Icon \\(([1-9]\\d*) x ([1-9]\\d*)\\)"));
    return size.match(QString::fromUtf8(out)).hasMatch();
}

QRect DesktopDriver::geometry(Window window) const
{
    const QByteArray out = run(QStringLiteral("xdotool"), {QStringLiteral("getwindowgeometry"),
                                                           QStringLiteral("--shell"), QString::number(window)});
    QHash<QByteArray, int> values;
    for (const QByteArray& line : out.split('\n')) {
        const qsizetype equals = line.indexOf('=');
        if (equals > 0)
            values.insert(line.left(equals), line.mid(equals + 1).toInt());
    }
    return QRect(values.value("X"), values.value("Y"), values.value("WIDTH"), values.value("HEIGHT"));
}

QSize DesktopDriver::screenSize() const
{
    const QList<QByteArray> size =
        run(QStringLiteral("xdotool"), {QStringLiteral("getdisplaygeometry")}).trimmed().split(' ');
    return size.size() == 2 ? QSize(size[0].toInt(), size[1].toInt()) : QSize();
}

void DesktopDriver::click(QPoint screenPoint, int count) const
{
    run(QStringLiteral("xdotool"),
        {QStringLiteral("mousemove"), QString::number(screenPoint.x()), QString::number(screenPoint.y()),
         QStringLiteral("click"), QStringLiteral("--repeat"), QString::number(count), QStringLiteral("--delay"),
         QStringLiteral("60"), QStringLiteral("1")});
}

void DesktopDriver::key(const QString& keySym) const
{
    run(QStringLiteral("xdotool"), {QStringLiteral("key"), keySym});
}

void DesktopDriver::type(const QString& text) const
{
    run(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("4"), text});
}

void DesktopDriver::close(Window window) const
{
    // A window manager's close box sends WM_DELETE_WINDOW; xdotool cannot.
    xcb_connection_t* c = xcb_connect(m_display.toLocal8Bit().constData(), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        throw Failure("cannot reach the virtual X server");
    }
    auto atom = [c](const char* name) {
        const std::unique_ptr<xcb_intern_atom_reply_t, FreeDeleter> reply(
            xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, std::uint16_t(std::strlen(name)), name), nullptr));
        return reply ? reply->atom : xcb_atom_t(XCB_NONE);
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = window;
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(c, 0, window, XCB_EVENT_MASK_NO_EVENT, reinterpret_cast<const char*>(&message));
    const std::unique_ptr<xcb_get_input_focus_reply_t, FreeDeleter> roundTrip(
        xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
    xcb_disconnect(c);
}

QByteArray DesktopDriver::clipboard() const
{
    return run(QStringLiteral("xclip"),
               {QStringLiteral("-o"), QStringLiteral("-selection"), QStringLiteral("clipboard"), QStringLiteral("-t"),
                QStringLiteral("UTF8_STRING")});
}

void DesktopDriver::setClipboard(const QByteArray& text) const
{
    QTemporaryFile file;
    if (!file.open() || file.write(text) != text.size() || !file.flush())
        throw Failure("cannot write the clipboard's text to a file");
    run(QStringLiteral("xclip"), {QStringLiteral("-selection"), QStringLiteral("clipboard"), file.fileName()});
}

void DesktopDriver::screenshot(const QString& path) const
{
    run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), path});
}
