#!/usr/bin/env python3
"""A local HTTP server for tests and benchmarks, friendly or hostile on demand.

It listens on 127.0.0.1 to 127.0.0.N (--hosts N), all on one port, and on a
TLS port of 127.0.0.1 when given a certificate. A third port never accepts:
its queue is full, so connecting to it hangs. Its first line on stdout is
JSON: {"port": P, "tls_port": Q, "stuck_port": R}. Then, one line per event:
    request HOST PATH ACTIVE ACTIVE_ON_HOST OPEN OPEN_ON_HOST SCHEME
    aborted HOST PATH      (the client left before the answer was complete)
where ACTIVE counts requests being answered and OPEN counts connections.

Every path takes ?delay=MS (wait before answering). Paths:
    /num/DIGITS[?pad=BYTES]  a page holding DIGITS, padded to BYTES
    /big?mib=N               N MiB of numbers, with Content-Length
    /corpus/I                page I of --corpus cut into --pages at line ends
    /trickle                 one body byte every half second
    /drip                    4 KB a second, never ending
    /hang                    never answers
    /headers-line, /headers-many   20 MB of headers, in one line or many
    /reset-length, /reset-close    part of the body, then a reset, with and
                             without Content-Length
    /short                   part of the body, then close, against Content-Length
    /broken-chunked          a chunk, then close without the last chunk
    /endless, /endless-chunked     a body that never ends
    /bomb                    64 MiB of numbers gzip-compressed (to ~200 KB)
    /loop                    redirects to itself
    /to/URL-ENCODED          redirects to that URL
    /located/URL1/URL2       redirects with two Location headers, in that order
    /hops/N                  redirects to N-1 (relative, same query) down to /hops/0, a page
    /status/CODE             that status with digits in the body
    /gen/I                   page I of a generated site of --site-pages pages per
                             host: numbers, and links to ten other pages of its host
Any other request target is answered from --site DIR when the file named by
the SHA-1 (in hex) of "TARGET cookie=COOKIES" (the request's Cookie header),
"HOST TARGET", or else of the target alone, is there: it holds the whole
answer, head and body, written by the test. A file may hold several answers
between lines of "\0next\0": the Nth request to it gets the Nth, the last
one again after that. An answer "\0reset" resets the connection, "\0empty"
closes it with no answer, "\0hang" never answers. With --jitter MS such
answers wait a random time up to MS first.

A request's event line goes on with the connection's scheme (http or https),
the request's User-Agent, percent-encoded ("-" for none), and the
milliseconds since the server started.

It is also a forward proxy that answers for every host name itself: it
serves an absolute-form request as its own, and after CONNECT it speaks TLS
(when it has a certificate) on the tunnel.
"""

import argparse
import asyncio
import hashlib
import os
import random
import json
import socket
import ssl
import struct
import sys
import urllib.parse
import zlib

HEADER_FLOOD = 20 * 1000 * 1000
NUMBERS = b"call 555-123-4567 or (555) 987-6543; "

active = {}
connections = {}
corpus_pages = []
site = None
site_pages = 250
jitter = 0
routed_count = {}
started = 0.0
bomb_body = None
bomb_ready = None
tls_context = None


def log(*words):
    sys.stdout.write(" ".join(str(w) for w in words) + "\n")
    sys.stdout.flush()


def head(status, headers=(), reason=None):
    reasons = {200: "OK", 302: "Found", 404: "Not Found", 500: "Internal Server Error"}
    lines = ["HTTP/1.1 %d %s" % (status, reason or reasons.get(status, "Status"))]
    lines += ["%s: %s" % pair for pair in headers]
    return ("\r\n".join(lines) + "\r\n\r\n").encode()


def page(body, content_type="text/html"):
    return head(200, [("Content-Type", content_type), ("Content-Length", len(body))]) + body



