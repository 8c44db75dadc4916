#pragma once
// A user's hands and eyes on a virtual X server: real pointer and key events
// through xdotool, window titles and icons through xprop, the clipboard
// through xclip, screenshots through ImageMagick's import. Every call lets
// the test's own event loop run while it waits, so servers the test runs
// keep answering the program.
//
// A step that cannot be done throws DesktopDriver::Failure with a message
// that says what was expected.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>
#include <QString>
#include <QStringList>

#include <optional>
#include <stdexcept>

class DesktopDriver final {
public:
    struct Failure : std::runtime_error {
        using std::runtime_error::runtime_error;
    };
    using Window = quint32;

    explicit DesktopDriver(QString display) : m_display(std::move(display)) {}

    // Visible windows whose title matches the (case-insensitive, extended)
    // regular expression.
    QList<Window> visibleWindows(const QString& titlePattern) const;
    // Waits for a visible window with that title that is not in `known`.
    Window waitForWindow(const QString& titlePattern, const QList<Window>& known = {}, int timeoutMs = 10000) const;
    // The same, but the window need not come.
    std::optional<Window> windowWithin(const QString& titlePattern, const QList<Window>& known, int timeoutMs) const;
    void waitUntilGone(Window window, int timeoutMs = 10000) const;
    // The title a window manager would show, from WM_NAME and _NET_WM_NAME;
    // throws when the two differ.
    QString title(Window window) const;
    bool hasIcon(Window window) const;
    QRect geometry(Window window) const;
    QSize screenSize() const;

    void click(QPoint screenPoint, int count = 1) const;
    void key(const QString& keySym) const;
    void type(const QString& text) const;
    // Asks the window to close, as its close box does.
    void close(Window window) const;

    QByteArray clipboard() const;
    void setClipboard(const QByteArray& text) const; // as text/plain, owned by xclip
    void screenshot(const QString& path) const;

    // Regular expression matching exactly this title.
    static QString exactly(const QString& title);

private:
    QByteArray run(const QString& tool, const QStringList& arguments, bool mustSucceed = true) const;

    QString m_display;
};
