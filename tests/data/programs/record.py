#!/usr/bin/env python3
"""Records what real full-screen programs send over inetutils' telnetd.

    record.py [--out DIR] [SESSION...]

For every session below and for TERM=vt100 and TERM=ansi, starts
tools/loopback_telnet_server.py with a wrapper that runs the program, connects
to it as a small telnet client that announces that terminal type and an 80 x 24
window, types the session's keys (waiting for the program to go quiet after
each) and hangs up while the program is still on the screen. The bytes the
server sent, telnet negotiation included, go to DIR/SESSION.TERM.raw (by
default next to this script). Run once by hand; the recordings are committed.
Needs inetutils-telnetd, vim, nano, mc, htop, tmux, dialog, less and man-db.
"""
import argparse
import os
import pathlib
import selectors
import shutil
import socket
import subprocess
import sys
import tempfile
import time

HERE = pathlib.Path(__file__).resolve().parent
SERVER = HERE.parents[2] / "tools" / "loopback_telnet_server.py"

IAC, DONT, DO, WONT, WILL, SB, SE = 255, 254, 253, 252, 251, 250, 240
ECHO, SGA, TTYPE, NAWS = 1, 3, 24, 31
ESC = "\x1b"

# The file the editors and pagers open: a little C, so syntax colouring has work.
SAMPLE = "".join(
    f"/* line {n}: a sample for the editors */\nint value_{n} = {n * 7}; // tail\n"
    for n in range(1, 40))

# name -> (command run in the sandbox home, [keys to type, one step each]).
# Arrow keys are given per terminal: "{up}" becomes ESC O A under vt100 (the
# cursor-key mode the programs switch on) and ESC [ A under ansi; "{f9}" is
# vt100's F9, and under ansi (which names no function keys) mc's Escape 9.
SESSIONS = {
    "vim-edit": ("vim -u NONE -i NONE -N sample.c",
                 ["5G", "oadded line one", "{esc}", "{up}{up}", "dd", "{down}", "Ainserted"]),
    "vim-split": ("vim -u NONE -i NONE -N sample.c",
                  [":split\r", "20G", ":vsplit notes.txt\r", "ihello from the split", "{esc}"]),
    "vim-syntax": ("vim -u NONE -i NONE -N sample.c",
                   [":syntax on\r", ":set number\r", "12G", "A extra"]),
    "nano": ("nano sample.c", ["new first line\r", "{down}{down}", "\x0b", "typed"]),
    "mc": ("mc -u", ["{down}{down}", "\t", "{f9}", "{down}"]),
    "htop": ("htop -d 10 -p $$", ["{down}{down}"]),  # only itself: no other processes
    "tmux": ("tmux -f /dev/null -S tmux.sock new-session ';' split-window -h ';' "
             "split-window -v ';' select-pane -t 0 ';' split-window -v ';' select-pane -t 0",
             ["echo top left\r", "\x02o", "top -d 5\r"]),
    "dialog": ("dialog --checklist 'Pick some' 14 44 5 apple one on banana two off "
               "cherry three off date four on; sleep 100",
               ["{down}", " ", "{down}"]),
    "less": ("less sample.c", [" ", "/value_30\r", "k"]),
    "man": ("man ls", [" ", "/sort\r"]),
}

KEYS = {
    "vt100": {"{up}": ESC + "OA", "{down}": ESC + "OB", "{esc}": ESC, "{f9}": ESC + "Ow"},
    "ansi": {"{up}": ESC + "[A", "{down}": ESC + "[B", "{esc}": ESC, "{f9}": ESC + "9"},
}


def keys_for(step, term):
    for name, seq in KEYS[term].items():
        step = step.replace(name, seq)
    return step.encode()


