#!/usr/bin/env python3
"""Takes the README's screenshot: starts the program on a virtual X server
(Xvfb) with fresh settings, serves three small directory pages from
127.0.0.1, and drives the window with xdotool as a user would: tick
"Include URL In Results", add the three URLs, start the run and close the
"Done." box. Then it copies the window out of Xvfb's frame buffer into a PNG.

usage: tools/take_screenshot.py [--program build/vandrell] [--output docs/screenshot.png]

Needs Xvfb, xwininfo (x11-utils) and xdotool; nothing leaves the machine, as
a `ping` stand-in answers the program's online check."""

import argparse
import http.server
import os
import re
import struct
import subprocess
import sys
import tempfile
import threading
import time
import zlib
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent

PAGES = {
    "/plumbers.html": [
        ("Harbour Plumbing &amp; Heating", "(555) 201-7730"),
        ("Northside Drains", "555.201.4418"),
        ("24-hour call-out", "1-800-555-0199"),
    ],
    "/bakeries.html": [
        ("The Corner Loaf", "555-310-2264"),
        ("Miller's Rye House", "{555} 310 8871"),
    ],
    "/clinics.html": [
        ("Westgate Dental", "(555) 472-0051"),
        ("Riverside Physiotherapy", "555 472 9316"),
        ("Appointments", "1 (800) 555-0142"),
    ],
}


def page_html(path):
    rows = "\n".join(f"<li><b>{name}</b> &middot; tel. {number}</li>" for name, number in PAGES[path])
    title = path.strip("/").split(".")[0].title()
    return f"""<!DOCTYPE html>
<html><head><meta charset="utf-8"><title>{title} - Local directory</title></head>
<body><h1>{title}</h1><p>Listed 2026-11-30, page 1 of 1.</p><ul>
{rows}
</ul></body></html>
""".encode()


class DirectoryPages(http.server.BaseHTTPRequestHandler):
    def do_GET(self):
        if self.path not in PAGES:
            self.send_error(404)
            return
        body = page_html(self.path)
        self.send_response(200)
        self.send_header("Content-Type", "text/html; charset=utf-8")
        self.send_header("Content-Length", str(len(body)))
        self.end_headers()
        self.wfile.write(body)

    def log_message(self, *args):
        pass


def xdotool(*args, env):
    subprocess.run(["xdotool", *args], env=env, check=True)


def visible_windows(title, env):
    found = subprocess.run(
        ["xdotool", "search", "--onlyvisible", "--name", f"^{re.escape(title)}$"],
        env=env,
        capture_output=True,
        text=True,
    )
    return found.stdout.split()


def wait_until(condition, what, seconds=15):
    deadline = time.monotonic() + seconds
    while time.monotonic() < deadline:
        if condition():
            return
        time.sleep(0.05)
    sys.exit(f"take_screenshot: {what} did not happen")


def window_geometry(window, env):
    info = subprocess.run(["xwininfo", "-id", window], env=env, capture_output=True, text=True, check=True).stdout

    def number(label):
        return int(re.search(label + r":\s+(-?\d+)", info).group(1))

    return number("Absolute upper-left X"), number("Absolute upper-left Y"), number("Width"), number("Height")


def read_frame_buffer(path, left, top, width, height):
    """RGB rows of a rectangle of Xvfb's screen, which it keeps as an XWD file."""
    data = Path(path).read_bytes()
    header = struct.unpack(">25I", data[:100])
    header_size, bits_per_pixel, bytes_per_line = header[0], header[11], header[12]
    byte_order, masks, colours = header[7], header[14:17], header[19]
    if bits_per_pixel != 32:
        sys.exit(f"take_screenshot: the frame buffer has {bits_per_pixel} bits per pixel, not 32")
    pixels = header_size + colours * 12
    unpack = struct.Struct("<I" if byte_order == 0 else ">I").unpack_from
    shifts = [(mask & -mask).bit_length() - 1 for mask in masks]
    rows = []
    for y in range(top, top + height):
        row = bytearray()
        line = pixels + y * bytes_per_line
        for x in range(left, left + width):
            (value,) = unpack(data, line + 4 * x)
            row += bytes((value & mask) >> shift for mask, shift in zip(masks, shifts))
        rows.append(bytes(row))
    return rows


