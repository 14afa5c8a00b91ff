#!/usr/bin/python3
"""FTP server for the tests, on 127.0.0.1 only.

Serves --root to one user. Prints "PORT <n>" on stdout once it listens (on
the port asked for, or a free one with --port 0) and runs until killed.
--passive-only refuses PORT and EPRT, as servers behind some firewalls do.
--break-downloads sends the first half of a file, then aborts the transfer
(426), as a connection that breaks in the middle would.
--refuse-first-login answers the first login of its life with 530, as a
server does that is busy or briefly out of sessions.
--silent-downloads never answers RETR, as a server that hangs does.
--drop-uploads closes the data connection after 4096 bytes of a STOR and
keeps what arrived, as a connection that breaks in the middle would.
--short-stores keeps only the first 65536 bytes of what a STOR sends and
still answers 226, as a server with a full disk may.
--refuse-renames answers every RNTO with 550.
--silent-stores never answers STOR, as a server that hangs during an upload
does.
"""
import argparse
import logging
import sys

from pyftpdlib.authorizers import DummyAuthorizer
from pyftpdlib.handlers import DTPHandler, FTPHandler
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


class RefuseFirstLoginHandler(FTPHandler):
    refused = False

    def ftp_PASS(self, line):
        if not RefuseFirstLoginHandler.refused:
            RefuseFirstLoginHandler.refused = True
            self.flush_account()
            self.respond("530 Too many sessions, try later.")
            return
        FTPHandler.ftp_PASS(self, line)


class SilentDownloadsHandler(FTPHandler):
    def ftp_RETR(self, file):
        pass


class DroppingDTPHandler(DTPHandler):
    """Closes the data connection once 4096 bytes of an upload arrived."""

    def handle_read(self):
        DTPHandler.handle_read(self)
        if self.receive and self.tot_bytes_received >= 4096 and not self._closed:
            self._resp = ("426 Connection closed; transfer aborted.", logging.debug)
            self.close()

    handle_read_event = handle_read  # the base class binds its own


class ShortStoringDTPHandler(DTPHandler):
    """Keeps only the first 65536 bytes of an upload."""

    def handle_read(self):
        try:
            chunk = self.recv(self.ac_in_buffer_size)
        except OSError:
            self.handle_error()
            return
        self.tot_bytes_received += len(chunk)
        if not chunk:
            self.transfer_finished = True
            return
        room = max(0, 65536 - self.file_obj.tell())
        self.file_obj.write(chunk[:room])

    handle_read_event = handle_read  # the base class binds its own


class SilentStoresHandler(FTPHandler):
    def ftp_STOR(self, file, mode='w'):
        pass


class RefuseRenamesHandler(FTPHandler):
    def ftp_RNTO(self, path):
        self.respond("550 Renaming not allowed.")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--user", required=True)
    parser.add_argument("--password", required=True)
    parser.add_argument("--port", type=int, default=0)
    parser.add_argument("--passive-only", action="store_true")
    parser.add_argument("--break-downloads", action="store_true")
    parser.add_argument("--refuse-first-login", action="store_true")
    parser.add_argument("--silent-downloads", action="store_true")
    parser.add_argument("--drop-uploads", action="store_true")
    parser.add_argument("--short-stores", action="store_true")
    parser.add_argument("--refuse-renames", action="store_true")
    parser.add_argument("--silent-stores", action="store_true")
    args = parser.parse_args()

    # The broken transfers are on purpose; their tracebacks are not news.
    quiet = args.break_downloads or args.drop_uploads or args.silent_downloads or args.silent_stores
    level = logging.CRITICAL if quiet else logging.WARNING
    logging.basicConfig(level=level, stream=sys.stderr)
    authorizer = DummyAuthorizer()
    authorizer.add_user(args.user, args.password, args.root, perm="elradfmwMT")
    handler = FTPHandler
    if args.passive_only:
        handler = PassiveOnlyHandler
    elif args.break_downloads:
        handler = BrokenDownloadsHandler
    elif args.refuse_first_login:
        handler = RefuseFirstLoginHandler
    elif args.silent_downloads:
        handler = SilentDownloadsHandler
    elif args.refuse_renames:
        handler = RefuseRenamesHandler
    elif args.silent_stores:
        handler = SilentStoresHandler
    if args.drop_uploads:
        handler.dtp_handler = DroppingDTPHandler
    elif args.short_stores:
        handler.dtp_handler = ShortStoringDTPHandler
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
