#!/usr/bin/python3
"""FTP server for the tests, on 127.0.0.1 only.

Serves --root to one user. Prints "PORT <n>" on stdout once it listens (on
the port asked for, or a free one with --port 0) and runs until killed.
--passive-only refuses PORT and EPRT, as servers behind some firewalls do.
--break-downloads sends the first half of a file, then aborts the transfer
(426), as a connection that breaks in the middle would.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import FTPHandler
from pyftpdlib.servers import FTPServer


class PassiveOnlyHandler(FTPHandler):
    def ftp_PORT(self, line):
        self.respond("502 Active mode not allowed.")

    def ftp_EPRT(self, line):
        self.respond("502 Active mode not allowed.")


class HalfFile(object):
    """Producer that yields half of a file and then fails."""

    def __init__(self, fd):
        self.data = fd.read()
        fd.close()
        self.sent = False

    def more(self):
        if not self.sent:
            self.sent = True
            return self.data[:len(self.data) // 2]
        raise OSError("broken on purpose")


class BrokenDownloadsHandler(FTPHandler):
    def ftp_RETR(self, file):
        try:
            fd = self.run_as_current_user(self.fs.open, file, 'rb')
        except OSError as err:
            self.respond("550 %s." % err.strerror)
            return
        self.push_dtp_data(HalfFile(fd), isproducer=True, cmd="RETR")
        return file


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--passive-only", action="store_true")
    parser.add_argument("--break-downloads", action="store_true")
    args = parser.parse_args()

    # The broken transfers are on purpose; their tracebacks are not news.
    level = logging.CRITICAL if args.break_downloads else logging.WARNING
    logging.basicConfig(level=level, stream=sys.stderr)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    handler = FTPHandler
    if args.passive_only:
        handler = PassiveOnlyHandler
    elif args.break_downloads:
        handler = BrokenDownloadsHandler
    handler.authorizer = authorizer
    handler.banner = "ekowarta test server"
    # A refused login answers at once instead of after the usual 3 s.
    handler.auth_failed_timeout = 0.05
    # Files go byte for byte; names are Latin-1 so that any byte passes.
    handler.encoding = "latin-1"
    server = FTPServer(("127.0.0.1", args.port), handler)
    print("PORT %d" % server.address[1], flush=True)
    server.serve_forever(handle_exit=True)


if __name__ == "__main__":
    main()
