#!/usr/bin/env python3
"""vandrell-harvest against curl run by xargs, on loopback servers.

1. 200 pages on 8 loopback hosts (127.0.0.1 … 127.0.0.8) that answer after
   100 ms: `vandrell-harvest` (16 requests in flight) against
   `xargs -P 16 -n 1 curl -s | tr -d ' ' | grep -oE '[0-9.(){}-]+'`, the
   medians of five alternating rounds and their ratio (budget 1.2x).
2. The 2,000-page corpus with no delay: pages per second, on 8 hosts and on
   one.
3. A site crawl: a generated site of 250 pages on each of 8 hosts, every
   page linking to 10 others and answering after 100 ms, `--follow 3` from
   each host's first page, against `wget2 --recursive --level 3
   --max-threads 16` (budget 1.0x) and plain `wget -r` as the serial figure,
   with the harvester's peak memory.

Both programs' output is drained through a pipe (`| wc -l`). The harvester's
row count is checked against the ten-digit runs that tr and grep find in the
same pages read straight from the corpus (the 16 curls' output interleaves,
so their own count is only close).

Usage: bench/bench_harvest.py [BUILD_DIR]   (default: build)
The corpus is BUILD_DIR/bench/corpus-64m.html, generated on first use.
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
sys.path.insert(0, os.path.dirname(PAGE_SERVER))
import page_server  # noqa: E402
ROUNDS = 5
PEER = "xargs -P 16 -n 1 curl -s < \"$1\" | tr -d ' ' | grep -oE '[0-9.(){}-]+'"


def start_server(corpus, hosts):
    """The tests' page server on 127.0.0.1 … 127.0.0.HOSTS; it ends when its stdin closes."""
    server = subprocess.Popen([sys.executable, PAGE_SERVER, "--hosts", str(hosts), "--corpus", corpus,
                               "--pages", "2000"], stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    port = json.loads(server.stdout.readline())["port"]
    # It logs every request; the log is drained so that it never blocks.
    threading.Thread(target=shutil.copyfileobj, args=(server.stdout, open(os.devnull, "wb")), daemon=True).start()
    return server, port


def stop_server(server):
    server.stdin.close()
    server.wait()


def write_urls(path, port, count, hosts, delay_ms):
    with open(path, "w") as f:
        for i in range(count):
            f.write("http://127.0.0.%d:%d/corpus/%d?delay=%d\n" % (i % hosts + 1, port, i, delay_ms))


def check(rows, expected):
    return "" if rows == expected else "; tr and grep find %d: MISMATCH" % expected


def timed(command, urls):
    """Seconds the shell command takes over the URL file, and the lines it printed."""
    start = time.perf_counter()
    out = subprocess.run(["sh", "-c", command + " | wc -l", "sh", urls], stdout=subprocess.PIPE, check=True)
    return time.perf_counter() - start, int(out.stdout)


def expected_rows(pages):
    """Ten-digit runs that tr and grep find in the pages, one after another."""
    with tempfile.NamedTemporaryFile() as f:
        f.write(b"".join(pages))
        f.flush()
        out = subprocess.run(["sh", "-c", "tr -d ' ' < \"$1\" | grep -oE '[0-9.(){}-]+' | tr -d '.(){}-'"
                              " | grep -cxE '[0-9]{10}'", "sh", f.name], stdout=subprocess.PIPE, check=True)
    return int(out.stdout)


def main():
    build = os.path.abspath(sys.argv[1] if len(sys.argv) > 1 else "build")
    harvest = os.path.join(build, "vandrell-harvest")
    if not os.access(harvest, os.X_OK):
        sys.exit("no %s: build the vandrell-harvest target first" % harvest)
    corpus = os.path.join(build, "bench", "corpus-64m.html")
    if not os.path.exists(corpus):
        print("generating %s ..." % corpus, flush=True)
        os.makedirs(os.path.dirname(corpus), exist_ok=True)
        subprocess.run([sys.executable, os.path.join(HERE, "generate_corpus.py"), corpus], check=True)
    ours = "'%s' --lengths 10 < \"$1\"" % harvest
    page_server.cut(corpus, 2000)
    pages = page_server.corpus_pages

    with tempfile.TemporaryDirectory() as tmp:
        urls = os.path.join(tmp, "urls.txt")

        server, port = start_server(corpus, 8)
        try:
            write_urls(urls, port, 200, 8, 100)
            harvest_times, peer_times = [], []
            for _ in range(ROUNDS):
                seconds, peer_runs = timed(PEER, urls)
                peer_times.append(seconds)
                seconds, rows = timed(ours, urls)
                harvest_times.append(seconds)
            ratio = statistics.median(harvest_times) / statistics.median(peer_times)
            print("200 pages on 8 hosts, 100 ms latency, 16 in flight (median of %d):" % ROUNDS)
            expected = expected_rows(pages[:200])
            print("  vandrell-harvest         %.3f s  (%d rows%s)" % (statistics.median(harvest_times), rows,
                                                                  check(rows, expected)))
            print("  xargs -P 16 curl|tr|grep %.3f s  (%d runs of any length)" % (statistics.median(peer_times),
                                                                                peer_runs))
            print("  ratio %.2fx (budget <= 1.2x)" % ratio)
        finally:
            stop_server(server)

        server, port = start_server(corpus, 8)
        try:
            expected = expected_rows(pages)
            print("2,000 corpus pages, no latency (median of %d):" % ROUNDS)
            for hosts in (8, 1):
                write_urls(urls, port, 2000, hosts, 0)
                times = []
                for _ in range(ROUNDS):
                    seconds, rows = timed(ours, urls)
                    times.append(seconds)
                median = statistics.median(times)
                print("  vandrell-harvest, %d host%s: %.3f s, %.0f pages/s  (%d rows%s)"
                      % (hosts, "s" if hosts > 1 else "", median, 2000 / median, rows, check(rows, expected)))
            write_urls(urls, port, 2000, 8, 0)
            seconds, peer_runs = timed(PEER, urls)
            print("  xargs -P 16 curl|tr|grep, 8 hosts: %.3f s, %.0f pages/s" % (seconds, 2000 / seconds))
        finally:
            stop_server(server)

        crawl(harvest, tmp)


def timed_peak(command):
    """Seconds and peak resident MiB of a shell command and its children."""
    start = time.perf_counter()
    process = subprocess.Popen(["sh", "-c", command], stdout=subprocess.DEVNULL)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return time.perf_counter() - start, usage.ru_maxrss / 1024


def crawl(harvest, tmp):
    server = subprocess.Popen([sys.executable, PAGE_SERVER, "--hosts", "8", "--site-pages", "250"],
                              stdin=subprocess.PIPE, stdout=subprocess.PIPE)
    port = json.loads(server.stdout.readline())["port"]
    threading.Thread(target=shutil.copyfileobj, args=(server.stdout, open(os.devnull, "wb")), daemon=True).start()
    try:
        starts = os.path.join(tmp, "starts.txt")
        with open(starts, "w") as f:
            for host in range(1, 9):
                f.write("http://127.0.0.%d:%d/gen/0?delay=100\n" % (host, port))
        pages = subprocess.run([harvest, "-q", "--follow", "3", "--format", "urls", starts],
                               stdout=subprocess.PIPE, check=True).stdout.count(b"\n")
        ours, wget2, wget = [], [], []
        peak = 0
        for round in range(3):
            seconds, rss = timed_peak("'%s' -q --follow 3 --lengths 10 '%s' > /dev/null" % (harvest, starts))
            ours.append(seconds)
            peak = max(peak, rss)
            folder = os.path.join(tmp, "wget2-%d" % round)
            wget2.append(timed_peak("wget2 -q --recursive --level 3 --max-threads 16 -P '%s' -i '%s'"
                                    % (folder, starts))[0])
        wget.append(timed_peak("wget -q -r -l 3 -P '%s' -i '%s'" % (os.path.join(tmp, "wget"), starts))[0])
        fetched = sum(len(files) for _, _, files in os.walk(os.path.join(tmp, "wget2-0")))
        print("Site crawl, --follow 3 from 8 start pages, 100 ms latency (median of 3):")
        print("  vandrell-harvest         %.3f s  (%d pages, peak %.0f MiB)" % (statistics.median(ours), pages, peak))
        print("  wget2 --max-threads 16   %.3f s  (%d files)" % (statistics.median(wget2), fetched))
        print("  wget -r (serial)         %.3f s" % wget[0])
        print("  ratio to wget2 %.2fx (budget <= 1.0x)" % (statistics.median(ours) / statistics.median(wget2)))
    finally:
        stop_server(server)


if __name__ == "__main__":
    main()
