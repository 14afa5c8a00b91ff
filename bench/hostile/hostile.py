#!/usr/bin/python3
"""Hostile inputs for bench/hostile/peak-memory.sh, made on the spot.

    hostile.py bomb HISTORY MEGABYTES   every stored text and body of the
                                        history becomes a zlib stream that
                                        unpacks to MEGABYTES of spaces (its
                                        stored size stays as it was)
    hostile.py feed FILE                an Atom feed of 157 KB whose one
                                        4,000-character entity is used
                                        50,000 times
    hostile.py list FILE N              an update list of N entries
    hostile.py config FILE HOST         config.ini for publishing to HOST
                                        (user ekowarta, password haslo),
                                        with the feed on
    hostile.py length PORT              an HTTP server on 127.0.0.1:PORT whose
                                        every answer announces 2^32 + 96 bytes
                                        and sends 96; prints "ready"
"""
import socket
import sqlite3
import sys
import zlib


def bomb(path, megabytes):
    z = zlib.compressobj(9)
    block = b" " * (1 << 20)
    packed = b"".join(z.compress(block) for _ in range(megabytes)) + z.flush()
    db = sqlite3.connect(path)
    db.execute("UPDATE tresci SET tresc = ?, tekst = ?", (packed, packed))
    db.commit()
    print("%d rows, %d KB of zlib for %d MB" % (db.total_changes, len(packed) // 1024, megabytes))


def feed(path):
    head = (b'<?xml version="1.0" encoding="UTF-8"?>\n<!DOCTYPE feed [<!ENTITY w "' + b"w" * 4000 + b'">]>\n'
            b'<feed xmlns="http://www.w3.org/2005/Atom"><id>urn:x</id><title>t</title>'
            b"<entry><id>urn:e</id><summary>")
    with open(path, "wb") as f:
        f.write(head + b"&w;" * 50000 + b"</summary></entry></feed>")


def update_list(path, n):
    months = ["stycznia", "lutego", "marca", "kwietnia", "maja", "czerwca", "lipca", "sierpnia",
              "wrze\u015bnia", "pa\u017adziernika", "listopada", "grudnia"]
    with open(path, "wb") as f:
        for i in range(n):
            line = ('Dnia %d %s 2025 wprowadzono zmiany na stronie gminy <a href="http://gmina%d.pl/info" '
                    'target=_blank><b>Gmina %d</b></a> (obszar Natura 2000: Ostoja). <hr>'
                    % (1 + i % 28, months[i % 12], i, i))
            f.write(line.encode("cp1250") + b"\r\n")


def config(path, host):
    password = bytes(b ^ (i + 1) for i, b in enumerate(b"haslo"))
    with open(path, "wb") as f:
        f.write(b"[opcje]\r\nhost=" + host.encode() + b"\r\ndir=/www\r\nuser=ekowarta\r\npass=" + password +
                b"\r\natom=1\r\n")


def length(port):
    s = socket.socket()
    s.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    s.bind(("127.0.0.1", port))
    s.listen(4)
    print("ready", flush=True)
    while True:
        c, _ = s.accept()
        c.recv(65536)
        body = b"<html><body><p>Obwieszczenie Wojta z dnia 5 marca 2026 r.</p>".ljust(96)
        c.sendall(b"HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nContent-Length: 4294967392\r\n\r\n" + body)
        c.close()


if __name__ == "__main__":
    what = sys.argv[1]
    if what == "bomb":
        bomb(sys.argv[2], int(sys.argv[3]))
    elif what == "feed":
        feed(sys.argv[2])
    elif what == "list":
        update_list(sys.argv[2], int(sys.argv[3]))
    elif what == "config":
        config(sys.argv[2], sys.argv[3])
    elif what == "length":
        length(int(sys.argv[2]))
