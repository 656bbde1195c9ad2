#!/usr/bin/python3
"""Checks the received history written by the end-to-end test byte by byte: three records of
20284 bytes, code page 932 fields padded with spaces, the sender in the address field, the
♪ note on the mail with an attachment, CR LF and InUse 1 at the end of each.

    check_received_records.py zeldata2.data
"""
import sys

RECORD = 20284
SUBJECTS = ["ようこそ Tessaly へ", "今日の会議について", "見積書をお送りします"]
NOTE = "♪♪♪　添付ファイルがありましので、添付フォルダに展開しました。♪♪♪"


def field(record, start, width):
    raw = record[start:start + width]
    assert len(raw) == width
    return raw


def main():
    data = open(sys.argv[1], "rb").read()
    assert len(data) == 3 * RECORD, len(data)
    for n, subject in enumerate(SUBJECTS):
        record = data[n * RECORD:(n + 1) * RECORD]
        expected = subject.encode("cp932")
        assert field(record, 0, 100) == expected.ljust(100, b" "), (n, field(record, 0, 100))
        sender = field(record, 100, 90).rstrip(b" ").decode("cp932")
        assert "yamada@tessaly.example" in sender and "山田" in sender, sender
        assert field(record, 190, 90).strip(b" "), "empty date field"
        body = field(record, 280, 20000).rstrip(b" ").decode("cp932")
        assert (NOTE in body) == (n == 2), (n, body)
        assert record[20280:] == b"\r\n\x01\x00", record[20280:]
    print("records ok")


if __name__ == "__main__":
    main()
