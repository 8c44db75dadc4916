#pragma once
// Chromium as a child process, spoken to over the DevTools protocol on a
// pipe (--remote-debugging-pipe: JSON messages ended by a NUL byte, read
// from descriptor 3 and written to descriptor 4, here both ends of one
// socket pair). The browser gets nothing of this process's own: a private
// profile in a temporary folder, removed afterwards; no proxy variables; no
// network, since every request its tabs make is handed to the harvester
// (RequestRelay) and anything else goes to a proxy port that refuses it, with
// its own name look-ups turned off. Run as root, it runs as the unprivileged
// user nobody, its sandbox on; the sandbox is off only when asked for.
// It runs in a session of its own, so a terminal's signals reach the
// harvester alone, and it is killed when the harvester goes.

#include <QByteArray>
#include <QJsonObject>
#include <QLocalSocket>
#include <QObject>
#include <QProcess>
#include <QTemporaryDir>

#include <memory>

class BrowserProcess final : public QObject {
    Q_OBJECT
public:
    struct Settings {
        QString program = defaultProgram();
        bool sandbox = true;
    };

    explicit BrowserProcess(Settings settings);
    ~BrowserProcess() override;
    Q_DISABLE_COPY_MOVE(BrowserProcess)

    // The browser itself, not Debian's /usr/bin/chromium wrapper, which adds
    // switches of its own; VANDRELL_CHROMIUM names another.
    static QString defaultProgram();
    // Why the program cannot be run, or nothing when it can.
    static QString missing(const QString& program);

    // Starts it; the reason when it could not be started.
    QString start();
    // Closes it, waits for it and everything it started, and removes its
    // profile. Sends no signal.
    void stop();
    bool running() const { return m_process.state() != QProcess::NotRunning; }
    void send(const QJsonObject& message);

signals:
    void received(const QJsonObject& message);
    // It went away by itself (crashed, was killed, or failed to start).
    void ended(const QString& reason);

private:
    void readMessages();
    void onEnded();
    QStringList arguments() const;

    const Settings m_settings;
    QProcess m_process;
    QLocalSocket m_channel;
    std::unique_ptr<QTemporaryDir> m_profile;
    int m_deadProxy = -1; // a port bound and never listened on
    quint16 m_deadProxyPort = 0;
    QByteArray m_input;
    QByteArray m_errorTail; // the end of what it wrote on standard error
    bool m_stopping = false;
    bool m_endReported = false;
};
