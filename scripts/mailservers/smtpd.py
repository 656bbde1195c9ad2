"""Loopback SMTP server for the tests, on Debian's aiosmtpd.

Three listeners share one handler: --plain takes mail from anyone and offers STARTTLS but no
AUTH (not even in its EHLO); --auth offers STARTTLS and AUTH PLAIN/LOGIN and refuses senders (530) until the client has
logged in; --implicit speaks TLS from the first byte and needs AUTH too. Logins are checked
against Dovecot's passwd-file. Each message is kept in --spool and delivered to the Maildir of
every recipient whose local part names a user under --home.
"""
import argparse
import itertools
import os
import signal
import ssl
import threading
import time

from aiosmtpd.controller import Controller
from aiosmtpd.smtp import AuthResult, LoginPassword


class Delivery:
    def __init__(self, home, spool):
        self.home = home
        self.spool = spool
        self.counter = itertools.count(1)
        os.makedirs(spool, exist_ok=True)

    def _write(self, folder, name, data):
        tmp = os.path.join(folder, "tmp", name)
        with open(tmp, "wb") as f:
            f.write(data)
        os.rename(tmp, os.path.join(folder, "new", name))

    async def handle_DATA(self, server, session, envelope):
        name = "%d.%d.smtpd" % (time.time_ns(), next(self.counter))
        data = envelope.original_content or envelope.content
        with open(os.path.join(self.spool, name + ".eml"), "wb") as f:
            f.write(b"X-Envelope-From: " + envelope.mail_from.encode() + b"\r\n")
            f.write(b"X-Envelope-To: " + ",".join(envelope.rcpt_tos).encode() + b"\r\n")
            f.write(data)
        for rcpt in envelope.rcpt_tos:
            maildir = os.path.join(self.home, rcpt.split("@")[0], "Maildir")
            if os.path.isdir(maildir):
                self._write(maildir, name, data)
        return "250 OK delivered"


def passwd_checker(path):
    def check(server, session, envelope, mechanism, auth_data):
        if not isinstance(auth_data, LoginPassword):
            return AuthResult(success=False, handled=False)
        with open(path) as f:
            accounts = dict(line.rstrip("\n").split(":", 1) for line in f if ":" in line)
        login = auth_data.login.decode(errors="replace")
        ok = accounts.get(login) == auth_data.password.decode(errors="replace")
        # handled=False makes aiosmtpd answer 535 itself on a wrong password.
        return AuthResult(success=ok, handled=False)
    return check


def main():
    p = argparse.ArgumentParser()
    for name in ("home", "spool", "cert", "key", "passwd"):
        p.add_argument("--" + name, required=True)
    for name in ("plain", "auth", "implicit"):
        p.add_argument("--" + name, type=int, required=True)
    p.add_argument("--no-tls", action="store_true", help="plain text only, no implicit-TLS port")
    a = p.parse_args()

    ctx = None
    if not a.no_tls:
        ctx = ssl.create_default_context(ssl.Purpose.CLIENT_AUTH)
        ctx.load_cert_chain(a.cert, a.key)
    handler = Delivery(a.home, a.spool)
    check = passwd_checker(a.passwd)
    common = dict(hostname="127.0.0.1", data_size_limit=64 * 1024 * 1024)
    auth = dict(authenticator=check, auth_required=True, auth_require_tls=False)
    controllers = [
        # aiosmtpd offers AUTH even without an authenticator; this one takes no login at all.
        Controller(handler, port=a.plain, tls_context=ctx, auth_exclude_mechanism=["PLAIN", "LOGIN"], **common),
        Controller(handler, port=a.auth, tls_context=ctx, **auth, **common),
    ]
    if ctx:
        controllers.append(Controller(handler, port=a.implicit, ssl_context=ctx, **auth, **common))
    for c in controllers:
        c.start()
    # Every message is on disk before it is acknowledged, so there is nothing to wind down.
    signal.signal(signal.SIGTERM, lambda *_: os._exit(0))
    signal.signal(signal.SIGINT, lambda *_: os._exit(0))
    threading.Event().wait()


if __name__ == "__main__":
    main()
