#!/usr/bin/env python3
"""vandrell-harvest --render against a Chromium process per page.

Script-built pages on loopback (tests/support/page_server.py): each page
fetches its number as JSON and writes it into the page 100 ms later, so
neither the served HTML nor the document at the load event holds it. Three
sets of pages:

1. 100 pages, no latency: `vandrell-harvest --render` with 1, 4 and 8 tabs,
   against `chromium --headless --dump-dom` started once per page, one after
   another (the browser as nobody, its sandbox on, as the harvester runs it).
2. The same 100 pages answering after 100 ms (their JSON at once), with the
   default 4 tabs.
3. 1,000 pages (10x), no latency, default tabs: the cost per page against 1.

Each figure is the median of ROUNDS runs, the harvester's and the peer's
alternating. Rows are checked: every page's number, once, in input order;
the peer's count is of the dumped documents that hold the number.
During one default run, the proportional set size (PSS) of the whole process
tree (the harvester, the browser and every process it starts, the crash
handler included) is summed every 50 ms; its peak is printed.

Usage: bench/bench_render.py [BUILD_DIR] [ROUNDS]   (defaults: build, 3)
Run as root: the peer is started as nobody, as the harvester starts Chromium.
"""

import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import threading
import time

HERE = os.path.dirname(os.path.abspath(__file__))
PAGE_SERVER = os.path.join(HERE, "..", "tests", "support", "page_server.py")
CHROMIUM = "/usr/lib/chromium/chromium"
PAGE = (b"<html><body><h1>Contact %d</h1><p id=n>-</p><script>fetch('/data/%d.json').then(r => r.json())"
        b".then(j => setTimeout(() => { n.textContent = 'Call ' + j.tel }, 100))</script></body></html>")


def number(i):
    return "555%07d" % i


def answer(body, content_type):
    return (b"HTTP/1.1 200 OK\r\nContent-Type: " + content_type + b"\r\nContent-Length: " +
            str(len(body)).encode() + b"\r\n\r\n" + body)


def write_site(folder, count):
    import hashlib
    for i in range(count):
        for target, body, kind in (("/page/%d" % i, PAGE % (i, i), b"text/html; charset=utf-8"),
                                   ("/page/%d?delay=100" % i, PAGE % (i, i), b"text/html; charset=utf-8"),
                                   ("/data/%d.json" % i, json.dumps({"tel": number(i)}).encode(),
                                    b"application/json")):
            with open(os.path.join(folder, hashlib.sha1(target.encode()).hexdigest()), "wb") as f:
                f.write(answer(body, kind))


def start_server(site):
    server = subprocess.Popen([sys.executable, PAGE_SERVER, "--site", site], stdin=subprocess.PIPE,
                              stdout=subprocess.PIPE)
    port = json.loads(server.stdout.readline())["port"]
    threading.Thread(target=shutil.copyfileobj, args=(server.stdout, open(os.devnull, "wb")), daemon=True).start()
    return server, port


def descendants(pid):
    found, todo = [], [pid]
    while todo:
        current = todo.pop()
        found.append(current)
        try:
            for task in os.listdir("/proc/%d/task" % current):
                with open("/proc/%d/task/%s/children" % (current, task)) as f:
                    todo.extend(int(child) for child in f.read().split())
        except OSError:
            pass
    return found


def tree_pss_kib(pid):
    total = 0
    for process in descendants(pid):
        try:
            with open("/proc/%d/smaps_rollup" % process) as f:
                for line in f:
                    if line.startswith("Pss:"):
                        total += int(line.split()[1])
        except OSError:
            pass
    return total


def harvest(build, urls, tabs, measure=False):
    """Seconds, output and (when measured) the tree's peak PSS in KiB."""
    command = [os.path.join(build, "vandrell-harvest"), "-q", "--with-url", "--render", "--render-tabs", str(tabs),
               urls]
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.PIPE)
    peak = 0
    out = []
    reader = threading.Thread(target=lambda: out.append(process.stdout.read()))
    reader.start()
    while process.poll() is None:
        if measure:
            peak = max(peak, tree_pss_kib(process.pid))
        time.sleep(0.05)
    reader.join()
    return time.perf_counter() - start, out[0], peak


