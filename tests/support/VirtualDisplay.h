#pragma once
// A virtual X server (Xvfb) of our own on a free display number, for
// starting the real program in tests and benchmarks.

#include "PingStandIn.h"

#include <QProcess>
#include <QString>

#include <optional>

class VirtualDisplay final {
public:
    VirtualDisplay();
    ~VirtualDisplay();

    bool isRunning() const { return !m_display.isEmpty(); }
    const QString& display() const { return m_display; }

    // The environment to start the program in: this display, settings under
    // configFolder, and a `ping` stand-in that answers at once.
    QProcessEnvironment programEnvironment(const QString& configFolder, PingAnswer ping = PingAnswer::Replies) const;

    // Size of the window with this title, once it is mapped.
    std::optional<QSize> windowSize(const QString& title) const;

private:
    QProcess m_server;
    QString m_display;
};
