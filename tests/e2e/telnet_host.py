#!/usr/bin/env python3
"""A tiny telnet host on 127.0.0.1 for end-to-end tests.

Listens on a free port (written to --port-file), takes one client, asks for
its terminal type, sends a screen of text, records what the client sends
(--log), then closes after --close-after seconds or waits up to --hold
seconds for the client to leave. With --do-naws-after SECONDS it asks for the
window size (DO NAWS) that long after the client connected, as telnetd does
once it has the terminal type. With --echo it sends back what the user
types (the client's telnet answers left out), each CR as CR LF.
"""
import argparse
import pathlib
import socket
import sys
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
from telnethost import DO, IAC, NAWS, SB, SE, SEND, TTYPE, announce, command, listen  # noqa: E402

SCREEN = (
    b"\x1b[2J\x1b[H"
    b"Corvane end-to-end test host\r\n"
    b"\r\n"
    b"\x1b[1;33mBold yellow on black\x1b[0m and plain text\r\n"
    b"\x1b[44;37m White on blue \x1b[0m\r\n"
    b"Line drawing: \x1b(0lqqqk\x1b(B\r\n"
    b"ready> "
)


class Echo:
    """The typed text in what a client sends: IAC sequences (a subnegotiation
    up to its IAC SE) are skipped, even when split across reads."""

    def __init__(self):
        self.state = "text"

    def typed(self, chunk):
        out = bytearray()
        for b in chunk:
            if self.state == "text":
                if b == IAC:
                    self.state = "command"
                elif b == 13:
                    out += b"\r\n"
                elif b >= 32:
                    out.append(b)
            elif self.state == "command":
                self.state = "sub" if b == SB else "option" if b >= 251 else "text"
            elif self.state == "option":
                self.state = "text"
            elif self.state == "sub":
                self.state = "sub-iac" if b == IAC else "sub"
            else:  # sub-iac
                self.state = "text" if b == SE else "sub"
        return bytes(out)


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--log")
    parser.add_argument("--close-after", type=float)
    parser.add_argument("--hold", type=float, default=30.0)
    parser.add_argument("--echo", action="store_true")
    parser.add_argument("--do-naws-after", type=float)
    args = parser.parse_args()

    server = listen()
    announce(server, args.port_file)

    server.settimeout(args.hold)
    client, _ = server.accept()
    client.sendall(command(DO, TTYPE) + command(SB, TTYPE, SEND) + command(SE) + SCREEN)

    received = bytearray()
    echo = Echo() if args.echo else None
    connected = time.monotonic()
    deadline = connected + (args.close_after if args.close_after is not None else args.hold)
    naws_at = None if args.do_naws_after is None else connected + args.do_naws_after
    client.settimeout(0.1)
    while time.monotonic() < deadline:
        if naws_at is not None and time.monotonic() >= naws_at:
            client.sendall(command(DO, NAWS))
            naws_at = None
        try:
            chunk = client.recv(4096)
        except socket.timeout:
            chunk = None
        if chunk == b"":
            break  # the client left
        if chunk:
            received += chunk
            if echo:
                client.sendall(echo.typed(chunk))
            if args.log:
                with open(args.log, "wb") as f:
                    f.write(received)
    client.close()
    server.close()


if __name__ == "__main__":
    main()
