#!/usr/bin/env python3
"""A hostile telnet host on 127.0.0.1 for robustness tests.

Listens on a free port (written to --port-file) and plays one scenario. A
scenario is a list of acts, one per client connection, taken in order. Every
byte handed to a client is appended to --sent, and every byte a client sends
is appended to --received, so a test can compute exactly what arrived.

An act ends in one of three ways: the host resets the connection, the host
closes it, or (the usual end) the host sends the trailer and then waits for
the client to leave. The trailer is TRAILER below; the last act of every
scenario sends it, so a test knows the hostile part is over when it shows.

Each act is bounded by --hold seconds; the host exits after its last act.
"""
import argparse
import pathlib
import random
import select
import socket
import struct
import sys
import threading
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
from telnethost import (  # noqa: E402
    DO, DONT, ECHO, IAC, NAWS, SB, SE, SEND, TTYPE, WILL, announce, listen, record)

TRAILER = b"\r\nAFTER THE HOSTILE PART\r\n"


class Client:
    """One accepted connection: sends are recorded, replies are read on a thread."""

    def __init__(self, sock, sent_path, received_path, read=True):
        self.sock = sock
        self.sent_path = sent_path
        self.received_path = received_path
        self.received = bytearray()
        self.lock = threading.Lock()
        self.eof = threading.Event()
        self.reader = threading.Thread(target=self._read, daemon=True)
        if read:
            self.reader.start()

    def _read(self):
        record(self.sock, self.received_path, append=True, on_data=self._keep)
        self.eof.set()

    def _keep(self, chunk):
        with self.lock:
            self.received += chunk

    def send(self, data):
        self.sock.sendall(data)
        with open(self.sent_path, "ab") as f:
            f.write(data)

    def received_count(self, pattern):
        with self.lock:
            return bytes(self.received).count(pattern)

    def wait_for(self, predicate, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            if predicate():
                return True
            if self.eof.is_set():
                return predicate()
            time.sleep(0.005)
        return False

    def drip(self, data, pause_every, pause):
        """One byte per write, with a short pause now and then so reads split
        at ever different places."""
        self.sock.setsockopt(socket.IPPROTO_TCP, socket.TCP_NODELAY, 1)
        with open(self.sent_path, "ab") as f:
            for i in range(len(data)):
                self.sock.sendall(data[i:i + 1])
                f.write(data[i:i + 1])
                if pause_every and i % pause_every == pause_every - 1:
                    time.sleep(pause)

    def reset(self):
        """Ends the connection with a TCP reset instead of an orderly close."""
        self.sock.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        # The reader's pending recv holds the socket open: wake it first, or
        # closing would neither reset nor close anything.
        self.sock.shutdown(socket.SHUT_RD)
        self.reader.join()
        self.sock.close()

    def close(self):
        try:
            self.sock.shutdown(socket.SHUT_WR)
        except OSError:
            pass
        self.eof.wait(5)
        self.sock.close()

    def finish(self, hold, heartbeat=None):
        """Sends the trailer and waits for the client to leave; with a
        heartbeat, sends a NUL (which leaves no trace) every `heartbeat`
        seconds meanwhile, as a host that keeps talking would."""
        self.send(TRAILER)
        end = time.monotonic() + hold
        while time.monotonic() < end:
            if self.eof.wait(heartbeat or max(end - time.monotonic(), 0)):
                break
            if heartbeat:
                try:
                    self.send(b"\0")
                except OSError:
                    break
        self.sock.close()


# --- Streams ---------------------------------------------------------------------

def escape_heavy_stream(rng, size):
    """Text interleaved with attribute, cursor, erase, scroll and character-set
    sequences. The cursor column is kept below 75 so no row is ever filled to
    its edge: how such a stream splits into reads cannot change the screen."""
    out = bytearray()
    col, saved = 0, 0
    words = [b"alpha", b"BETA", b"gamma", b"Delta", b"eps", b"ZETA", b"eta", b"theta"]
    while len(out) < size:
        pick = rng.randrange(16)
        if pick < 5:
            word = rng.choice(words)
            room = 74 - col
            if room > 0:
                word = word[:room]
                out += word
                col += len(word)
        elif pick == 5:
            out += b"\r\n"
            col = 0
        elif pick == 6:
            out += b"\x1b[%d;%dm" % (rng.choice([0, 1, 7, 22]), rng.randrange(30, 38))
        elif pick == 7:
            out += b"\x1b[%dm\x1b[0;%d;%dm" % (rng.randrange(40, 48), rng.randrange(30, 38),
                                                rng.randrange(40, 48))
        elif pick == 8:
            row, col = rng.randrange(1, 25), rng.randrange(1, 60)
            out += b"\x1b[%d;%dH" % (row, col)
            col -= 1
        elif pick == 9:
            out += rng.choice([b"\x1b[K", b"\x1b[1K", b"\x1b[2K", b"\x1b[J"])
        elif pick == 10:
            out += b"\x1b7" if rng.random() < 0.5 else b"\x1b[s"
            saved = col
        elif pick == 11:
            out += b"\x1b8" if rng.random() < 0.5 else b"\x1b[u"
            col = saved
        elif pick == 12:
            if col + 4 <= 74:
                out += b"\x1b(0lqqk\x1b(B"
                col += 4
            else:
                out += b"\x1b(0\x1b(B"
        elif pick == 13:
            n = rng.randrange(1, 4)
            out += b"\x1b[%d%c" % (n, rng.choice(b"@PLM"))
        elif pick == 14:
            top = rng.randrange(1, 12)
            out += b"\x1b[%d;%dr\x1bD\x1bM\x1b[r" % (top, rng.randrange(top + 1, 25))
        elif rng.random() < 0.5:
            n = rng.randrange(1, 5)
            out += b"\x1b[%dD" % n
            col = max(col - n, 0)
        else:
            out += b"\x08"
            col = max(col - 1, 0)
    return bytes(out)


def csi(params, final):
    return b"\x1b[" + params + final


# --- Acts ------------------------------------------------------------------------

def act_reset_mid_sequence(c, args):
    # The reply to WILL ECHO proves the client has read everything up to it
    # (one small write arrives in one read), so all of it arrived before the reset.
    c.send(b"before the reset\r\n" + bytes([IAC, WILL, ECHO]) + b"\x1b[12")
    c.wait_for(lambda: c.received_count(bytes([IAC, DO, ECHO])) >= 1, args.hold)
    time.sleep(0.2)
    c.reset()


def act_close_at_once(c, args):
    c.close()


def act_drip(c, args):
    rng = random.Random(args.seed)
    c.drip(escape_heavy_stream(rng, args.size or 12000), pause_every=97, pause=0.002)
    c.finish(args.hold)


def act_long_unfinished(c, args):
    unfinished = b"\x1b[" + b"1" * 4094
    assert len(unfinished) == 4096
    c.send(b"first line\r\n")
    c.send(unfinished)
    time.sleep(0.3)  # arrives alone and fills the client's buffer
    c.send(b"normal text one\r\n")
    # The same again in a single write, so the reads split it anywhere.
    c.send(b"second line\r\n" + unfinished + b"normal text two\r\n")
    c.finish(args.hold)


def act_ten_digit_params(c, args):
    big = b"9999999999"
    out = bytearray(b"ten digit parameters\r\n")
    for final in b"@ABCDGHJKLMPSdfmrsu":
        out += csi(big, bytes([final])) + b"x"
        out += csi(big + b";" + big, bytes([final])) + b"y"
    out += csi(b";".join([big] * 7), b"m") + b"\r\n"
    out += csi(b"?" + big, b"h") + b"\x1b[" + b"4294967296" + b"C" + b"z\r\n"
    c.send(bytes(out))
    c.finish(args.hold)


def act_scroll_regions(c, args):
    regions = [b"0;0", b"5;3", b"30;40", b"1;99", b"99;1", b"24;24", b"25;30", b"0;5",
               b"20;0", b"2;24", b"23;24", b"1;1", b"9999999999;2", b"3;9999999999", b";",
               b"", b"-1;5", b"12"]
    out = bytearray(b"scroll regions\r\n")
    for region in regions:
        out += csi(region, b"r")
        out += b"\x1b[24;1H" + b"line\n" * 30 + b"\x1bD\x1bM" * 5
        out += b"\x1b[H" + b"top\x1bM\x1bM" + csi(b"5", b"L") + csi(b"99", b"M") + csi(b"30", b"S")
    # The host accepts the window size while a narrow region is set: the
    # applied size resets the region.
    out += csi(b"5;8", b"r") + bytes([IAC, DO, NAWS]) + b"\x1b[7;1H" + b"after naws\n" * 30
    c.send(bytes(out))
    c.finish(args.hold)


def act_dont_naws_flood(c, args):
    c.send(b"refusals follow\r\n" + bytes([IAC, DONT, NAWS]) * (args.size or 10000))
    c.finish(args.hold)


def act_resize_storm(c, args):
    # Accept the window size, push the cursor past the right edge (the client
    # widens its screen), refuse (it narrows again): for --size seconds.
    storm = (bytes([IAC, DO, NAWS]) + b"\x1b[255G" + bytes([IAC, DONT, NAWS])) * 50
    c.send(b"resize storm\r\n")
    end = time.monotonic() + (args.size or 3)
    while time.monotonic() < end:
        c.send(storm)
        time.sleep(0.02)
    c.finish(args.hold)


def act_unread_requests(c, args):
    # Requests whose answers the host leaves unread for six seconds (into a
    # small receive buffer), so they pile up in the client, which must keep
    # what waits to be sent bounded by reading no more meanwhile. Then the
    # host reads, and every request must have had its answer.
    request = bytes([IAC, SB, TTYPE, SEND, IAC, SE, IAC, DO, TTYPE])
    data = request * ((args.size or 6 * 1024 * 1024) // len(request))
    sent = 0
    unread_until = time.monotonic() + 6
    while sent < len(data) and select.select([], [c.sock], [], 3.0)[1]:
        sent += c.sock.send(data[sent:sent + 65536])
    with open(c.sent_path, "ab") as f:
        f.write(data[:sent])
    time.sleep(max(0.0, unread_until - time.monotonic()))
    c.reader.start()
    c.send(data[sent:])
    count = len(data) // len(request)
    reply = bytes([IAC, SB, TTYPE, 0]) + b"vt100" + bytes([IAC, SE])
    c.wait_for(lambda: c.received_count(reply) >= count, args.hold)
    with open(args.sent + ".expected-replies", "w") as f:
        f.write(str(count))
    c.finish(args.hold)


def act_ttype_storm(c, args):
    rng = random.Random(args.seed)
    storm = bytearray()
    count = 0
    for _ in range(20000):
        pick = rng.randrange(10)
        if pick < 8:
            storm += bytes([IAC, SB, TTYPE, SEND, IAC, SE])
            count += 1
        elif pick == 8:
            storm += bytes([IAC, SB, TTYPE, 0]) + b"xterm" + bytes([IAC, SE])
        else:
            storm += bytes([IAC, SB, TTYPE])  # cut short; the next byte ends it
            storm += bytes([IAC, SE])
    # Written in pieces of odd sizes, so the sequences split across reads.
    pos = 0
    while pos < len(storm):
        n = rng.randrange(1, 9000)
        c.send(bytes(storm[pos:pos + n]))
        pos += n
    # IAC SB TTYPE IAC SE takes IAC as the subcommand: no answer. Wait for every answer.
    reply = bytes([IAC, SB, TTYPE, 0]) + b"vt100" + bytes([IAC, SE])
    c.wait_for(lambda: c.received_count(reply) >= count, args.hold)
    with open(args.sent + ".expected-replies", "w") as f:
        f.write(str(count))
    c.finish(args.hold)


def act_random_flood(c, args):
    rng = random.Random(args.seed)
    left = args.size if args.size is not None else 100 * 1024 * 1024
    while left > 0:
        n = min(left, 1 << 20)
        c.send(rng.randbytes(n))
        left -= n
    # Whatever state the noise left behind, this brings the text back to normal.
    c.send(b"\x1b(B\x1b[0m\x1b[r")
    c.finish(args.hold)


def act_modal_burst(c, args):
    # Each refusal opens a warning box in the client; data keeps coming while
    # it is open, and the host keeps talking after the trailer.
    line = b"burst line with some text in it .................................\r\n"
    c.send(b"before the refusal\r\n" + bytes([IAC, DONT, NAWS]))
    for burst in range(12):
        c.send(line * 800)
        if burst % 4 == 3:
            c.send(bytes([IAC, DONT, NAWS]))
        time.sleep(0.1)
    c.finish(args.hold, heartbeat=0.05)


def act_modal_quiet(c, args):
    # Everything after the refusal arrives while its box is open; then the
    # host says nothing more and waits.
    line = b"quiet burst line ................................................\r\n"
    c.send(b"before the refusal\r\n")
    time.sleep(0.5)
    c.send(bytes([IAC, DONT, NAWS]))
    time.sleep(0.05)
    c.send(line * 2000)
    c.finish(args.hold)


def act_modal_close(c, args):
    # The host closes while the client's warning box is still open.
    line = b"closing burst line ..............................................\r\n"
    c.send(b"before the refusal\r\n" + bytes([IAC, DONT, NAWS]) + line * 2000 + TRAILER)
    c.close()


SCENARIOS = {
    "reset_mid_sequence": [act_reset_mid_sequence, lambda c, a: c.finish(a.hold)],
    "close_at_once": [act_close_at_once, lambda c, a: c.finish(a.hold)],
    "drip": [act_drip],
    "long_unfinished": [act_long_unfinished],
    "ten_digit_params": [act_ten_digit_params],
    "scroll_regions": [act_scroll_regions],
    "dont_naws_flood": [act_dont_naws_flood],
    "resize_storm": [act_resize_storm],
    "unread_requests": [act_unread_requests],
    "ttype_storm": [act_ttype_storm],
    "random_flood": [act_random_flood],
    "modal_burst": [act_modal_burst],
    "modal_quiet": [act_modal_quiet],
    "modal_close": [act_modal_close],
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--scenario", required=True, choices=sorted(SCENARIOS))
    parser.add_argument("--sent", required=True)
    parser.add_argument("--received", required=True)
    parser.add_argument("--size", type=int)
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--hold", type=float, default=60.0)
    args = parser.parse_args()

    for path in (args.sent, args.received):
        open(path, "wb").close()
    # A small fixed buffer for unread_requests, so a client that keeps
    # answering fills it soon instead of after megabytes.
    server = listen(rcvbuf=64 * 1024 if args.scenario == "unread_requests" else None)
    announce(server, args.port_file)

    server.settimeout(args.hold)
    for act in SCENARIOS[args.scenario]:
        sock, _ = server.accept()
        act(Client(sock, args.sent, args.received, read=act is not act_unread_requests), args)
    server.close()


if __name__ == "__main__":
    main()
