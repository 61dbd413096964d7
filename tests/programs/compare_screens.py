#!/usr/bin/env python3
"""Checks one recorded program session: screendump's final screen against libvterm's.

    compare_screens.py --screendump BIN --reference BIN --table FILE RECORDING

RECORDING is NAME.TERM.raw (TERM vt100 or ansi): the bytes a telnet server
sent. screendump replays it under that emulation, vterm_screen through
libvterm; both screens are 80 x 24. libvterm draws lines with Unicode box
characters where Corvane stores '+', '-' and '|', so those are mapped first.
Every other cell must be equal, unless the table accepts the pair (reference
character, Corvane character) for this recording, with its reason.

Recordings in EXPECTED_TO_FAIL are known to differ for a reason the engine
has yet to mend: for them a difference passes and a match fails, so whoever
mends it removes the entry.
"""
import argparse
import fnmatch
import pathlib
import subprocess
import sys

WIDTH, HEIGHT = 80, 24

# libvterm's DEC line-drawing glyphs as Corvane stores them: corners and tees
# become '+', the horizontal line '-', the vertical line '|'.
LINE_DRAWING = str.maketrans({
    "\u250c": "+", "\u2510": "+", "\u2514": "+", "\u2518": "+",
    "\u251c": "+", "\u2524": "+", "\u2500": "-", "\u2502": "|",
})

# Recording -> why it differs today. Remove an entry when the engine mends it.
EXPECTED_TO_FAIL = {}


def read_table(path):
    """Rows of "RECORDINGS REFERENCE CORVANE REASON..." (RECORDINGS a glob)."""
    rows = []
    for n, line in enumerate(pathlib.Path(path).read_text(encoding="utf-8").splitlines(), 1):
        if not line.strip() or line.lstrip().startswith("#"):
            continue
        fields = line.split(None, 3)
        if len(fields) < 4 or len(fields[1]) != 1 or len(fields[2]) != 1:
            sys.exit(f"{path}:{n}: want RECORDINGS REFERENCE-CHAR CORVANE-CHAR REASON")
        rows.append((fields[0], fields[1], fields[2], fields[3]))
    return rows


def screen(text):
    lines = text.split("\n")[:HEIGHT]
    lines += [""] * (HEIGHT - len(lines))
    return [line.ljust(WIDTH) for line in lines]


def main():
    ap = argparse.ArgumentParser()
    ap.add_argument("--screendump", required=True)
    ap.add_argument("--reference", required=True)
    ap.add_argument("--table", required=True)
    ap.add_argument("recording", type=pathlib.Path)
    a = ap.parse_args()

    name = a.recording.name.removesuffix(".raw")
    term = name.rsplit(".", 1)[-1]
    if term not in ("vt100", "ansi"):
        sys.exit(f"{a.recording}: name it NAME.vt100.raw or NAME.ansi.raw")
    with open(a.recording, "rb") as raw:
        ours = subprocess.run([a.screendump, "--emulation", term, "--size", f"{WIDTH}x{HEIGHT}"],
                              stdin=raw, capture_output=True, check=True).stdout
    theirs = subprocess.run([a.reference, "--size", f"{WIDTH}x{HEIGHT}", str(a.recording)],
                            capture_output=True, check=True).stdout
    corvane = screen(ours.decode("latin-1"))
    reference = screen(theirs.decode("utf-8").translate(LINE_DRAWING))

    if not any(row.strip() for row in reference):
        print(f"{name}: libvterm shows a blank screen: the recording checks nothing")
        return 1

    accepted = [(ref, got, why) for glob, ref, got, why in read_table(a.table)
                if fnmatch.fnmatchcase(name, glob)]
    used = {}
    wrong = []
    for r in range(HEIGHT):
        for c in range(WIDTH):
            ref, got = reference[r][c], corvane[r][c]
            if ref == got:
                continue
            why = next((w for x, y, w in accepted if x == ref and y == got), None)
            if why is None:
                wrong.append(r)
                break
            used.setdefault(why, 0)
            used[why] += 1

    for why, count in used.items():
        print(f"accepted {count} cell(s): {why}")
    if wrong:
        print(f"{name}: rows differ from libvterm's (top: libvterm, bottom: Corvane):")
        for r in wrong:
            print(f"  {r:2} ref |{reference[r].rstrip()}|")
            print(f"  {r:2} got |{corvane[r].rstrip()}|")
    if name in EXPECTED_TO_FAIL:
        if wrong:
            print(f"{name}: differs as expected: {EXPECTED_TO_FAIL[name]}")
            return 0
        print(f"{name}: now matches libvterm; remove it from EXPECTED_TO_FAIL")
        return 1
    return 1 if wrong else 0


if __name__ == "__main__":
    sys.exit(main())
