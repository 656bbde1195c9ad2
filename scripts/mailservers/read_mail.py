#!/usr/bin/python3
"""Prints what Python's email package (policy=email.policy.default) reads from stored messages,
as JSON: an independent reader for the tests of outgoing mail.

    read_mail.py MESSAGE_FILE...

For each file, one JSON object on one line:
  subject        the Subject field, decoded
  from, to, cc   lists of {"name": display name, "addr": bare address local@domain}
  header_lines   the raw header lines (folded lines stay separate), as text
  defects        what the parser objected to, in the message and in each header field
  text           the plain-text body, decoded by its charset
  text_charset   its charset label
  text_bytes     its bytes with the transfer encoding removed (base64), for other decoders
  attachments    list of {"filename": ..., "data": base64 of the bytes, "legacy_name": the
                 Content-Type name parameter that readers without RFC 2231 use, its RFC 2047
                 words decoded (null when absent), "content_type": its MIME type}
  envelope_to    the SMTP recipients (RCPT TO) when the file is the test SMTP server's spool
                 copy (X-Envelope-To), else null
"""
import base64
import email
import email.policy
import email.utils
import json
import re
import sys
from email.header import decode_header, make_header


def addresses(message, name):
    field = message[name]
    if field is None:
        return []
    return [{"name": a.display_name, "addr": a.addr_spec} for a in field.addresses]


def legacy_name(part):
    value = part.get_param("name")
    if value is None:
        return None
    return str(make_header(decode_header(email.utils.collapse_rfc2231_value(value))))


def defects(message):
    found = [repr(d) for d in message.defects]
    for name, value in message.items():
        found += ["%s: %r" % (name, d) for d in getattr(value, "defects", ())]
    for part in message.walk():
        if part is not message:
            found += [repr(d) for d in part.defects]
    return found


def read(path):
    with open(path, "rb") as f:
        raw = f.read()
    message = email.message_from_bytes(raw, policy=email.policy.default)
    # A Maildir holds the mail with the line ends its delivering server writes: CR LF or LF.
    header = re.split(rb"\r?\n\r?\n", raw, 1)[0].decode("ascii", "replace")
    body = message.get_body(("plain",))
    attachments = [
        {"filename": part.get_filename(),
         "data": base64.b64encode(part.get_payload(decode=True) or b"").decode(),
         "legacy_name": legacy_name(part),
         "content_type": part.get_content_type()}
        for part in message.iter_attachments()
    ]
    envelope = message["X-Envelope-To"]
    return {
        "subject": str(message["Subject"] or ""),
        "from": addresses(message, "From"),
        "to": addresses(message, "To"),
        "cc": addresses(message, "Cc"),
        "header_lines": re.split(r"\r?\n", header),
        "defects": defects(message),
        "text": body.get_content() if body is not None else None,
        "text_charset": body.get_content_charset() if body is not None else None,
        "text_bytes": base64.b64encode(body.get_payload(decode=True) or b"").decode()
        if body is not None else None,
        "attachments": attachments,
        "envelope_to": str(envelope).split(",") if envelope is not None else None,
    }


def main():
    for path in sys.argv[1:]:
        print(json.dumps(read(path), ensure_ascii=False))


if __name__ == "__main__":
    main()