def write_png(path, rows):
    width, height = len(rows[0]) // 3, len(rows)

    def chunk(kind, data):
        return struct.pack(">I", len(data)) + kind + data + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF)

    # Each row filtered against the one above ("up"): the window's flat
    # areas then compress to next to nothing.
    raw = bytearray()
    previous = bytes(len(rows[0]))
    for row in rows:
        raw.append(2)
        raw += bytes((a - b) & 0xFF for a, b in zip(row, previous))
        previous = row
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    png = b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", ihdr) + chunk(b"IDAT", zlib.compress(bytes(raw), 9))
    Path(path).parent.mkdir(parents=True, exist_ok=True)
    Path(path).write_bytes(png + chunk(b"IEND", b""))


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program", default=str(ROOT / "build" / "vandrell"))
    parser.add_argument("--output", default=str(ROOT / "docs" / "screenshot.png"))
    args = parser.parse_args()

    # A familiar port when it is free keeps the picture the same from run to run.
    try:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 8080), DirectoryPages)
    except OSError:
        server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), DirectoryPages)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    urls = [f"http://127.0.0.1:{server.server_port}{path}" for path in PAGES]

    with tempfile.TemporaryDirectory() as tmp:
        tmp = Path(tmp)
        (tmp / "bin").mkdir()
        ping = tmp / "bin" / "ping"
        ping.write_text("#!/bin/sh\necho '64 bytes from 127.0.0.1: icmp_seq=1 ttl=64 time=0.05 ms'\n")
        ping.chmod(0o755)
        (tmp / "runtime").mkdir(mode=0o700)

        # -fbdir keeps the screen in a file we can read back; -displayfd
        # picks a free display and says which.
        xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", "1", "-noreset", "-nolisten", "tcp", "-screen", "0", "800x720x24",
             "-fbdir", str(tmp)],
            stdout=subprocess.PIPE,
            stderr=subprocess.DEVNULL,
            text=True,
        )
        program = None
        try:
            display = xvfb.stdout.readline().strip()
            if not display:
                sys.exit("take_screenshot: Xvfb did not start")
            env = dict(os.environ, DISPLAY=f":{display}", QT_QPA_PLATFORM="xcb",
                       XDG_CONFIG_HOME=str(tmp / "config"), XDG_RUNTIME_DIR=str(tmp / "runtime"),
                       PATH=f"{tmp / 'bin'}:{os.environ['PATH']}")
            program = subprocess.Popen([args.program], env=env, stderr=subprocess.DEVNULL)
            wait_until(lambda: visible_windows("Vandrell", env), "the window showing")
            (window,) = visible_windows("Vandrell", env)
            left, top, width, height = window_geometry(window, env)

            def click(twips_x, twips_y):
                # The window's layout is fixed, in twips (15 to a pixel here).
                xdotool("mousemove", str(left + twips_x // 15), str(top + twips_y // 15), "click", "1", env=env)
                time.sleep(0.2)

            def answer_box(*keys):
                wait_until(lambda: len(visible_windows("Vandrell", env)) == 2, "a box opening")
                time.sleep(0.2)
                for key in keys:
                    xdotool(*key, env=env)
                wait_until(lambda: len(visible_windows("Vandrell", env)) == 1, "the box closing")

            click(120 + 240 + 100, 4800 + 300 + 120)  # Include URL In Results
            for url in urls:
                click(120 + 1920, 2750 + 200)  # Add One URL To List
                answer_box(("type", "--delay", "5", url), ("key", "Return"))
            click(120 + 3900, 5625 + 200)  # Start Extracting Phone Numbers
            answer_box(("key", "Return"))  # Done.
            xdotool("mousemove", "0", "0", env=env)
            time.sleep(0.5)
            write_png(args.output, read_frame_buffer(tmp / "Xvfb_screen0", left, top, width, height))
            print(f"{args.output}: {width}x{height}")
        finally:
            if program:
                program.kill()
                program.wait()
            xvfb.terminate()
            xvfb.wait()
            server.shutdown()


if __name__ == "__main__":
    main()
