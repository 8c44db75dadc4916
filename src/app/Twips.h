#pragma once
// Positions and sizes are laid out in twips (1/1440 inch); this is the one
// place they become pixels.

#include <QRect>

inline int twipsToPixels(int twips, int dpi)
{
    return twips * dpi / 1440;
}

inline QRect twipsRect(int left, int top, int width, int height, int dpi)
{
    return {twipsToPixels(left, dpi), twipsToPixels(top, dpi), twipsToPixels(width, dpi), twipsToPixels(height, dpi)};
}
