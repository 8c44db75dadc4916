#!/usr/bin/env python3
"""A farm of loopback sites that answer as real ones do under load.

HOSTS sites on 127.0.0.1 ... 127.0.0.HOSTS, one port. Each site has PAGES
pages: / links to /p/1 ... /p/(PAGES-1), and each page holds one number.
Each host allows CONNECTIONS requests in progress and RATE requests in any
second; beyond either it answers 429 with Retry-After: 1. A share RESETS of
the requests it takes are answered by a reset connection instead. Every
answer waits LATENCY ms. robots.txt allows everything, but on the hosts
listed with --hanging-robots it never answers.

The first line on stdout is JSON: {"port": P}. On SIGTERM or when stdin
closes it prints, on one line, JSON counts per kind of answer: ok, 429,
reset, robots, and the largest number of requests in progress on one host.
"""

import argparse
import asyncio
import collections
import json
import random
import socket
import struct
import sys
import time

counts = collections.Counter()
in_progress = collections.Counter()
recent = collections.defaultdict(collections.deque)
options = None


def answer(status, body=b"", headers=()):
    reason = {200: "OK", 404: "Not Found", 429: "Too Many Requests"}[status]
    head = ["HTTP/1.1 %d %s" % (status, reason), "Content-Length: %d" % len(body)] + ["%s: %s" % h for h in headers]
    return ("\r\n".join(head) + "\r\n\r\n").encode() + body


def page(host, path):
    index = 0 if path == "/" else int(path.rsplit("/", 1)[1])
    number = "555%03d%04d" % (int(host.rsplit(".", 1)[1]), index)
    links = "".join('<a href="/p/%d">%d</a> ' % (i, i) for i in range(1, options.pages)) if index == 0 else ""
    return ("<html><body><p>Call %s</p>%s</body></html>" % (number, links)).encode()


def admitted(host):
    """Whether the host takes one more request now, by its own limits."""
    now = time.monotonic()
    window = recent[host]
    while window and now - window[0] >= 1.0:
        window.popleft()
    if in_progress[host] >= options.connections or len(window) >= options.rate:
        return False
    window.append(now)
    return True


async def serve(reader, writer):
    host = writer.get_extra_info("sockname")[0]
    try:
        while True:
            request = await reader.readuntil(b"\r\n\r\n")
            path = request.split(b" ", 2)[1].decode()
            if path == "/robots.txt":
                counts["robots"] += 1
                if host in options.hanging_robots:
                    await reader.read(1)  # until the client leaves
                    return
                await asyncio.sleep(options.latency / 1000)
                writer.write(answer(200, b"User-agent: *\nAllow: /\n", [("Content-Type", "text/plain")]))
                await writer.drain()
                continue
            if not admitted(host):
                counts["429"] += 1
                await asyncio.sleep(options.latency / 1000)
                writer.write(answer(429, headers=[("Retry-After", "1")]))
                await writer.drain()
                continue
            in_progress[host] += 1
            counts["most in progress"] = max(counts["most in progress"], in_progress[host])
            try:
                await asyncio.sleep(options.latency / 1000)
                if random.random() < options.resets:
                    counts["reset"] += 1
                    writer.get_extra_info("socket").setsockopt(socket.SOL_SOCKET, socket.SO_LINGER,
                                                               struct.pack("ii", 1, 0))
                    writer.transport.abort()
                    return
                counts["ok"] += 1
                writer.write(answer(200, page(host, path), [("Content-Type", "text/html")]))
                await writer.drain()
            finally:
                in_progress[host] -= 1
    except (asyncio.IncompleteReadError, ConnectionError, asyncio.LimitOverrunError):
        pass
    finally:
        if not writer.transport.is_closing():
            writer.close()


async def main():
    global options
    parser = argparse.ArgumentParser()
    parser.add_argument("--hosts", type=int, default=40)
    parser.add_argument("--pages", type=int, default=50)
    parser.add_argument("--connections", type=int, default=2)
    parser.add_argument("--rate", type=int, default=10)
    parser.add_argument("--resets", type=float, default=0.01)
    parser.add_argument("--latency", type=int, default=100)
    parser.add_argument("--hanging-robots", action="append", default=[])
    parser.add_argument("--seed", type=int, default=1)
    options = parser.parse_args()
    random.seed(options.seed)
    first = await asyncio.start_server(serve, "127.0.0.1", 0, backlog=1024)
    port = first.sockets[0].getsockname()[1]
    servers = [first]
    for host in range(2, options.hosts + 1):
        servers.append(await asyncio.start_server(serve, "127.0.0.%d" % host, port, backlog=1024))
    print(json.dumps({"port": port}), flush=True)
    loop = asyncio.get_running_loop()
    done = loop.create_future()
    loop.add_signal_handler(15, lambda: done.done() or done.set_result(None))
    loop.run_in_executor(None, sys.stdin.read).add_done_callback(
        lambda _: loop.call_soon_threadsafe(lambda: done.done() or done.set_result(None)))
    await done
    print(json.dumps(counts), flush=True)


if __name__ == "__main__":
    asyncio.run(main())
