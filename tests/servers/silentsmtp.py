#!/usr/bin/python3
"""An SMTP server on 127.0.0.1 for the tests that falls silent on purpose.

Prints "PORT <n>" once it listens, then for every connection the steps it
reached ("CONNECTED", "DATA", "ACCEPTED") on stdout, one a line, and serves
one connection at a time until killed.

--mode greet-silent  takes the connection and never says a word
--mode silent-end    speaks SMTP up to the message's end, then never
                     answers the final "."
--mode silent-quit   accepts the message (250) and never answers QUIT
--mode close-at-end  closes the connection instead of answering the final "."
"""
import argparse
import socket
import sys
import time


def say(text):
    sys.stdout.write(text + "\n")
    sys.stdout.flush()


def silent(conn):
    # Holds the connection open without a word until the peer leaves.
    try:
        while conn.recv(65536):
            pass
    except OSError:
        pass


def serve(conn, mode):
    say("CONNECTED")
    if mode == "greet-silent":
        silent(conn)
        return
    f = conn.makefile("rb")

    def reply(line):
        conn.sendall(line.encode("ascii") + b"\r\n")

    reply("220 127.0.0.1 ESMTP test")
    while True:
        line = f.readline()
        if not line:
            return
        verb = line.strip().split(b" ", 1)[0].upper()
        if verb in (b"EHLO", b"HELO"):
            reply("250 127.0.0.1")
        elif verb in (b"MAIL", b"RCPT", b"RSET", b"NOOP"):
            reply("250 OK")
        elif verb == b"DATA":
            say("DATA")
            reply("354 End data with <CR><LF>.<CR><LF>")
            while True:
                data = f.readline()
                if not data or data in (b".\r\n", b".\n"):
                    break
            if mode == "silent-end":
                silent(conn)
                return
            if mode == "close-at-end":
                return
            reply("250 Message accepted")
            say("ACCEPTED")
        elif verb == b"QUIT":
            if mode == "silent-quit":
                silent(conn)
                return
            reply("221 Bye")
            return
        else:
            reply("502 Not implemented")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--mode", required=True,
                        choices=["greet-silent", "silent-end", "silent-quit", "close-at-end"])
    args = parser.parse_args()
    listener = socket.socket(socket.AF_INET, socket.SOCK_STREAM)
    listener.setsockopt(socket.SOL_SOCKET, socket.SO_REUSEADDR, 1)
    listener.bind(("127.0.0.1", 0))
    listener.listen(8)
    say("PORT %d" % listener.getsockname()[1])
    while True:
        conn, _ = listener.accept()
        try:
            serve(conn, args.mode)
        except OSError:
            pass
        finally:
            try:
                conn.close()
            except OSError:
                pass


if __name__ == "__main__":
    main()
