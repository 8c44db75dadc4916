#pragma once
// Where the window opens: centred on its screen's available area, the whole
// frame, title bar included, inside it. A window larger than that area (a
// small screen, a large display scale) keeps its top-left corner on screen,
// so the title bar and the first controls stay in reach.

#include <QPoint>
#include <QRect>
#include <QSize>

class QWidget;

// Top-left corner of a frame of that size on that area.
QPoint centredFramePosition(QSize frame, const QRect& available);

// Moves the window there on its screen. The frame is measured as the window
// system has reported it so far.
void placeCentred(QWidget& window);
