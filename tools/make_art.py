#!/usr/bin/env python3
"""Draws the program's images: the hand pointer shown over buttons
(resources/HAND-M.CUR, a 32x32 cursor with its hot spot on the fingertip) and
the application icon, a white desk telephone on a blue tile. The icon is one
vector drawing, written as resources/icons/vandrell.svg for the icon theme
and rendered to PNGs at the theme's sizes (the 32-pixel one doubles as the
window icon, resources/vandrell.png). Run it again after changing the
drawings; its outputs are committed."""

import struct
import zlib
from pathlib import Path

HAND = """
.......XX.......................
......X..X......................
......X..X......................
......X..X......................
......X..X......................
......X..XXX....................
......X..X..XXX.................
......X..X..X..XX...............
......X..X..X..X.X..............
...XX.X..X..X..X..X.............
...X..XX........X.X.............
...X...X..........X.............
....X.............X.............
....X.............X.............
.....X............X.............
.....X...........X..............
......X..........X..............
......X.........X...............
.......X........X...............
.......XXXXXXXXXX...............
"""

def grid(art, size=32):
    rows = [r for r in art.strip("\n").split("\n")]
    rows += ["." * size] * (size - len(rows))
    return [r.ljust(size, ".")[:size] for r in rows[:size]]


def filled_inside(rows):
    """Marks cells enclosed by the outline so the hand is white inside."""
    size = len(rows)
    outside = [[False] * size for _ in range(size)]
    stack = [(0, 0)]
    while stack:
        x, y = stack.pop()
        if not (0 <= x < size and 0 <= y < size) or outside[y][x] or rows[y][x] == "X":
            continue
        outside[y][x] = True
        stack += [(x + 1, y), (x - 1, y), (x, y + 1), (x, y - 1)]
    return outside


def cursor_bytes():
    rows = grid(HAND)
    outside = filled_inside(rows)
    size = 32
    pixels = bytearray()
    mask = bytearray()
    for y in reversed(range(size)):  # bottom-up DIB
        mask_row = 0
        for x in range(size):
            if rows[y][x] == "X":
                pixels += bytes((0, 0, 0, 255))
            elif not outside[y][x]:
                pixels += bytes((255, 255, 255, 255))
            else:
                pixels += bytes((0, 0, 0, 0))
                mask_row |= 1 << (31 - x)
        mask += struct.pack(">I", mask_row)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, len(pixels) + len(mask), 0, 0, 0, 0)
    image = header + pixels + mask
    hot_x, hot_y = 7, 0
    directory = struct.pack("<HHH", 0, 2, 1)
    entry = struct.pack("<BBBBHHII", size, size, 0, 0, hot_x, hot_y, len(image), 6 + 16)
    return directory + entry + image



# The icon on a 256-unit canvas, drawn in order: each shape covers those
# before it. Kinds: ("rect", x0, y0, x1, y1, corner radius),
# ("poly", [(x, y), ...]) and ("circle", cx, cy, r).
BLUE = (20, 90, 160)
WHITE = (255, 255, 255)
ICON = [
    (BLUE, ("rect", 8, 8, 248, 248, 48)),
    (WHITE, ("rect", 40, 52, 216, 80, 14)),
    (WHITE, ("rect", 34, 42, 98, 106, 24)),
    (WHITE, ("rect", 158, 42, 222, 106, 24)),
    (WHITE, ("rect", 100, 96, 120, 132, 4)),
    (WHITE, ("rect", 136, 96, 156, 132, 4)),
    (WHITE, ("poly", [(84, 124), (172, 124), (212, 218), (44, 218)])),
]
for cy in (150, 174, 198):
    for cx in (102, 128, 154):
        ICON.append((BLUE, ("circle", cx, cy, 8)))


