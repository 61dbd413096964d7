#!/usr/bin/env python3
"""A real telnet server on 127.0.0.1 (for the demo and end-to-end tests), behind a recording relay.

    loopback_telnet_server.py --kind inetutils|busybox --program PATH --record FILE

Prints the port to connect to on its first line, serves one client, and
writes every byte the server sent to the client into FILE, so a test can
compare Corvane's session log with exactly what arrived.

inetutils' telnetd serves one connection on its standard input; busybox's
telnetd listens itself (on a second loopback port). The script runs in a
session of its own, so the test can stop it and every server process it
started with one kill of the process group.
"""
import argparse
import os
import selectors
import signal
import socket
import subprocess
import sys
import time

from telnethost import announce, listen


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def start_inetutils(program):
    ours, theirs = socket.socketpair()
    proc = subprocess.Popen(["/usr/sbin/telnetd", "-h", "-E", program],
                            stdin=theirs, stdout=theirs, stderr=theirs, close_fds=True)
    theirs.close()
    return ours, proc


def start_busybox(program):
    port = free_port()
    proc = subprocess.Popen(["busybox", "telnetd", "-F", "-b", "127.0.0.1", "-p", str(port),
                             "-l", program], stdin=subprocess.DEVNULL, close_fds=True)
    deadline = time.time() + 10
    while True:
        try:
            return socket.create_connection(("127.0.0.1", port), timeout=1), proc
        except OSError:
            if time.time() > deadline or proc.poll() is not None:
                raise
            time.sleep(0.05)


def relay(client, server, record, limit_s):
    sel = selectors.DefaultSelector()
    sel.register(client, selectors.EVENT_READ, server)
    sel.register(server, selectors.EVENT_READ, client)
    deadline = time.time() + limit_s if limit_s else float("inf")
    with open(record, "wb") as rec:
        while time.time() < deadline:
            for key, _ in sel.select(timeout=0.5):
                src, dst = key.fileobj, key.data
                try:
                    data = src.recv(65536)
                except OSError:
                    data = b""
                if not data:
                    return
                if src is server:
                    rec.write(data)
                    rec.flush()
                try:
                    dst.sendall(data)
                except OSError:
                    return


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--kind", choices=["inetutils", "busybox"], required=True)
    ap.add_argument("--program", required=True)
    ap.add_argument("--record", default=os.devnull)
    ap.add_argument("--limit", type=float, default=0, help="seconds before giving up (0: never)")
    a = ap.parse_args()
    os.setsid()
    listener = listen()
    listener.settimeout(a.limit or None)
    announce(listener)
    client, _ = listener.accept()
    server, proc = (start_inetutils if a.kind == "inetutils" else start_busybox)(a.program)
    try:
        relay(client, server, a.record, a.limit)
    finally:
        client.close()
        server.close()
        proc.send_signal(signal.SIGTERM)
        try:
            proc.wait(timeout=3)
        except subprocess.TimeoutExpired:
            proc.kill()


if __name__ == "__main__":
    sys.exit(main())
