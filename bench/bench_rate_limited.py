#!/usr/bin/env python3
"""vandrell-harvest on sites that push back, beside wget2 --tries=3.

A farm (farm_server.py) of 40 loopback hosts, each a site of 50 pages
(2,000 in all): each host allows 2 requests in progress and 10 a second and
answers 429 with Retry-After: 1 beyond that, resets 1 % of the requests it
takes, and answers after 100 ms; the last host's robots.txt never answers.
Both programs crawl every site from its start page, one link deep, 80
requests at once:

    vandrell-harvest --follow 1 --jobs 80 --with-url
    wget2 -r -l 1 --tries=3 --max-threads 80 --timeout 10

Reported: pages harvested (the distinct numbers printed, or the pages wget2
saved), wall time, when the rows of the 39 hosts that answer robots.txt were
all out, and the floor their own limits set: the start page and robots.txt
one after the other, then 10 requests a second, so the 50th request of a
host starts 4 s after its first, and ends 100 ms later. The hanging host's
followed pages are skipped by both, as RFC 9309 asks of an unreadable
robots.txt, after 10 s; its start page is harvested.

Usage: bench/bench_rate_limited.py [BUILD_DIR] [--scale N] [--latency MS] [--rounds N]
(--scale multiplies the pages per site; --latency 0 is the farm without latency.)
"""

import argparse
import json
import os
import re
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
HOSTS = 40


def start_farm(pages, latency):
    farm = subprocess.Popen([sys.executable, os.path.join(HERE, "farm_server.py"), "--hosts", str(HOSTS),
                             "--pages", str(pages), "--latency", str(latency),
                             "--hanging-robots", "127.0.0.%d" % HOSTS],
                            stdin=subprocess.PIPE, stdout=subprocess.PIPE, text=True)
    return farm, json.loads(farm.stdout.readline())["port"]


def stop_farm(farm):
    farm.stdin.close()
    counts = json.loads(farm.stdout.readline())
    farm.wait()
    return counts


def harvest(program, starts):
    """Runs the harvester; pages harvested, wall time, time the answering hosts' rows were out."""
    began = time.monotonic()
    child = subprocess.Popen([program, "--follow", "1", "--jobs", "80", "--with-url", "-q", starts],
                             stdout=subprocess.PIPE, stderr=subprocess.PIPE, text=True)
    numbers, last_row = set(), 0.0
    for line in child.stdout:
        numbers.add(line.rsplit(" - ", 1)[-1].strip())
        if "//127.0.0.%d:" % HOSTS not in line:
            last_row = time.monotonic() - began
    err = child.stderr.read()
    child.wait()
    return len(numbers), time.monotonic() - began, last_row, err


def wget2(starts, folder):
    began = time.monotonic()
    subprocess.run(["wget2", "-q", "-r", "-l", "1", "--tries=3", "--max-threads", "80", "--timeout", "10",
                    "-P", folder, "-i", starts], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    seconds = time.monotonic() - began
    saved = 0
    for root, _, files in os.walk(folder):
        for name in files:
            if name != "robots.txt" and re.search(rb"Call 555", open(os.path.join(root, name), "rb").read()):
                saved += 1
    return saved, seconds


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("build", nargs="?", default="build")
    parser.add_argument("--scale", type=int, default=1)
    parser.add_argument("--latency", type=int, default=100)
    parser.add_argument("--rounds", type=int, default=3)
    options = parser.parse_args()
    pages = 50 * options.scale
    program = os.path.join(options.build, "vandrell-harvest")
    reachable = (HOSTS - 1) * pages + 1
    floor = max(3 * options.latency / 1000, (pages - 1) // 10 + options.latency / 1000)
    print("%d hosts x %d pages, %d ms latency: %d pages reachable (the hanging host's start page among them), "
          "floor %.2f s" % (HOSTS, pages, options.latency, reachable, floor))
    ours, theirs = [], []
    with tempfile.TemporaryDirectory() as tmp:
        for round in range(options.rounds):
            for who in ("vandrell-harvest", "wget2"):
                farm, port = start_farm(pages, options.latency)
                starts = os.path.join(tmp, "starts.txt")
                with open(starts, "w") as f:
                    f.writelines("http://127.0.0.%d:%d/\n" % (host, port) for host in range(1, HOSTS + 1))
                if who == "vandrell-harvest":
                    got, seconds, rows_out, err = harvest(program, starts)
                    ours.append((got, seconds, rows_out))
                    detail = "rows of the 39 hosts out after %.2f s (%.2fx the floor)" % (rows_out, rows_out / floor)
                    if round == 0:
                        detail += "; stderr: " + err.strip().replace("\n", " | ")[:200]
                else:
                    got, seconds = wget2(starts, os.path.join(tmp, "wget2-%d" % round))
                    theirs.append((got, seconds))
                    detail = ""
                counts = stop_farm(farm)
                print("  %-16s %5d/%d pages  %6.2f s  server: %s  %s"
                      % (who, got, reachable, seconds, json.dumps(counts), detail))
    print("median: vandrell-harvest %d pages, %.2f s (rows out %.2f s, %.2fx the floor); wget2 %d pages, %.2f s"
          % (statistics.median(o[0] for o in ours), statistics.median(o[1] for o in ours),
             statistics.median(o[2] for o in ours), statistics.median(o[2] for o in ours) / floor,
             statistics.median(t[0] for t in theirs), statistics.median(t[1] for t in theirs)))


if __name__ == "__main__":
    main()
