#!/usr/bin/env python3
"""A loopback HTTP/1.1 server for fetch benchmarks: answers every request
after a fixed delay, on several 127.0.0.x addresses at once, with keep-alive
and any number of concurrent connections (asyncio).

Pages: /page/N is the N-th of PAGES slices of CORPUS, cut at line ends (or a
small page with one phone number when no corpus is given); anything else is
a 404. The delay stands in for a distant server, so clients that keep many
requests in flight are told apart from those that do not.

Usage: latency_server.py [--hosts 8] [--port 0] [--delay-ms 100]
                         [--corpus FILE] [--pages 2000]
Prints "PORT" on one line once listening on 127.0.0.1 … 127.0.0.HOSTS, then
serves until killed.
"""

import argparse
import asyncio
import socket
import sys


def cut_pages(corpus, count):
    """The corpus cut into `count` pages of about equal size, at line ends."""
    pages = []
    size = len(corpus) // count
    start = 0
    for i in range(count):
        if i + 1 == count:
            end = len(corpus)
        else:
            end = corpus.find(b"\n", (i + 1) * size) + 1
            if end <= 0:
                end = len(corpus)
        pages.append(corpus[start:end])
        start = end
    return pages


def make_handler(pages, delay):
    async def handle(reader, writer):
        try:
            while True:
                head = await reader.readuntil(b"\r\n\r\n")
                line = head.split(b"\r\n", 1)[0].split(b" ")
                path = line[1].decode("latin-1") if len(line) > 1 else "/"
                close = b"connection: close" in head.lower()
                body = None
                if path.startswith("/page/"):
                    try:
                        body = pages[int(path[6:])]
                    except (ValueError, IndexError):
                        body = None
                if delay:
                    await asyncio.sleep(delay)
                if body is None:
                    status, body = b"404 Not Found", b"not found"
                else:
                    status = b"200 OK"
                writer.write(b"HTTP/1.1 " + status + b"\r\nContent-Type: text/html\r\nContent-Length: "
                             + str(len(body)).encode() + b"\r\n\r\n" + body)
                await writer.drain()
                if close:
                    break
        except (asyncio.IncompleteReadError, ConnectionError, asyncio.LimitOverrunError):
            pass
        finally:
            writer.close()

    return handle


async def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--hosts", type=int, default=8)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--delay-ms", type=float, default=100.0)
    parser.add_argument("--corpus")
    parser.add_argument("--pages", type=int, default=2000)
    args = parser.parse_args()

    if args.corpus:
        with open(args.corpus, "rb") as f:
            pages = cut_pages(f.read(), args.pages)
    else:
        pages = [b"<p>Call (555) 010-%04d</p>\n" % (i % 10000) for i in range(args.pages)]

    handle = make_handler(pages, args.delay_ms / 1000.0)
    # One port for every address: pick it on the first, then bind the rest.
    first = await asyncio.start_server(handle, "127.0.0.1", args.port, backlog=1024, reuse_address=True)
    port = first.sockets[0].getsockname()[1]
    servers = [first]
    for i in range(2, args.hosts + 1):
        servers.append(await asyncio.start_server(handle, "127.0.0.%d" % i, port, backlog=1024,
                                                  reuse_address=True))
    for server in servers:
        for sock in server.sockets:
            sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
    print(port, flush=True)
    await asyncio.gather(*(server.serve_forever() for server in servers))


if __name__ == "__main__":
    try:
        asyncio.run(main())
    except KeyboardInterrupt:
        sys.exit(0)