def dump_dom_each(url_list):
    """Seconds for one chromium --dump-dom per page, in turn, and the documents that hold their number."""
    right = 0
    start = time.perf_counter()
    for i, url in enumerate(url_list):
        # Where nobody can reach it: not in the benchmark's own folder.
        profile = tempfile.mkdtemp(prefix="bench-render-peer-", dir="/tmp")
        shutil.chown(profile, "nobody")
        dom = subprocess.run(["setpriv", "--reuid=nobody", "--regid=nogroup", "--clear-groups", CHROMIUM,
                              "--headless", "--user-data-dir=" + profile, "--disable-gpu", "--dump-dom", url],
                             stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, env={"HOME": profile}).stdout
        assert b"<h1>Contact %d</h1>" % i in dom, "the peer showed no document for %s" % url
        right += number(i).encode() in dom
        shutil.rmtree(profile, ignore_errors=True)
    return time.perf_counter() - start, right


def expected(url_list):
    return b"".join(b"%s - %s\n" % (url.encode(), number(i).encode()) for i, url in enumerate(url_list))


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    rounds = int(sys.argv[2]) if len(sys.argv) > 2 else 3
    # Each figure as soon as it is known, also into a file.
    sys.stdout.reconfigure(line_buffering=True)
    if os.geteuid() != 0:
        sys.exit("run as root: the peer runs as nobody")
    with tempfile.TemporaryDirectory() as tmp:
        site = os.path.join(tmp, "site")
        os.mkdir(site)
        write_site(site, 1000)
        server, port = start_server(site)
        try:
            def url_file(name, count, delay):
                urls = ["http://127.0.0.1:%d/page/%d%s" % (port, i, "?delay=%d" % delay if delay else "")
                        for i in range(count)]
                path = os.path.join(tmp, name)
                with open(path, "w") as f:
                    f.write("".join(u + "\n" for u in urls))
                return path, urls

            def ours(path, urls, tabs, label):
                times = []
                for _ in range(rounds):
                    seconds, out, _ = harvest(build, path, tabs)
                    times.append(seconds)
                    assert out == expected(urls), "rows not right with %d tabs" % tabs
                median = statistics.median(times)
                print("  %-34s %7.2f s  %5.1f pages/s  (%d rows, all right)" % (label, median, len(urls) / median,
                                                                              len(urls)))
                return median

            path, urls = url_file("urls-100.txt", 100, 0)
            print("100 script-built pages, no latency (median of %d):" % rounds)
            peer_times, peer_right = [], 0
            figures = {}
            for _ in range(rounds):
                for tabs in (1, 4, 8):
                    seconds, out, _ = harvest(build, path, tabs)
                    assert out == expected(urls), "rows not right with %d tabs" % tabs
                    figures.setdefault(tabs, []).append(seconds)
                seconds, peer_right = dump_dom_each(urls)
                peer_times.append(seconds)
            peer = statistics.median(peer_times)
            for tabs in (1, 4, 8):
                median = statistics.median(figures[tabs])
                print("  vandrell-harvest --render-tabs %d    %7.2f s  %5.1f pages/s  %4.1fx the peer  (100 rows, "
                      "all right)" % (tabs, median, 100 / median, peer / median))
            print("  chromium --dump-dom, one per page  %7.2f s  %5.1f pages/s  (%d of 100 documents hold the "
                  "number)" % (peer, 100 / peer, peer_right))
            _, _, peak = harvest(build, path, 4, measure=True)
            print("  peak PSS of the whole process tree, 4 tabs: %.0f MiB" % (peak / 1024))

            print("The same pages, 100 ms latency:")
            path, urls = url_file("urls-100-slow.txt", 100, 100)
            ours(path, urls, 4, "vandrell-harvest --render")

            print("1,000 pages (10x), no latency:")
            path, urls = url_file("urls-1000.txt", 1000, 0)
            median = ours(path, urls, 4, "vandrell-harvest --render")
            per_page = median / 1000 * 1000
            small = statistics.median(figures[4]) / 100 * 1000
            print("  per page: %.0f ms at 1,000 pages, %.0f ms at 100" % (per_page, small))
            _, _, peak = harvest(build, path, 4, measure=True)
            print("  peak PSS of the whole process tree: %.0f MiB" % (peak / 1024))
        finally:
            server.stdin.close()
            server.wait()


if __name__ == "__main__":
    main()
