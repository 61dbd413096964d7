#!/usr/bin/env python3
"""Memory over a long stream: runs corvane on a private Xvfb against a loopback
host that streams the given corpora round and round for a while, and samples
the program's resident size (VmRSS) and its peak (VmHWM) as it goes.

    bench/memory_soak.py BUILD/corvane CORPUS.vt [CORPUS.vt ...] [--minutes 10] [--mbps 100]

The corpora are the 32 MB streams of the side-by-side benchmark (any files of
host bytes will do). --mbps paces the host (0: as fast as it is read). Prints
one line per sample and, at the end, the first and last resident sizes and the
peak; growth shows as a last sample well above the ones after the first minute.
Needs Xvfb. Loopback only; the program is ended by its PID.
"""
import argparse
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import threading
import time


def status_kb(pid, key):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith(key + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return None


def serve(listener, corpora, seconds, mbps, stop):
    conn, _ = listener.accept()
    conn.setsockopt(socket.SOL_SOCKET, socket.SO_SNDBUF, 1 << 20)
    # Character mode, as a login host would ask for; other negotiation is ignored.
    conn.sendall(bytes([255, 251, 1, 255, 251, 3]))
    chunk = 64 * 1024
    end = time.monotonic() + seconds
    start, sent = time.monotonic(), 0
    try:
        while time.monotonic() < end and not stop.is_set():
            for data in corpora:
                for at in range(0, len(data), chunk):
                    if time.monotonic() >= end or stop.is_set():
                        return
                    piece = data[at:at + chunk].replace(b"\xff", b"\xff\xff")
                    conn.sendall(piece)
                    sent += len(piece)
                    if mbps > 0:
                        ahead = sent / (mbps * 1e6) - (time.monotonic() - start)
                        if ahead > 0:
                            time.sleep(ahead)
    except OSError:
        pass
    finally:
        conn.close()


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("program")
    ap.add_argument("corpora", nargs="+")
    ap.add_argument("--minutes", type=float, default=10.0)
    ap.add_argument("--mbps", type=float, default=100.0)
    ap.add_argument("--every", type=float, default=10.0, help="seconds between samples")
    args = ap.parse_args()
    if not shutil.which("Xvfb"):
        sys.exit("needs Xvfb")
    corpora = [open(p, "rb").read() for p in args.corpora]

    xvfb = subprocess.Popen(["Xvfb", "-displayfd", "1", "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
                            stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
    display = ":" + xvfb.stdout.readline().decode().strip()
    listener = socket.socket()
    listener.bind(("127.0.0.1", 0))
    listener.listen(1)
    port = listener.getsockname()[1]
    home = tempfile.mkdtemp(prefix="corvane-soak-")
    env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb", HOME=home,
               XDG_CONFIG_HOME=home, XDG_RUNTIME_DIR=home,
               CORVANE_PROFILE=os.path.join(home, "p.ini"))
    program = subprocess.Popen([args.program, "127.0.0.1", str(port)], env=env,
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    stop = threading.Event()
    seconds = args.minutes * 60
    host = threading.Thread(target=serve, args=(listener, corpora, seconds, args.mbps, stop),
                            daemon=True)
    host.start()
    samples = []
    try:
        begin = time.monotonic()
        while time.monotonic() - begin < seconds and program.poll() is None:
            time.sleep(args.every)
            rss, hwm = status_kb(program.pid, "VmRSS"), status_kb(program.pid, "VmHWM")
            if rss is None:
                break
            t = time.monotonic() - begin
            samples.append((t, rss, hwm))
            print("%6.0f s  rss %6.1f MB  peak %6.1f MB" % (t, rss / 1024, hwm / 1024), flush=True)
    finally:
        stop.set()
        program.send_signal(signal.SIGTERM)
        try:
            program.wait(timeout=10)
        except subprocess.TimeoutExpired:
            program.kill()
        xvfb.kill()
        xvfb.wait()
        shutil.rmtree(home, ignore_errors=True)
    if not samples:
        sys.exit("no samples: the program ended early (exit %s)" % program.returncode)
    after_minute = [s for s in samples if s[0] >= 60] or samples
    print("first %.1f MB, after a minute %.1f MB, last %.1f MB, peak %.1f MB" % (
        samples[0][1] / 1024, after_minute[0][1] / 1024, samples[-1][1] / 1024,
        max(s[2] for s in samples) / 1024))


if __name__ == "__main__":
    main()
