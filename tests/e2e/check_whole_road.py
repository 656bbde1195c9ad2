#!/usr/bin/python3
"""Checks what the whole-road test left behind, byte by byte where the program owns the bytes.

    check_whole_road.py PROGRAM_FOLDER MAILDIR ATTACHMENT SENT_FROM SENT_TO SUBJECT BODY_LINE...

SENT_FROM and SENT_TO are the seconds since the epoch just before "送信" was pressed and just
after the mail reached the server. Checked:
  - the sent history holds one record: the subject, the clock text of the moment of sending
    ("yyyy/MM/dd  H:mm:ss"), the recipient and the body, padded with spaces, CR LF, InUse 1;
  - the received history holds one record: the same subject, the sender, the mail's date, the
    body followed by the attachment note;
  - the attachment folder holds the attachment under its own name with the same bytes;
  - the mailbox holds only the reply, with the subject "Re:  " and the received text.
"""
import email
import email.policy
import email.utils
import pathlib
import re
import sys
import time

RECORD = 20284
ADDRESS = "demo@localhost"
NOTE = "♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪"
END = b"\r\n\x01\x00"
# yyyy/MM/dd, two spaces, the hour without a leading zero.
CLOCK_FORM = re.compile(r"\d{4}/\d{2}/\d{2}  (0|[1-9]\d?):\d{2}:\d{2}\Z")


def padded(text, width):
    raw = text.encode("cp932")
    assert len(raw) <= width, text
    return raw.ljust(width, b" ")


def one_record(path):
    data = path.read_bytes()
    assert len(data) == RECORD, f"{path}: {len(data)} bytes, expected one record of {RECORD}"
    assert data[RECORD - 4:] == END, data[RECORD - 4:]
    return data


def check_within(moment, sent_from, sent_to, what):
    # The clock shows whole seconds and is refreshed once a second.
    assert sent_from - 2 <= moment <= sent_to + 1, f"{what} {moment} outside {sent_from}..{sent_to}"


def check_sent(folder, subject, body, sent_from, sent_to):
    record = one_record(folder / "★MAilData" / "zeldata5.data")
    assert record[0:100] == padded(subject, 100), record[0:100]
    clock = record[100:190].rstrip(b" ").decode("ascii")
    assert record[100:190] == padded(clock, 90) and CLOCK_FORM.match(clock), repr(clock)
    check_within(time.mktime(time.strptime(clock, "%Y/%m/%d  %H:%M:%S")), sent_from, sent_to, "clock text")
    assert record[190:280] == padded(ADDRESS, 90), record[190:280]
    assert record[280:20280] == padded(body, 20000), record[280:400]
    print(f"sent record ok ({clock})")


def check_received(folder, subject, body, sent_from, sent_to):
    record = one_record(folder / "★MAilData" / "zeldata2.data")
    assert record[0:100] == padded(subject, 100), record[0:100]
    assert record[100:190] == padded(ADDRESS, 90), record[100:190]
    date = record[190:280].rstrip(b" ").decode("ascii")
    check_within(email.utils.parsedate_to_datetime(date).timestamp(), sent_from, sent_to, "mail date")
    stored = record[280:20280].rstrip(b" ")
    assert stored.startswith(body.encode("cp932") + b"\r\n"), stored[:200]
    assert stored.decode("cp932").rstrip("\r\n").endswith(NOTE), stored[-200:]
    print(f"received record ok ({date})")


def check_attachment(folder, attachment):
    expanded = list((folder / "添付フォルダ").iterdir())
    assert [p.name for p in expanded] == [attachment.name], expanded
    assert expanded[0].read_bytes() == attachment.read_bytes(), "attachment bytes differ"
    print(f"attachment ok ({attachment.stat().st_size} bytes)")


def check_reply(maildir, subject, body):
    mails = [p for sub in ("new", "cur") for p in (maildir / sub).iterdir()]
    assert len(mails) == 1, f"the mailbox holds {len(mails)} mails, expected the reply alone"
    mail = email.message_from_bytes(mails[0].read_bytes(), policy=email.policy.default)
    assert str(mail["Subject"]) == "Re:  " + subject, repr(str(mail["Subject"]))
    assert mail["To"].addresses[0].addr_spec == ADDRESS, mail["To"]
    assert mail["From"].addresses[0].addr_spec == ADDRESS, mail["From"]
    text = mail.get_content().replace("\r\n", "\n")
    assert text.startswith(body.replace("\r\n", "\n") + "\n"), text[:200]
    assert NOTE in text, text
    print("reply ok")


def main():
    folder, maildir, attachment = (pathlib.Path(p) for p in sys.argv[1:4])
    sent_from, sent_to = int(sys.argv[4]), int(sys.argv[5])
    subject, body = sys.argv[6], "\r\n".join(sys.argv[7:])
    check_sent(folder, subject, body, sent_from, sent_to)
    check_received(folder, subject, body, sent_from, sent_to)
    check_attachment(folder, attachment)
    check_reply(maildir, subject, body)


if __name__ == "__main__":
    main()
