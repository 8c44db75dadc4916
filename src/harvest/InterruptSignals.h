#pragma once
// SIGINT and SIGTERM as an event: the first one is handed to the event loop
// (interrupted()), so the run can stop asking and write what it has; a second
// one ends the process at once, with the shell's status for that signal.

#include <QObject>

class QSocketNotifier;

class InterruptSignals final : public QObject {
    Q_OBJECT
public:
    InterruptSignals();
    ~InterruptSignals() override;
    Q_DISABLE_COPY_MOVE(InterruptSignals)

signals:
    void interrupted(int signal);

private:
    QSocketNotifier* m_notifier = nullptr;
};
