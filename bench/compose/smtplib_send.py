#!/usr/bin/python3
"""The comparison for compose_bulk_bench: one Python smtplib session, STARTTLS and AUTH, sending
COUNT mails of the same text to bench001@example.jp ... (or one mail carrying ATTACHMENT),
each built by Python's email package. Prints the time from connecting to QUIT.

    smtplib_send.py PORT CA_FILE COUNT [ATTACHMENT]
"""
import mimetypes
import os
import smtplib
import ssl
import sys
import time
from email.message import EmailMessage

port, ca_file, count = int(sys.argv[1]), sys.argv[2], int(sys.argv[3])
attachment = sys.argv[4] if len(sys.argv) > 4 else None
body = "一斉送信の速さを測るための本文です。\r\n" * 20


def message(n):
    m = EmailMessage()
    m["From"] = "tessa@example.jp"
    m["To"] = "bench%03d@example.jp" % n
    m["Subject"] = "一斉送信の速さ"
    m.set_content(body)
    if attachment:
        kind = (mimetypes.guess_type(attachment)[0] or "application/octet-stream").split("/")
        with open(attachment, "rb") as f:
            m.add_attachment(f.read(), maintype=kind[0], subtype=kind[1], filename=os.path.basename(attachment))
    return m


start = time.monotonic()
with smtplib.SMTP("127.0.0.1", port, local_hostname="[127.0.0.1]") as s:
    s.starttls(context=ssl.create_default_context(cafile=ca_file))
    s.login("bench", "secret-bench")
    for n in range(1, count + 1):
        s.send_message(message(n))
elapsed = time.monotonic() - start
what = "1 mail with the attachment" if attachment else "%d mails" % count
print("smtplib: %s in %.3f s" % (what, elapsed))
