#!/usr/bin/env python3
"""A loopback host that replays a recorded host-to-client stream.

Every client that connects gets the recording with its recorded timing
(STREAM.idx: one line per recorded read, SECONDS_SINCE_CONNECT OFFSET LENGTH;
without it the whole stream at once). What each client sends is kept in
LOG_DIR/client-N.bin (N counts connections from 1), written as it arrives.
The chosen port is written to --port-file once the host listens.
--delays D1,D2,...: connection N waits D((N-1) mod count) seconds before the
first byte, so repeated runs meet the client at different moments of its start.
"""
import argparse
import os
import pathlib
import sys
import threading
import time

sys.path.insert(0, str(pathlib.Path(__file__).resolve().parents[2] / "tools"))
from telnethost import announce, listen, record  # noqa: E402


def load_chunks(path):
    data = open(path, "rb").read()
    if not os.path.exists(path + ".idx"):
        return [(0.0, data)]
    chunks = []
    for line in open(path + ".idx"):
        t, off, n = line.split()
        chunks.append((float(t), data[int(off):int(off) + int(n)]))
    return chunks


def serve(conn, chunks, delay, log_path):
    threading.Thread(target=record, args=(conn, log_path), daemon=True).start()
    time.sleep(delay)
    start = time.monotonic()
    try:
        for t, data in chunks:
            wait = t - (time.monotonic() - start)
            if wait > 0:
                time.sleep(wait)
            conn.sendall(data)
    except OSError:
        pass  # the client left early


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--port-file", required=True)
    parser.add_argument("--stream", required=True)
    parser.add_argument("--log-dir", required=True)
    parser.add_argument("--delay", type=float, help="one delay for every connection")
    parser.add_argument("--delays", default="0")
    args = parser.parse_args()
    chunks = load_chunks(args.stream)
    delays = [args.delay] if args.delay is not None else [float(d) for d in args.delays.split(",")]
    os.makedirs(args.log_dir, exist_ok=True)

    server = listen(backlog=8)
    announce(server, args.port_file)

    count = 0
    while True:
        conn, _ = server.accept()
        count += 1
        log_path = os.path.join(args.log_dir, "client-%d.bin" % count)
        delay = delays[(count - 1) % len(delays)]
        threading.Thread(target=serve, args=(conn, chunks, delay, log_path),
                         daemon=True).start()


if __name__ == "__main__":
    main()
