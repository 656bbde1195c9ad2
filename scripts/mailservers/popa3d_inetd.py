"""Serves popa3d the way inetd does, on one loopback port: each connection gets a popa3d of its
own, chrooted into --root, with the connection as its standard input and output.

popa3d logs through syslog; inside the root, /dev/log is a socket of this listener, and what
arrives there goes to standard output with the sessions' standard error, so that a failed
login or a mailbox popa3d refused to load can be read in the log. On SIGTERM the sessions still
running are ended (by their PIDs) and the listener exits.
"""
import argparse
import os
import selectors
import signal
import socket
import subprocess
import sys


def syslog_socket(root):
    """The datagram socket popa3d's syslog() writes to, or None where it cannot be made."""
    log = socket.socket(socket.AF_UNIX, socket.SOCK_DGRAM)
    # Bound by a relative name: the path of a long build folder would not fit a socket address.
    os.chdir(root)
    try:
        os.unlink("dev/log")
    except FileNotFoundError:
        pass
    try:
        log.bind("dev/log")
    except OSError as error:
        print("popa3d_inetd: no syslog socket in the root: %s" % error, flush=True)
        log.close()
        return None
    os.chmod("dev/log", 0o666)  # popa3d writes to it after dropping to an unprivileged user
    return log


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--root", required=True)
    parser.add_argument("--port", type=int, required=True)
    parser.add_argument("--server", required=True, help="popa3d's path inside the root")
    args = parser.parse_args()
    root = os.path.abspath(args.root)

    sessions = []

    def end(signum, frame):
        for session in sessions:
            if session.poll() is None:
                session.kill()
        for session in sessions:
            session.wait()
        sys.exit(0)

    signal.signal(signal.SIGTERM, end)
    signal.signal(signal.SIGINT, end)

    def enter_root():
        os.chroot(root)
        os.chdir("/")

    listener = socket.create_server(("127.0.0.1", args.port), backlog=16)
    log = syslog_socket(root)
    selector = selectors.DefaultSelector()
    selector.register(listener, selectors.EVENT_READ)
    if log:
        selector.register(log, selectors.EVENT_READ)
    print("popa3d_inetd: listening on 127.0.0.1:%d" % args.port, flush=True)
    while True:
        for key, _ in selector.select(timeout=1.0):
            if key.fileobj is log:
                line = log.recv(4096).decode("utf-8", "replace").rstrip("\n")
                print("syslog: " + line, flush=True)
                continue
            connection, _ = listener.accept()
            with connection:
                sessions.append(subprocess.Popen([args.server], stdin=connection, stdout=connection,
                                                 preexec_fn=enter_root, env={"PATH": "/usr/sbin:/usr/bin"}))
        sessions[:] = [session for session in sessions if session.poll() is None]


if __name__ == "__main__":
    main()