def covers(shape, x, y):
    kind = shape[0]
    if kind == "rect":
        _, x0, y0, x1, y1, r = shape
        if not (x0 <= x <= x1 and y0 <= y <= y1):
            return False
        dx = max(x0 + r - x, 0, x - (x1 - r))
        dy = max(y0 + r - y, 0, y - (y1 - r))
        return dx * dx + dy * dy <= r * r
    if kind == "circle":
        _, cx, cy, r = shape
        return (x - cx) ** 2 + (y - cy) ** 2 <= r * r
    points = shape[1]
    inside = False
    for (ax, ay), (bx, by) in zip(points, points[1:] + points[:1]):
        if (ay > y) != (by > y) and x < ax + (y - ay) * (bx - ax) / (by - ay):
            inside = not inside
    return inside


def bounds(shape):
    kind = shape[0]
    if kind == "rect":
        return shape[1:5]
    if kind == "circle":
        _, cx, cy, r = shape
        return (cx - r, cy - r, cx + r, cy + r)
    xs = [p[0] for p in shape[1]]
    ys = [p[1] for p in shape[1]]
    return (min(xs), min(ys), max(xs), max(ys))


def icon_pixels(size, samples=4):
    """RGBA rows of the icon at size x size, each pixel the average of
    samples x samples points (straight alpha)."""
    scale = 256 / size
    boxes = [bounds(shape) for _, shape in ICON]
    rows = []
    for py in range(size):
        row = bytearray()
        for px in range(size):
            r = g = b = a = 0
            for sy in range(samples):
                y = (py + (sy + 0.5) / samples) * scale
                for sx in range(samples):
                    x = (px + (sx + 0.5) / samples) * scale
                    for (colour, shape), (x0, y0, x1, y1) in zip(reversed(ICON), reversed(boxes)):
                        if x0 <= x <= x1 and y0 <= y <= y1 and covers(shape, x, y):
                            r += colour[0]
                            g += colour[1]
                            b += colour[2]
                            a += 1
                            break
            if a:
                row += bytes((round(r / a), round(g / a), round(b / a), round(255 * a / samples**2)))
            else:
                row += bytes(4)
        rows.append(bytes(row))
    return rows


def png_bytes(rows):
    size = len(rows)
    raw = b"".join(b"\0" + row for row in rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    ihdr = struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)
    return b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b"")


def svg_text():
    def fill(colour):
        return "#%02x%02x%02x" % colour

    parts = ['<svg xmlns="http://www.w3.org/2000/svg" width="256" height="256" viewBox="0 0 256 256">']
    for colour, shape in ICON:
        kind = shape[0]
        if kind == "rect":
            _, x0, y0, x1, y1, r = shape
            parts.append(
                f'  <rect x="{x0}" y="{y0}" width="{x1 - x0}" height="{y1 - y0}" rx="{r}" fill="{fill(colour)}"/>'
            )
        elif kind == "circle":
            _, cx, cy, r = shape
            parts.append(f'  <circle cx="{cx}" cy="{cy}" r="{r}" fill="{fill(colour)}"/>')
        else:
            points = " ".join(f"{x},{y}" for x, y in shape[1])
            parts.append(f'  <polygon points="{points}" fill="{fill(colour)}"/>')
    parts.append("</svg>")
    return "\n".join(parts) + "\n"


# The sizes of the hicolor icon theme that desktops look for.
ICON_SIZES = (16, 24, 32, 48, 64, 128, 256)

if __name__ == "__main__":
    out = Path(__file__).resolve().parent.parent / "resources"
    (out / "HAND-M.CUR").write_bytes(cursor_bytes())
    icons = out / "icons"
    icons.mkdir(exist_ok=True)
    (icons / "vandrell.svg").write_text(svg_text())
    for size in ICON_SIZES:
        png = png_bytes(icon_pixels(size, 4 if size >= 64 else 8))
        (icons / f"vandrell-{size}.png").write_bytes(png)
        if size == 32:
            (out / "vandrell.png").write_bytes(png)
