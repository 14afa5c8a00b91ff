#!/usr/bin/python3
"""Pages of many hosts for the run's speed benchmark.

Listens on PORT at every address FIRST..LAST of the loopback range (to the
programs they are distinct hosts), answers every GET after DELAY seconds
with a small page and closes the connection. Writes one line per connection
to LOG: "address opened closed" in seconds of the monotonic clock, and
checks on SIGTERM/SIGINT that no address ever had two connections at once.

    pages_server.py PORT FIRST LAST DELAY LOG
    e.g. pages_server.py 8700 2 51 0.05 /tmp/log.txt
"""
import asyncio
import signal
import sys
import time

PAGE = (b"<html>\r\n<body>\r\n<p>Ogloszenie z dnia 15 marca 2026 r.</p>\r\n"
        + b"<p>tresc strony</p>\r\n" * 40 + b"</body>\r\n</html>\r\n")


def main():
    port, first, last = int(sys.argv[1]), int(sys.argv[2]), int(sys.argv[3])
    delay, log_path = float(sys.argv[4]), sys.argv[5]
    log = open(log_path, "w", buffering=1)

    async def handle(reader, writer):
        opened = time.monotonic()
        address = writer.get_extra_info("sockname")[0]
        try:
            head = await reader.readuntil(b"\r\n\r\n")
            method = head.split(b" ", 1)[0]
            await asyncio.sleep(delay)
            writer.write(b"HTTP/1.1 200 OK\r\nContent-Type: text/html; charset=utf-8\r\n"
                         b"Content-Length: %d\r\nConnection: close\r\n\r\n" % len(PAGE))
            if method != b"HEAD":
                writer.write(PAGE)
            await writer.drain()
        except (asyncio.IncompleteReadError, ConnectionError, asyncio.LimitOverrunError):
            pass
        finally:
            writer.close()
            try:
                await writer.wait_closed()
            except ConnectionError:
                pass
            log.write("%s %.6f %.6f\n" % (address, opened, time.monotonic()))

    async def serve():
        servers = [await asyncio.start_server(handle, "127.0.0.%d" % n, port, backlog=64)
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
