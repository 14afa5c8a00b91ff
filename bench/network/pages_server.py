#!/usr/bin/python3
"""Pages of many hosts for the run's benchmarks.

Listens on PORT at every address FIRST..LAST of the loopback range (to the
programs they are distinct hosts), answers every GET after DELAY seconds
with a page and closes the connection. Writes one line per connection to
LOG: "address opened closed requests" in seconds of the monotonic clock.

    pages_server.py PORT FIRST LAST DELAY LOG [--bytes N] [--keep-alive] [--validators]
    e.g. pages_server.py 8700 2 51 0.05 /tmp/log.txt

--bytes N       every page about N bytes long (default: a small page of 2 KB)
--keep-alive    keeps a connection open for the next request when the
                client asks for it (HTTP/1.1, or "Connection: keep-alive")
--validators    every page has an ETag and a Last-Modified, and a request
                that sends them back gets 304 Not Modified
"""
import asyncio
import signal
import sys
import time

SMALL = (b"<html>\r\n<body>\r\n<p>Ogloszenie z dnia 15 marca 2026 r.</p>\r\n"
         + b"<p>tresc strony</p>\r\n" * 40 + b"</body>\r\n</html>\r\n")
ETAG = b'"strona-v1"'
LAST_MODIFIED = b"Sun, 15 Mar 2026 10:00:00 GMT"


def page_of(size):
    if size <= 0:
        return SMALL
    head = b"<html>\r\n<body>\r\n<p>Ogloszenie z dnia 15 marca 2026 r.</p>\r\n<table>\r\n"
    row = (b"<tr><td>Obwieszczenie o wszczeciu postepowania nr %06d</td>"
           b"<td>2026-03-%02d</td></tr>\r\n")
    parts, length, i = [head], len(head), 0
    while length < size:
        line = row % (i, 1 + i % 28)
        parts.append(line)
        length += len(line)
        i += 1
    parts.append(b"</table>\r\n</body>\r\n</html>\r\n")
    return b"".join(parts)


def header(head, name):
    for line in head.split(b"\r\n")[1:]:
        key, _, value = line.partition(b":")
        if key.strip().lower() == name:
            return value.strip()
    return None


def main():
    args = sys.argv[1:]
    port, first, last = int(args[0]), int(args[1]), int(args[2])
    delay, log_path = float(args[3]), args[4]
    options = args[5:]
    size = int(options[options.index("--bytes") + 1]) if "--bytes" in options else 0
    keep_alive = "--keep-alive" in options
    validators = "--validators" in options
    page = page_of(size)
    log = open(log_path, "w", buffering=1)

    async def handle(reader, writer):
        opened = time.monotonic()
        address = writer.get_extra_info("sockname")[0]
        requests = 0
        try:
            while True:
                try:
                    head = await reader.readuntil(b"\r\n\r\n")
                except asyncio.IncompleteReadError:
                    break
                requests += 1
                method = head.split(b" ", 1)[0]
                version = head.split(b"\r\n", 1)[0].rsplit(b" ", 1)[-1]
                connection = (header(head, b"connection") or b"").lower()
                keep = keep_alive and (connection == b"keep-alive"
                                       or (version == b"HTTP/1.1" and connection != b"close"))
                await asyncio.sleep(delay)
                extra = b"Connection: keep-alive\r\n" if keep else b"Connection: close\r\n"
                if validators:
                    extra += b"ETag: " + ETAG + b"\r\nLast-Modified: " + LAST_MODIFIED + b"\r\n"
                    if header(head, b"if-none-match") == ETAG or header(head, b"if-modified-since") == LAST_MODIFIED:
                        writer.write(b"HTTP/1.1 304 Not Modified\r\n" + extra + b"\r\n")
                        await writer.drain()
                        if keep:
                            continue
                        break
                writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                             b"Content-Length: %d\r\n" % len(page) + extra + b"\r\n")
                if method != b"HEAD":
                    writer.write(page)
                await writer.drain()
                if not keep:
                    break
        except (ConnectionError, asyncio.LimitOverrunError):
            pass
        finally:
            writer.close()
            try:
                await writer.wait_closed()
            except ConnectionError:
                pass
            log.write("%s %.6f %.6f %d\n" % (address, opened, time.monotonic(), requests))

    async def serve():
        servers = [await asyncio.start_server(handle, "127.0.0.%d" % n, port, backlog=128)
                   for n in range(first, last + 1)]
        stop = asyncio.Event()
        loop = asyncio.get_running_loop()
        for s in (signal.SIGTERM, signal.SIGINT):
            loop.add_signal_handler(s, stop.set)
        print("ready", flush=True)
        await stop.wait()
        for s in servers:
            s.close()

    asyncio.run(serve())
    log.close()


if __name__ == "__main__":
    main()