def bomb():
    global bomb_body
    if bomb_body is None:
        squeeze = zlib.compressobj(9, zlib.DEFLATED, 31)
        block = NUMBERS * (1024 * 1024 // len(NUMBERS))
        parts = [squeeze.compress(block) for _ in range(64)]
        bomb_body = b"".join(parts) + squeeze.flush()
    return bomb_body


def reset(writer):
    sock = writer.get_extra_info("socket")
    sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
    writer.transport.abort()


async def answer(path, query, reader, writer):
    """Writes the answer; returns False when the connection must close."""
    parts = path.strip("/").split("/", 1)
    name, rest = parts[0], (parts[1] if len(parts) > 1 else "")
    if name == "num":
        body = b"<html><body><p>Call " + rest.encode() + b" now.</p>"
        pad = int(query.get("pad", "0"))
        body += b" " * max(0, pad - len(body) - 16) + b"</body></html>\n"
        writer.write(page(body))
    elif name == "big":
        size = int(query.get("mib", "16")) * 1024 * 1024
        writer.write(head(200, [("Content-Type", "text/html"), ("Content-Length", size)]))
        block = NUMBERS * (65536 // len(NUMBERS) + 1)
        sent = 0
        while sent < size:
            piece = block[: min(65536, size - sent)]
            writer.write(piece)
            sent += len(piece)
            await writer.drain()
    elif name == "corpus":
        writer.write(page(corpus_pages[int(rest)]))
    elif name == "trickle":
        writer.write(head(200, [("Content-Length", 100000)]))
        while True:
            writer.write(b"5")
            await writer.drain()
            await asyncio.sleep(0.5)
    elif name == "drip":
        writer.write(head(200, [("Content-Length", 100 * 1000 * 1000)]))
        while True:
            writer.write(NUMBERS * 27)
            await writer.drain()
            await asyncio.sleep(0.25)
    elif name == "hang":
        await reader.read(1)  # until the client leaves
        raise ConnectionResetError
    elif name == "headers-line":
        writer.write(b"HTTP/1.1 200 OK\r\nX-Flood: ")
        for _ in range(HEADER_FLOOD // 65536):
            writer.write(b"a" * 65536)
            await writer.drain()
        writer.write(b"\r\nContent-Length: 5\r\n\r\n55555")
    elif name == "headers-many":
        writer.write(b"HTTP/1.1 200 OK\r\n")
        line = b"X-Flood: " + b"a" * 89 + b"\r\n"
        for _ in range(HEADER_FLOOD // (len(line) * 600)):
            writer.write(line * 600)
            await writer.drain()
        writer.write(b"Content-Length: 5\r\n\r\n55555")
    elif name in ("reset-length", "reset-close", "short"):
        headers = [("Content-Length", 100000)] if name != "reset-close" else [("Connection", "close")]
        writer.write(head(200, headers) + NUMBERS * 100)
        await writer.drain()
        await asyncio.sleep(0.2)
        if name == "short":
            writer.close()
        else:
            reset(writer)
        return False
    elif name == "broken-chunked":
        chunk = NUMBERS * 100
        writer.write(head(200, [("Transfer-Encoding", "chunked")]) + b"%x\r\n" % len(chunk) + chunk + b"\r\n")
        await writer.drain()
        await asyncio.sleep(0.2)
        writer.close()
        return False
    elif name in ("endless", "endless-chunked"):
        chunked = name == "endless-chunked"
        writer.write(head(200, [("Transfer-Encoding", "chunked")] if chunked else [("Connection", "close")]))
        block = NUMBERS * 1700
        while True:
            writer.write(b"%x\r\n%s\r\n" % (len(block), block) if chunked else block)
            await writer.drain()
    elif name == "bomb":
        body = await asyncio.shield(bomb_ready)
        writer.write(head(200, [("Content-Encoding", "gzip"), ("Content-Length", len(body))]) + body)
    elif name == "loop":
        writer.write(head(302, [("Location", path), ("Content-Length", 0)]))
    elif name == "to":
        writer.write(head(302, [("Location", urllib.parse.unquote(rest)), ("Content-Length", 0)]))
    elif name == "gen":
        index = int(rest)
        links = "".join('<a href="/gen/%d?%s">page %d</a> ' % ((index * 7 + k * 31 + 1) % site_pages,
                        urllib.parse.urlencode(query), k) for k in range(10))
        body = ("<html><body><p>Call 555-%03d-%04d.</p>%s</body></html>" % (index % 1000, index, links)).encode()
        writer.write(page(body))
    elif name == "located":
        writer.write(head(302, [("Location", urllib.parse.unquote(t)) for t in rest.split("/")] + [("Content-Length", 0)]))
    elif name == "hops":
        hop = int(rest)
        target = str(hop - 1) + ("?" + urllib.parse.urlencode(query) if query else "")
        writer.write(head(302, [("Location", target), ("Content-Length", 0)]) if hop else page(b"hops 5551234567"))
    elif name == "status":
        body = b"<html>Error page. Call 555-123-4567.</html>"
        writer.write(head(int(rest), [("Content-Length", len(body))]) + body)
    else:
        writer.write(head(404, [("Content-Length", 0)]))
    await writer.drain()
    return True


async def serve(reader, writer):
    host = writer.get_extra_info("sockname")[0]
    connections[host] = connections.get(host, 0) + 1
    try:
        while True:
            request = await reader.readuntil(b"\r\n\r\n")
            target = request.split(b" ", 2)[1].decode()
            url = urllib.parse.urlsplit(target)
            query = dict(urllib.parse.parse_qsl(url.query))
            active[host] = active.get(host, 0) + 1
            agent = b""
            cookie = ""
            for line in request.split(b"\r\n")[1:]:
                if line.lower().startswith(b"user-agent:"):
                    agent = line[11:].strip()
                if line.lower().startswith(b"cookie:"):
                    cookie = line[7:].strip().decode("latin-1")
            log("request", host, target, sum(active.values()), active[host], sum(connections.values()),
                connections[host], "https" if writer.get_extra_info("ssl_object") else "http",
                urllib.parse.quote(agent) or "-", "%.1f" % ((asyncio.get_running_loop().time() - started) * 1000))
            if request.startswith(b"CONNECT ") and tls_context:
                active[host] -= 1
                writer.write(b"HTTP/1.1 200 Connection established\r\n\r\n")
                await writer.start_tls(tls_context)
                continue
            try:
                delay = float(query.get("delay", "0")) / 1000
                if delay:
                    # A client that leaves while it waits is noticed at once.
                    gone = asyncio.ensure_future(reader.read(1))
                    done, _ = await asyncio.wait([gone], timeout=delay)
                    if done:
                        log("aborted", host, target)
                        return
                    gone.cancel()
                    try:
                        await gone
                    except asyncio.CancelledError:
                        pass
                keys = ([target + " cookie=" + cookie] if cookie else []) + [host + " " + target, target]
                routed = site and next((path for path in (
                    os.path.join(site, hashlib.sha1(key.encode()).hexdigest()) for key in keys)
                    if os.path.exists(path)), None)
                if routed:
                    if jitter:
                        await asyncio.sleep(random.uniform(0, jitter / 1000))
                    answers = open(routed, "rb").read().split(b"\0next\0\n")
                    turn = routed_count.get(routed, 0)
                    routed_count[routed] = turn + 1
                    routed_answer = answers[min(turn, len(answers) - 1)]
                    if routed_answer == b"\0reset":
                        reset(writer)
                        return
                    if routed_answer == b"\0empty":
                        writer.close()
                        return
                    if routed_answer == b"\0hang":
                        await reader.read(1)
                        raise ConnectionResetError
                    writer.write(routed_answer)
                    await writer.drain()
                    keep = True
                else:
                    keep = await answer(url.path, query, reader, writer)
            except ConnectionError:
                log("aborted", host, target)
                return
            finally:
                active[host] -= 1
            if not keep:
                return
    except (asyncio.IncompleteReadError, ConnectionError, asyncio.LimitOverrunError):
        pass
    finally:
        connections[host] -= 1
        if not writer.transport.is_closing():
            writer.close()


def cut(corpus, count):
    data = open(corpus, "rb").read()
    size, start = len(data) // count, 0
    for i in range(count):
        end = len(data) if i + 1 == count else data.index(b"\n", (i + 1) * size) + 1
        corpus_pages.append(data[start:end])
        start = end


async def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--hosts", type=int, default=1)
    parser.add_argument("--cert")
    parser.add_argument("--key")
    parser.add_argument("--corpus")
    parser.add_argument("--pages", type=int, default=200)
    parser.add_argument("--site")
    parser.add_argument("--site-pages", type=int, default=250)
    parser.add_argument("--jitter", type=int, default=0)
    options = parser.parse_args()
    global site, site_pages, jitter, started
    site, site_pages, jitter = options.site, options.site_pages, options.jitter
    started = asyncio.get_running_loop().time()
    if options.corpus:
        cut(options.corpus, options.pages)
    global bomb_ready
    bomb_ready = asyncio.get_running_loop().run_in_executor(None, bomb)  # ready by the time it is asked for
    first = await asyncio.start_server(serve, "127.0.0.1", 0, backlog=512)
    port = first.sockets[0].getsockname()[1]
    servers = [first]
    for host in range(2, options.hosts + 1):
        servers.append(await asyncio.start_server(serve, "127.0.0.%d" % host, port, backlog=512))
    tls_port = 0
    if options.cert:
        global tls_context
        context = tls_context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
        context.load_cert_chain(options.cert, options.key)
        tls = await asyncio.start_server(serve, "127.0.0.1", 0, ssl=context, backlog=512)
        tls_port = tls.sockets[0].getsockname()[1]
        servers.append(tls)
    stuck = socket.socket()
    stuck.bind(("127.0.0.1", 0))
    stuck.listen(0)
    fillers = []
    for _ in range(3):
        filler = socket.socket()
        filler.setblocking(False)
        filler.connect_ex(stuck.getsockname())
        fillers.append(filler)
    log(json.dumps({"port": port, "tls_port": tls_port, "stuck_port": stuck.getsockname()[1]}))
    # Ends with its parent: stdin closes when the test goes away.
    await asyncio.get_running_loop().run_in_executor(None, sys.stdin.read)


if __name__ == "__main__":
    asyncio.run(main())
