#!/usr/bin/env python3
"""A server that speaks nothing newer than TLS 1.1, for the test of the client's TLS floor.

Prints the port it listens on, then for every connection one line: "handshake TLSv1.1" and each
line the client sent ("C: ..."), or "no handshake: REASON". After the handshake it greets with
GREETING. Runs until it is killed.

    old_tls_server.py CERT KEY GREETING
"""
import socket
import ssl
import sys
import warnings

warnings.simplefilter("ignore", DeprecationWarning)  # TLS 1.0 and 1.1 are what this server is for

cert, key, greeting = sys.argv[1], sys.argv[2], sys.argv[3].encode()
context = ssl.SSLContext(ssl.PROTOCOL_TLS_SERVER)
context.load_cert_chain(cert, key)
context.minimum_version = ssl.TLSVersion.TLSv1
context.maximum_version = ssl.TLSVersion.TLSv1_1
context.set_ciphers("DEFAULT:@SECLEVEL=0")

listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen()
print(listener.getsockname()[1], flush=True)
while True:
    connection, _ = listener.accept()
    connection.settimeout(10)
    try:
        with context.wrap_socket(connection, server_side=True) as tls:
            print("handshake", tls.version(), flush=True)
            tls.sendall(greeting + b"\r\n")
            for line in tls.makefile("rb"):
                print("C:", line.decode("latin-1").rstrip("\r\n"), flush=True)
                tls.sendall(b"-ERR nothing here\r\n" if greeting.startswith(b"+") else b"554 nothing here\r\n")
    except (OSError, ssl.SSLError) as error:
        print("no handshake:", error, flush=True)
