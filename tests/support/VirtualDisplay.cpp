#include "VirtualDisplay.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRegularExpression>
#include <QSize>
#include <QThread>

VirtualDisplay::VirtualDisplay()
{
    for (int n = 90; n < 140 && m_display.isEmpty(); ++n) {
        const QString socket = QStringLiteral("/tmp/.X11-unix/X%1").arg(n);
        if (QFile::exists(socket) || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            continue;
        m_server.start(QStringLiteral("Xvfb"),
                       {QStringLiteral(":%1").arg(n), QStringLiteral("-screen"), QStringLiteral("0"),
                        QStringLiteral("1280x1024x24"), QStringLiteral("-nolisten"), QStringLiteral("tcp")});
        if (!m_server.waitForStarted(5000))
            return;
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 5000 && m_server.state() == QProcess::Running && !QFile::exists(socket))
            QThread::msleep(10);
        if (m_server.state() == QProcess::Running && QFile::exists(socket))
            m_display = QStringLiteral(":%1").arg(n);
    }
}

VirtualDisplay::~VirtualDisplay()
{
    m_server.terminate();
    m_server.waitForFinished(3000);
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
