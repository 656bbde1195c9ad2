#!/usr/bin/python3
"""Drops a few Japanese sample mails into a Maildir, as a delivery agent would (tmp/, then
new/), owned by the system's "mail" user that the loopback Dovecot serves mail as.

    seed-mails.py MAILDIR
"""
import os
import pwd
import sys
import time
from email.header import Header
from email.mime.application import MIMEApplication
from email.mime.multipart import MIMEMultipart
from email.mime.text import MIMEText
from email.utils import formatdate, make_msgid

SENDER = "=?ISO-2022-JP?B?GyRCOzNFRBsoQg==?= <yamada@tessaly.example>"  # 山田


def text_mail(subject, body, charset="iso-2022-jp"):
    mail = MIMEText(body, "plain", charset)
    mail["Subject"] = Header(subject, charset)
    return mail


def mail_with_attachment(subject, body, file_name, data):
    mail = MIMEMultipart()
    mail["Subject"] = Header(subject, "iso-2022-jp")
    mail.attach(MIMEText(body, "plain", "iso-2022-jp"))
    part = MIMEApplication(data, "octet-stream")
    part.add_header("Content-Disposition", "attachment", filename=("utf-8", "", file_name))
    mail.attach(part)
    return mail


def samples():
    yield text_mail("ようこそ Tessaly へ",
                    "Tessaly のデモへようこそ。\n"
                    "「受信」を押すと、このメールが受信履歴に入り、ルーレットが回ります。\n")
    yield text_mail("今日の会議について",
                    "お疲れさまです。会議は１５時から第２会議室（～１６時）です。\n①資料の確認 ②日程の相談\n",
                    "utf-8")
    yield mail_with_attachment("見積書をお送りします",
                               "見積書を添付いたします。ご確認ください。\n",
                               "見積書①.txt",
                               "品名　数量　単価\nルーレット　１　１６００円\n".encode("cp932"))


def main():
    maildir = sys.argv[1]
    mail_user = pwd.getpwnam("mail")
    for n, mail in enumerate(samples()):
        mail["From"] = SENDER
        mail["To"] = "demo@localhost"
        mail["Date"] = formatdate(localtime=True)
        mail["Message-ID"] = make_msgid(domain="tessaly.example")
        name = "%d.%d_%d.demo" % (time.time(), os.getpid(), n)
        tmp = os.path.join(maildir, "tmp", name)
        with open(tmp, "wb") as f:
            f.write(mail.as_bytes().replace(b"\n", b"\r\n"))
        os.chown(tmp, mail_user.pw_uid, mail_user.pw_gid)
        os.rename(tmp, os.path.join(maildir, "new", name))


if __name__ == "__main__":
    main()
