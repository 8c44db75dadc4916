#!/usr/bin/env python3
"""The crawl's cost per page as it grows, CPU-bound: the page server's
generated site of 60,000 pages on one host, no latency, crawled by
`vandrell-harvest --follow 12` from its first page with --max-pages 500,
5,000 and 50,000 (each page links to 10 others, so the frontier grows to
thousands of waiting pages), and by `wget2 -r -l N --max-threads 16` at the
depths that reach about as many pages. Prints pages per second for each:
flat means linear in pages. Other harvester binaries may be given to compare
(an older build, say).

Usage: bench/bench_crawl_scaling.py [BUILD_DIR] [OTHER_HARVEST...]
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PAGE_SERVER = os.path.join(HERE, "..", "tests", "support", "page_server.py")


def timed(command):
    start = time.perf_counter()
    out = subprocess.run(["sh", "-c", command], stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    return time.perf_counter() - start, out.stdout


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    harvesters = [os.path.join(build, "vandrell-harvest")] + sys.argv[2:]
    server = subprocess.Popen([sys.executable, PAGE_SERVER, "--hosts", "1", "--site-pages", "60000"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    port = json.loads(server.stdout.readline())["port"]
    threading.Thread(target=shutil.copyfileobj, args=(server.stdout, open(os.devnull, "wb")), daemon=True).start()
    start = "http://127.0.0.1:%d/gen/0" % port
    try:
        for harvest in harvesters:
            print(harvest)
            for pages in (500, 5000, 50000):
                seconds, out = timed("echo %s | '%s' -q --follow 12 --max-pages %d --format urls"
                                     % (start, harvest, pages))
                got = out.count(b"\n")
                print("  --max-pages %6d: %6d pages in %7.2f s, %6.0f pages/s" % (pages, got, seconds, got / seconds))
        with tempfile.TemporaryDirectory() as tmp:
            for level in (2, 3, 4):
                folder = os.path.join(tmp, "l%d" % level)
                seconds, _ = timed("wget2 -q -r -l %d --max-threads 16 --no-robots -P '%s' '%s'"
                                   % (level, folder, start))
                got = sum(len(files) for _, _, files in os.walk(folder))
                print("wget2 -l %d: %6d pages in %7.2f s, %6.0f pages/s" % (level, got, seconds, got / seconds))
    finally:
        server.stdin.close()
        server.wait()


if __name__ == "__main__":
    main()
