#!/usr/bin/python3
"""Kills "受信" at random moments and counts what that costs: SIGKILL during checks of a mailbox
topped up to the same size each time, then full checks until the mailbox is empty. Every mail delivered must be in
the received history exactly once, as a whole record; no attachment may be there twice (a
second copy "name (2).bin" of a mail stored again); the journal of the last check is gone.

    kill_loop.py --driver check_mail_once --env servers.env --work DIR [--rounds R] [--mails M] [--seed S]

Prints "kills: K, mails: N, lost: L, duplicates: D, duplicate files: F" and fails unless L, D and
F are 0.
"""
import argparse
import base64
import collections
import os
import random
import re
import subprocess
import sys
import time

RECORD = 20284
USER = "kill"


def read_env(path):
    values = {}
    for line in open(path, encoding="utf-8"):
        key, _, value = line.strip().partition("=")
        if key:
            values[key] = value.strip('"')
    return values


class Mailbox:
    def __init__(self, env):
        self.folder = os.path.join(env["HOME_DIR"], USER, "Maildir")
        self.count = 0

    def deliver(self, data):
        self.count += 1
        name = "%015d.%06d.kill" % (time.time_ns() // 1000000, self.count)
        tmp = os.path.join(self.folder, "tmp", name)
        with open(tmp, "wb") as out:
            out.write(data)
        os.rename(tmp, os.path.join(self.folder, "new", name))

    def left(self):
        return sum(len(os.listdir(os.path.join(self.folder, sub))) for sub in ("new", "cur"))


def mail(number, rng):
    """A mail with an attachment of its own name; every seventh has a text too long for its
    record, so that the server's copy is kept as well."""
    subject = "kill-%05d" % number
    attachment = base64.encodebytes(rng.randbytes(2000 + number % 5000)).replace(b"\n", b"\r\n")
    text = ("line of %s\r\n" % subject) * (1 + (2500 if number % 7 == 0 else number % 40))
    return ("From: sender@example.jp\r\nTo: kill@example.jp\r\nSubject: %s\r\n"
            "Message-ID: <%s@kill.test>\r\nDate: Tue, 8 Dec 2026 09:00:00 +0900\r\nMIME-Version: 1.0\r\n"
            "Content-Type: multipart/mixed; boundary=\"b\"\r\n\r\n--b\r\n"
            "Content-Type: text/plain; charset=us-ascii\r\n\r\n%s\r\n--b\r\n"
            "Content-Type: application/octet-stream\r\nContent-Transfer-Encoding: base64\r\n"
            "Content-Disposition: attachment; filename=\"att-%05d.bin\"\r\n\r\n"
            % (subject, subject, text, number)).encode("ascii") + attachment + b"--b--\r\n"


def stored_subjects(folder):
    path = os.path.join(folder, "★MAilData", "zeldata2.data")
    if not os.path.exists(path):
        return [], False
    data = open(path, "rb").read()
    subjects = [data[i:i + 100].decode("cp932").strip(" ") for i in range(0, len(data) - RECORD + 1, RECORD)]
    return subjects, len(data) % RECORD != 0


def run(driver, folder, kill_after=None):
    proc = subprocess.Popen([driver, folder, USER], stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if kill_after is not None:
        time.sleep(kill_after)
        proc.kill()
    out, err = proc.communicate(timeout=300)
    return proc.returncode, out.decode(errors="replace"), err.decode(errors="replace")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--driver", required=True)
    parser.add_argument("--env", required=True)
    parser.add_argument("--work", required=True)
    parser.add_argument("--rounds", type=int, default=12)
    parser.add_argument("--mails", type=int, default=60)
    parser.add_argument("--seed", type=int, default=20)
    args = parser.parse_args()
    rng = random.Random(args.seed)
    box = Mailbox(read_env(args.env))
    folder = os.path.join(args.work, "program")
    subprocess.run(["rm", "-rf", folder], check=True)
    expected = []

    # Each check meets a mailbox of the same size: what a kill left, topped up with new mail.
    def fill():
        for _ in range(args.mails - box.left()):
            expected.append("kill-%05d" % (len(expected) + 1))
            box.deliver(mail(len(expected), rng))

    # One whole check first: how long a check of a full mailbox takes spreads the kills over it.
    fill()
    started = time.monotonic()
    code, out, err = run(args.driver, folder)
    whole = time.monotonic() - started
    if code != 0 or box.left() != 0:
        sys.exit("an uncut check failed (%d): %s %s" % (code, out, err))
    for _ in range(args.rounds):
        fill()
        run(args.driver, folder, kill_after=rng.uniform(0.0, whole * 1.1))
    # At least one check runs after the kills, even when the last kill left the mailbox empty: a
    # kill between the server's last "+OK" and the journal's removal leaves a journal for the
    # next check to settle, and that next check is what must come out clean.
    said = ""
    for _ in range(5):
        code, out, err = run(args.driver, folder)
        said = out + err
        if code != 0:
            sys.exit("a check after the kills failed (%d): %s" % (code, err))
        if box.left() == 0:
            break
    subjects, torn = stored_subjects(folder)
    counts = collections.Counter(subjects)
    lost = [s for s in expected if counts[s] == 0]
    duplicates = sum(n - 1 for n in counts.values() if n > 1)
    files = os.listdir(os.path.join(folder, "添付フォルダ"))
    copies = [f for f in files if re.search(r" \(\d+\)\.", f)]
    journal = os.path.exists(os.path.join(folder, "★MAilData", "pop3-receive-journal.txt"))
    print("kills: %d, mails: %d, lost: %d, duplicates: %d, duplicate files: %d (seed %d)"
          % (args.rounds, len(expected), len(lost), duplicates, len(copies), args.seed))
    problems = []
    if lost:
        problems.append("lost: %s" % lost[:10])
    if duplicates:
        problems.append("stored twice: %s" % [s for s, n in counts.items() if n > 1][:10])
    if copies:
        problems.append("second copies of attachments: %s" % copies[:10])
    if torn:
        problems.append("the history ends in a partial record")
    if box.left():
        problems.append("%d mails still on the server after: %s" % (box.left(), said))
    if journal:
        problems.append("the journal is still there after a confirmed end")
    if problems:
        sys.exit("\n".join(problems))


if __name__ == "__main__":
    main()
