"""Japanese mail written on the spot by other programs: nkf in its ISO-2022-JP modes (with the
NEC and IBM extensions Windows users type) and neomutt in batch mode. nkf's own reading of what
it wrote is the oracle for its mails (Python cannot read all of its modes); Python's email is
the oracle for neomutt's. glibc iconv gives the code page 932 bytes the stored text must hold.
"""

import base64
import os
import pathlib
import subprocess

import oracle

TEXT = '髙橋様\n丸数字①と㈱、波ダッシュ〜と全角チルダ～\nカタカナとｶﾀｶﾅ\n'
SUBJECT = '髙橋様へ①㈱のお知らせ'
# nkf modes: how it writes, and how it reads its own output back.
NKF_MODES = {
    'nkf-jis': (['-j'], ['-w', '-m0']),
    'nkf-jis-cp932': (['-j', '--cp932'], ['-w', '-m0', '--cp932']),
    'nkf-cp50220': (['--oc=CP50220'], ['-w', '-m0', '--ic=CP50220']),
    'nkf-cp50221': (['--oc=CP50221'], ['-w', '-m0', '--ic=CP50221']),
    'nkf-cp50222': (['--oc=CP50222'], ['-w', '-m0', '--ic=CP50222']),
}


def cp932_bytes(text):
    return subprocess.run(['iconv', '-f', 'UTF-8', '-t', 'CP932'], input=text.encode(), check=True,
                          capture_output=True).stdout


def nkf(options, data):
    return subprocess.run(['nkf'] + options, input=data, check=True, capture_output=True).stdout


def nkf_mail(folder, name, write, read):
    body = nkf(['--ic=UTF-8'] + write, TEXT.encode())
    subject = nkf(['--ic=UTF-8'] + write, SUBJECT.encode())
    raw = (b'From: nkf <nkf@example.jp>\r\nTo: user@example.jp\r\nDate: Tue, 8 Dec 2026 10:00:00 +0900\r\n'
           b'Subject: =?ISO-2022-JP?B?' + base64.b64encode(subject) + b'?=\r\nMIME-Version: 1.0\r\n'
           b'Content-Type: text/plain; charset=ISO-2022-JP\r\nContent-Transfer-Encoding: 7bit\r\n\r\n'
           + body.replace(b'\n', b'\r\n'))
    path = folder / (name + '.eml')
    path.write_bytes(raw)
    text = nkf(read, body).decode()
    expected = oracle.Expected(subject=nkf(read, subject).decode(), sender='nkf <nkf@example.jp>', text=text)
    # ①, ㈱, 髙 and ～ (where nkf kept them) as code page 932 writes them.
    expected.record_bytes = [cp932_bytes(ch) for ch in '①㈱髙～' if oracle.in_cp932(ch) in oracle.in_cp932(text)]
    return path, expected


def neomutt_mail(folder, name, charset, text, attachments=()):
    save = folder / 'save-mail.sh'
    save.write_text('#!/bin/sh\ncat > "$NEOMUTT_OUT"\n')
    save.chmod(0o755)
    (folder / 'body.txt').write_text(text, encoding='utf-8')
    path = folder / (name + '.eml')
    command = ['neomutt', '-n', '-F', '/dev/null', '-e', 'set send_charset=%s' % charset,
               '-e', 'set sendmail=%s' % save, '-e', 'set from="山田 太郎 <yamada@example.jp>"',
               '-s', SUBJECT]
    for attachment in attachments:
        command += ['-a', str(attachment)]
    command += ['--', 'user@example.jp']
    env = dict(os.environ, HOME=str(folder), NEOMUTT_OUT=str(path))
    with open(folder / 'body.txt', 'rb') as body:
        subprocess.run(command, stdin=body, env=env, check=True, timeout=60, capture_output=True)
    expected = oracle.expect(path.read_bytes())
    expected.record_bytes = [cp932_bytes(ch) for ch in '①㈱髙' if ch in text]
    return path, expected


def write_all(folder):
    """Writes the mails into folder; returns [(path, oracle.Expected)]."""
    folder = pathlib.Path(folder)
    folder.mkdir(parents=True, exist_ok=True)
    mails = [nkf_mail(folder, name, write, read) for name, (write, read) in NKF_MODES.items()]
    files = folder / 'files'
    files.mkdir(exist_ok=True)
    quote = files / '見積書①（最終版）.pdf'
    quote.write_bytes(bytes(range(256)) * 8)
    notes = files / 'とても長い日本語のファイル名を持つ添付ファイルの例です.txt'
    notes.write_bytes('添付のテキストです。\n'.encode('utf-8'))
    mails.append(neomutt_mail(folder, 'neomutt-iso-2022-jp', 'iso-2022-jp', 'かな漢字だけの本文です。\n二行目〜\n'))
    mails.append(neomutt_mail(folder, 'neomutt-utf-8-with-attachments', 'iso-2022-jp:utf-8', TEXT, [quote, notes]))
    return mails
