#!/usr/bin/python3
"""SMTP server for the mailer tests.

Listens on 127.0.0.1 on a free port and prints the port on a line of its own. Each message it
receives goes into a numbered folder (001, 002, ...) below --folder, one file per field, decoded
by Python's email package so the test compares against an independent reader:

  raw           the message as received
  mail_from     envelope sender
  rcpt_tos      envelope recipients, one a line
  login         the user name the client logged in with (empty without login)
  from_name, from_addr, to (addresses joined by ", "), subject, date (ISO 8601 with offset),
  message_id, x_mailer, mime_version, content_type, charset, cte,
  body          the decoded text, line breaks as LF
  headers       the header names in order, one a line

The folder is renamed into place only when complete. With --user and --password the server
requires AUTH (LOGIN or PLAIN, allowed without TLS) and refuses other credentials with
"535 5.7.8 Wrong user name or password for tests". Exits with status 3 when aiosmtpd is missing.
"""

import argparse
import asyncio
import email
import email.header
import email.policy
import email.utils
import itertools
import logging
import os
import sys
import warnings

try:
    from aiosmtpd.smtp import SMTP, AuthResult, LoginPassword
except ImportError:
    print("aiosmtpd is not installed", flush=True)
    sys.exit(3)


class Handler:
    def __init__(self, folder):
        self.folder = folder
        self.counter = itertools.count(1)

    async def handle_DATA(self, server, session, envelope):
        raw = envelope.original_content or envelope.content
        msg = email.message_from_bytes(raw, policy=email.policy.default)
        # The default policy's address parser keeps the blanks between adjacent encoded
        # words of a display name; the older decoder drops them as RFC 2047 says.
        legacy = email.message_from_bytes(raw)
        from_name, from_addr = email.utils.parseaddr(legacy["From"] or "")
        from_name = str(email.header.make_header(email.header.decode_header(from_name)))
        fields = {
            "raw": raw,
            "mail_from": envelope.mail_from or "",
            "rcpt_tos": "\n".join(envelope.rcpt_tos),
            "login": getattr(session.auth_data, "login", b"").decode("utf-8", "replace"),
            "from_name": from_name,
            "from_addr": from_addr,
            "to": ", ".join(a.addr_spec for a in msg["To"].addresses) if msg["To"] else "",
            "subject": str(msg["Subject"] or ""),
            "date": email.utils.parsedate_to_datetime(msg["Date"]).isoformat()
            if msg["Date"] else "",
            "message_id": str(msg["Message-ID"] or ""),
            "x_mailer": str(msg["X-Mailer"] or ""),
            "mime_version": str(msg["MIME-Version"] or ""),
            "content_type": msg.get_content_type(),
            "charset": msg.get_content_charset() or "",
            "cte": str(msg["Content-Transfer-Encoding"] or ""),
            "body": msg.get_content().replace("\r\n", "\n"),
            "headers": "\n".join(msg.keys()),
        }
        name = "%03d" % next(self.counter)
        work = os.path.join(self.folder, "." + name)
        os.mkdir(work)
        for key, value in fields.items():
            data = value if isinstance(value, bytes) else value.encode("utf-8")
            with open(os.path.join(work, key), "wb") as f:
                f.write(data)
        os.rename(work, os.path.join(self.folder, name))
        return "250 OK"


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--folder", required=True)
    parser.add_argument("--user")
    parser.add_argument("--password")
    args = parser.parse_args()

    # Plain-text AUTH is what these tests want; keep the server's warnings about it quiet.
    warnings.simplefilter("ignore")
    logging.getLogger("mail.log").setLevel(logging.ERROR)

    handler = Handler(args.folder)
    auth = {}
    if args.user is not None:
        def authenticator(server, session, envelope, mechanism, auth_data):
            ok = (isinstance(auth_data, LoginPassword)
                  and auth_data.login == args.user.encode()
                  and auth_data.password == (args.password or "").encode())
            if ok:
                return AuthResult(success=True, auth_data=auth_data)
            return AuthResult(success=False, handled=False,
                              message="535 5.7.8 Wrong user name or password for tests")
        auth = dict(authenticator=authenticator, auth_required=True, auth_require_tls=False)

    loop = asyncio.new_event_loop()
    asyncio.set_event_loop(loop)
    server = loop.run_until_complete(loop.create_server(
        lambda: SMTP(handler, hostname="tests.localdomain", **auth), "127.0.0.1", 0))
    print(server.sockets[0].getsockname()[1], flush=True)
    try:
        loop.run_forever()
    except KeyboardInterrupt:
        pass


if __name__ == "__main__":
    main()
