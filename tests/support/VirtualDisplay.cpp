#include "VirtualDisplay.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QSize>

VirtualDisplay::VirtualDisplay()
{
    // Xvfb picks a free display itself and prints its number once it accepts
    // clients. Without -noreset it resets whenever its last client leaves and
    // refuses connections meanwhile, which a quick succession of clients hits.
    // Nobody reads its complaints; a full pipe would stall the server.
    m_server.setStandardErrorFile(QProcess::nullDevice());
    m_server.start(QStringLiteral("Xvfb"),
                   {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-noreset"),
                    QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                    QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    if (!m_server.waitForStarted(5000))
        return;
    QElapsedTimer clock;
    clock.start();
    QByteArray number;
    while (!number.endsWith('\n') && clock.elapsed() < 10000 && m_server.state() == QProcess::Running) {
        m_server.waitForReadyRead(100);
        number += m_server.readAllStandardOutput();
    }
    bool ok = false;
    const int display = number.trimmed().toInt(&ok);
    if (ok)
        m_display = QStringLiteral(":") + QString::number(display);
}

VirtualDisplay::~VirtualDisplay()
{
    m_server.terminate();
    m_server.waitForFinished(3000);
}

QProcessEnvironment VirtualDisplay::programEnvironment(const QString& configFolder, PingAnswer ping) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), m_display);
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configFolder);
    env.insert(QStringLiteral("PATH"), pingStandInFolder(ping) + QLatin1Char(':') + env.value(QStringLiteral("PATH")));
    return env;
}

std::optional<QSize> VirtualDisplay::windowSize(const QString& title) const
{
    QProcess xwininfo;
    xwininfo.start(QStringLiteral("xwininfo"), {QStringLiteral("-display"), m_display, QStringLiteral("-name"), title});
    if (!xwininfo.waitForFinished(5000) || xwininfo.exitCode() != 0)
        return std::nullopt;
    const QString out = QString::fromLocal8Bit(xwininfo.readAllStandardOutput());
    const auto width = QRegularExpression(QStringLiteral("Width: (\\d+)")).match(out);
    const auto height = QRegularExpression(QStringLiteral("Height: (\\d+)")).match(out);
    const auto mapped = QRegularExpression(QStringLiteral("Map State: IsViewable")).match(out);
    if (!width.hasMatch() || !height.hasMatch() || !mapped.hasMatch())
        return std::nullopt;
    return QSize(width.captured(1).toInt(), height.captured(1).toInt());
}
