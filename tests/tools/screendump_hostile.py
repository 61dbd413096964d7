#!/usr/bin/env python3
"""screendump against hostile command lines and floods of telnet commands.

Usage: screendump_hostile.py SCREENDUMP

Every malformed or out-of-range --size and --block is refused with one line on
standard error and status 2, as is an unknown --host-text or --script; the
limits themselves are accepted. UTF-8 text replays into the cells of the
chosen script's code page. A flood of
telnet commands, each answered by the session, leaves screendump's peak
resident size flat, with and without --sent.
"""
import os
import resource
import subprocess
import sys
import tempfile

SCREENDUMP = sys.argv[1]

REFUSED = [
    ["--size", v] for v in ("0x0", "-1x-1", "80x24junk", "0x80x24", "4294967377x24",
                            "256x24", "80x256", " 80x24", "+80x24", "80x", "x24", "")
] + [["--block", v] for v in ("0", "-1", "65537", "4294967297", "1x", " 1", "")
      ] + [["--host-text", "latin1"], ["--host-text"], ["--script", "cyrillic"]]
ACCEPTED = [["--size", "1x1"], ["--size", "255x255"], ["--block", "1"], ["--block", "65536"]]

# The first row of the screen for "café “q” ├─┤" in UTF-8: kept byte for byte
# by default, Windows-1252 cells under UTF-8, CP437 cells with --script oem.
CAFE = "café “q” ├─┤".encode()
REPLAYED = [
    ([], CAFE),
    (["--host-text", "utf8"], b"caf\xe9 \x93q\x94 ???"),
    (["--host-text", "utf8", "--script", "oem"], b"caf\x82 ?q? \xc3\xc4\xb4"),
]

# IAC DO ECHO and IAC WILL SUPPRESS-GO-AHEAD, each refused with an answer of
# the same length: 24 MB in, 24 MB of answers out.
PAIR, ANSWER, PAIRS = b"\xff\xfd\x01\xff\xfb\x03", b"fffc01fffe03", 4 << 20
PEAK_LIMIT_KB = 24 << 10

# Under AddressSanitizer freed blocks wait in a quarantine of up to 256 MB to
# catch late uses; every answer is a freed block, so the quarantine, not the
# program, would fill the peak. A small one keeps the measure about screendump.
FLOOD_ENV = dict(os.environ)
FLOOD_ENV["ASAN_OPTIONS"] = ":".join(
    filter(None, [os.environ.get("ASAN_OPTIONS", ""), "quarantine_size_mb=1"]))


def main():
    failures = []
    for args in REFUSED:
        run = subprocess.run([SCREENDUMP, *args], stdin=subprocess.DEVNULL,
                             capture_output=True)
        said = run.stderr.decode(errors="replace").splitlines()
        if run.returncode != 2 or not said or not said[0].startswith("screendump: "):
            failures.append(f"{args}: status {run.returncode}, said {said[:1]}")
    for args in ACCEPTED:
        run = subprocess.run([SCREENDUMP, *args], stdin=subprocess.DEVNULL,
                             capture_output=True)
        if run.returncode != 0:
            failures.append(f"{args} refused: {run.stderr.decode(errors='replace')}")

    for args, row in REPLAYED:
        run = subprocess.run([SCREENDUMP, "--size", "30x1", "--block", "5", *args], input=CAFE,
                             capture_output=True)
        first = run.stdout.split(b"\n")[0]
        if run.returncode != 0 or first != row:
            failures.append(f"{args}: row {first!r}, not {row!r}")

    # The flood goes through a file, never whole through this process: a child
    # starts as a copy of it, and that copy counts in the children's peak.
    with tempfile.TemporaryFile() as flood, tempfile.TemporaryFile() as out:
        for _ in range(PAIRS >> 16):
            flood.write(PAIR * (1 << 16))
        for args in ([], ["--sent"]):
            flood.seek(0)
            out.seek(0)
            out.truncate()
            status = subprocess.run([SCREENDUMP, *args], stdin=flood, stdout=out,
                                    env=FLOOD_ENV).returncode
            peak = resource.getrusage(resource.RUSAGE_CHILDREN).ru_maxrss
            if status != 0:
                failures.append(f"flood {args}: status {status}")
            if args:
                out.seek(-(len(ANSWER) * 1000 + 1), 2)
                if out.read() != ANSWER * 1000 + b"\n":
                    failures.append("flood --sent: the answers are not all there")
            # The children's largest peak so far: a flat run stays below the
            # limit, one that keeps the answers goes far past it.
            if peak > PEAK_LIMIT_KB:
                failures.append(f"flood {args}: peak resident size {peak} KB")

    for failure in failures:
        print(failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