class Client:
    """Just enough of a telnet client: TERMINAL-TYPE and NAWS, echo and SGA from the host."""

    def __init__(self, port, term):
        self.sock = socket.create_connection(("127.0.0.1", port))
        self.sock.setblocking(False)
        self.term = term.encode()
        self.pending = b""

    def _answer(self, data):
        data = self.pending + data
        self.pending = b""
        i = 0
        while i < len(data):
            if data[i] != IAC:
                i += 1
                continue
            if i + 1 >= len(data):
                self.pending = data[i:]
                return
            cmd = data[i + 1]
            if cmd in (DO, DONT, WILL, WONT):
                if i + 2 >= len(data):
                    self.pending = data[i:]
                    return
                opt = data[i + 2]
                if cmd == DO:
                    if opt in (TTYPE, NAWS):
                        self.send(bytes([IAC, WILL, opt]))
                        if opt == NAWS:
                            self.send(bytes([IAC, SB, NAWS, 0, 80, 0, 24, IAC, SE]))
                    else:
                        self.send(bytes([IAC, WONT, opt]))
                elif cmd == WILL:
                    self.send(bytes([IAC, DO if opt in (ECHO, SGA) else DONT, opt]))
                i += 3
            elif cmd == SB:
                end = data.find(bytes([IAC, SE]), i)
                if end < 0:
                    self.pending = data[i:]
                    return
                if data[i + 2:i + 4] == bytes([TTYPE, 1]):
                    self.send(bytes([IAC, SB, TTYPE, 0]) + self.term + bytes([IAC, SE]))
                i = end + 2
            else:
                i += 2

    def send(self, data):
        self.sock.setblocking(True)
        self.sock.sendall(data)
        self.sock.setblocking(False)

    def wait_quiet(self, quiet_s=0.8, limit_s=8.0):
        """Reads (and answers) until the host has sent nothing for quiet_s."""
        sel = selectors.DefaultSelector()
        sel.register(self.sock, selectors.EVENT_READ)
        deadline = time.time() + limit_s
        last = time.time()
        while time.time() - last < quiet_s and time.time() < deadline:
            if sel.select(timeout=0.1):
                try:
                    data = self.sock.recv(65536)
                except BlockingIOError:
                    continue
                if not data:
                    return False
                self._answer(data)
                last = time.time()
        return True


def record(name, term, out_dir):
    command, steps = SESSIONS[name]
    with tempfile.TemporaryDirectory(prefix="corvane-rec-") as top:
        home = pathlib.Path(top) / "home"
        home.mkdir()
        (home / "sample.c").write_text(SAMPLE)
        for f in ("alpha.txt", "beta.txt", "gamma.txt"):
            (home / f).write_text(f + "\n")
        wrapper = pathlib.Path(top) / "run.sh"
        wrapper.write_text(
            "#!/bin/sh\n"
            f"HOME={home}; export HOME\n"
            "PATH=/usr/local/bin:/usr/bin:/bin; export PATH\n"
            "LANG=C; LC_ALL=C; export LANG LC_ALL\n"
            "unset COLORTERM TMUX\n"
            f"cd {home}\n"
            f"exec /bin/sh -c \"{command.replace(chr(34), chr(92) + chr(34))}\"\n")
        wrapper.chmod(0o755)
        raw = pathlib.Path(top) / "out.raw"
        server = subprocess.Popen(
            [sys.executable, str(SERVER), "--kind", "inetutils", "--program", str(wrapper),
             "--record", str(raw), "--limit", "60"],
            stdout=subprocess.PIPE, text=True)
        try:
            port = int(server.stdout.readline())
            client = Client(port, term)
            client.wait_quiet(quiet_s=1.5)
            for step in steps:
                client.send(keys_for(step, term))
                client.wait_quiet()
            client.sock.close()
            server.wait(timeout=10)
        finally:
            if server.poll() is None:
                os.killpg(server.pid, 9)
        target = out_dir / f"{name}.{term}.raw"
        shutil.copyfile(raw, target)
        print(f"{target.name}: {target.stat().st_size} bytes")


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--out", type=pathlib.Path, default=HERE)
    ap.add_argument("sessions", nargs="*", default=list(SESSIONS))
    a = ap.parse_args()
    for name in a.sessions:
        for term in ("vt100", "ansi"):
            record(name, term, a.out)


if __name__ == "__main__":
    sys.exit(main())
