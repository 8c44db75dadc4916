#include "WindowPlacement.h"

#include <QScreen>
#include <QWidget>

namespace {
int centredStart(int areaStart, int areaLength, int length)
{
    return length >= areaLength ? areaStart : areaStart + (areaLength - length) / 2;
}
} // namespace

QPoint centredFramePosition(QSize frame, const QRect& available)
{
    return {centredStart(available.left(), available.width(), frame.width()),
            centredStart(available.top(), available.height(), frame.height())};
}

void placeCentred(QWidget& window)
{
    if (const QScreen* screen = window.screen())
        // A window's position is that of its frame.
        window.move(centredFramePosition(window.frameGeometry().size(), screen->availableGeometry()));
}
