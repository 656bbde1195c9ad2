#!/usr/bin/python3
"""Writes the mails of viewer_reads_mail.sh into a Maildir's new/, made with Python's email
package (not the program's own composer): an HTML-only shop newsletter, phone mail with emoji
and a yen sign, a forwarded mail (message/rfc822), and a mail with a photo attached.

    reading_mails.py MAILDIR HTML_FILE
"""
import email.message
import email.policy
import email.utils
import pathlib
import sys
import time

maildir, html_file = pathlib.Path(sys.argv[1]), pathlib.Path(sys.argv[2])


def message(subject, sender, date):
    m = email.message.EmailMessage(policy=email.policy.SMTP)
    m['From'] = sender
    m['To'] = 'demo@localhost'
    m['Subject'] = subject
    m['Date'] = date
    m['Message-ID'] = email.utils.make_msgid(domain='example.jp')
    return m


shop = message('秋の大感謝セール開催中', 'こもれび <news@shop.example.jp>', 'Tue, 08 Dec 2026 09:00:00 +0900')
shop.set_content(html_file.read_text(encoding='utf-8'), subtype='html')

phone = message('クリスマスの写真', '花子 <hanako@example.jp>', 'Tue, 08 Dec 2026 20:15:00 +0900')
phone.set_content('ツリーきれいだった🎄\nケーキは¥8,980でした😋\n来年もよろしくね❤️\n')

inner = message('打ち合わせの件', '佐藤 一郎 <sato@example.co.jp>', 'Mon, 07 Dec 2026 18:00:00 +0900')
inner.set_content('山田様\n\n明日の打ち合わせは10時から、3階の会議室です。\n資料は当日お配りします。\n')
forward = message('Fwd: 打ち合わせの件', '山田 <yamada@example.jp>', 'Tue, 08 Dec 2026 21:00:00 +0900')
forward.set_content('転送します。\n')
forward.add_attachment(inner)

photo = message('写真を送ります', '花子 <hanako@example.jp>', 'Tue, 08 Dec 2026 21:30:00 +0900')
photo.set_content('写真です。\n')
photo.add_attachment(b'\xff\xd8\xff\xe0\x00\x10JFIF\x00' + bytes(200) + b'\xff\xd9', maintype='image',
                     subtype='jpeg', filename='photo.jpg')

for n, mail in enumerate([shop, phone, forward, photo]):
    name = '%d.%06d.viewer' % (int(time.time()), n)
    (maildir / 'tmp' / name).write_bytes(mail.as_bytes())
    (maildir / 'tmp' / name).rename(maildir / 'new' / name)
