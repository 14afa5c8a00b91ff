#!/usr/bin/python3
"""An SMTP server on 127.0.0.1 for the tests (Debian's aiosmtpd).

Prints "PORT <n>" once it listens. Every message it accepts goes into
--spool as <n>.json: the envelope, whether the session was encrypted, the
login used, and the message's headers and body as decoded by Python's own
e-mail parser.

--mode plain     no TLS offered
--mode starttls  offers STARTTLS with --cert/--key
--mode smtps     TLS from the first byte (--cert/--key)
--mode refuse    answers 550 to every recipient
--mode drop      closes the connection when the message's data begins
--login U:P      requires AUTH with this user and password (over TLS)
"""
import argparse
import asyncio
import email
import email.policy
import json
import os
import ssl
import sys

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword

args = None
counter = 0


class Handler:
    async def handle_RCPT(self, server, session, envelope, address, rcpt_options):
        if args.mode == "refuse":
            return "550 5.1.1 Odbiorca odrzucony"
        envelope.rcpt_tos.append(address)
        return "250 OK"

    async def handle_DATA(self, server, session, envelope):
        global counter
        counter += 1
        msg = email.message_from_bytes(envelope.original_content or envelope.content, policy=email.policy.default)
        record = {
            "mail_from": envelope.mail_from,
            "rcpt_tos": envelope.rcpt_tos,
            "tls": session.ssl is not None or server.transport.get_extra_info("ssl_object") is not None,
            "login": session.auth_data.login.decode() if isinstance(getattr(session, "auth_data", None), LoginPassword) else None,
            "headers": {k: str(v) for k, v in msg.items()},
            "raw_subject": msg.get("Subject").__str__() if msg.get("Subject") else None,
            "raw_headers": (envelope.original_content or b"").split(b"\r\n\r\n", 1)[0].decode("ascii", "replace"),
            "body": msg.get_content() if not msg.is_multipart() else None,
            "charset": msg.get_content_charset(),
        }
        path = os.path.join(args.spool, "%d.json" % counter)
        with open(path + ".part", "w", encoding="utf-8") as f:
            json.dump(record, f, ensure_ascii=False)
        os.replace(path + ".part", path)
        return "250 Message accepted"


class DroppingSMTP(SMTP):
    async def smtp_DATA(self, arg):
        self.transport.close()


def authenticator(server, session, envelope, mechanism, auth_data):
    user, password = args.login.split(":", 1)
    if isinstance(auth_data, LoginPassword) and auth_data.login.decode() == user \
            and auth_data.password.decode() == password:
        return AuthResult(success=True, auth_data=auth_data)
    return AuthResult(success=False, handled=False)


class TestController(Controller):
    def factory(self):
        kwargs = {}
        if args.mode == "starttls":
            kwargs["tls_context"] = self.tls
            kwargs["require_starttls"] = False
        if args.login:
            kwargs["authenticator"] = authenticator
            # Implicit TLS is not seen by aiosmtpd's own check.
            kwargs["auth_require_tls"] = args.mode == "starttls"
        cls = DroppingSMTP if args.mode == "drop" else SMTP
        return cls(self.handler, decode_data=False, **kwargs)


def main():
    global args
    p = argparse.ArgumentParser()
    p.add_argument("--mode", default="plain")
    p.add_argument("--spool", required=True)
    p.add_argument("--cert")
    p.add_argument("--key")
    p.add_argument("--login")
    p.add_argument("--host", default="127.0.0.1")
    args = p.parse_args()

    tls = None
    if args.mode in ("starttls", "smtps"):
        tls = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        tls.load_cert_chain(args.cert, args.key)

    # A free port: bind, read it, let go, hand it to the controller.
    import socket
    s = socket.socket()
    s.bind((args.host, 0))
    port = s.getsockname()[1]
    s.close()

    controller = TestController(Handler(), hostname=args.host, port=port,
                                ssl_context=tls if args.mode == "smtps" else None)
    controller.tls = tls
    controller.start()
    print("PORT %d" % port, flush=True)
    try:
        sys.stdin.read()  # until the test closes our stdin or ends us
    finally:
        controller.stop()


if __name__ == "__main__":
    main()
