#!/usr/bin/env python3
"""Writes the seed corpus of every fuzz target into fuzz/corpus/<target>/.

Each seed is in its target's input format (see the comment at the top of the
target's source). Run it again after changing a format.
"""
import os
import struct

ESC = b"\x1b"
CSI = b"\x1b["
IAC, SB, SE, WILL, WONT, DO, DONT = 255, 250, 240, 251, 252, 253, 254
TTYPE, NAWS, ECHO = 24, 31, 1


def header(width=80, height=24, history=100, options=0b10):
    """options bit 1 = connect first (the common case)."""
    return bytes([width, height, history, options])


def feed(data, piece=None):
    """Host bytes as one read, or in reads of `piece` (1..8) bytes."""
    out = b""
    for at in range(0, len(data), 4096):
        chunk = data[at:at + 4096]
        flags = 0 if piece is None else 8 | (piece - 1)
        out += bytes([flags << 4]) + struct.pack("<H", len(chunk)) + chunk
    return out


def resize(w, h):
    return bytes([8]) + struct.pack("<hh", w, h)


def connect(fails=False):
    return bytes([9 | (0x10 if fails else 0)])


def close(by_host=False):
    return bytes([10 | (0x10 if by_host else 0)])


def toggle_emulation():
    return bytes([11])


def naws(refuse=False):
    return bytes([12 | (0x10 if refuse else 0)])


def buffer_size(code):
    return bytes([13, code])


def scroll(code, position=0):
    return bytes([14 | (code << 4)]) + struct.pack("<h", position)


def wheel(delta):
    return bytes([14 | 0xF0]) + struct.pack("<h", delta)


def echo(ch):
    return bytes([15, ch])


def clear_buffer():
    return bytes([15 | 0x10])


def repaint():
    return bytes([15 | 0x20])


def size_to_window(cx, cy):
    return bytes([15 | 0x30]) + struct.pack("<hh", cx, cy)


def cup(r, c):
    return CSI + b"%d;%dH" % (r, c)


def text_lines(n, width=80, word=b"corvane "):
    line = (word * (width // len(word) + 1))[:width]
    return b"".join(line + b"\r\n" for _ in range(n))


SEEDS = {
    "plain_crlf": header() + feed(text_lines(40)),
    "cursor_moves": header() + feed(
        CSI + b"2J" + cup(5, 10) + b"x" + CSI + b"3A" + CSI + b"4B" + CSI + b"7C" + CSI + b"2D"
        + CSI + b"40G" + CSI + b"12d" + ESC + b"7" + cup(24, 80) + b"ab" + ESC + b"8"
        + CSI + b"s" + cup(1, 1) + CSI + b"u" + CSI + b"0J" + CSI + b"1J" + CSI + b"1K"
        + CSI + b"2K" + CSI + b"K" + CSI + b"999;999H" + b"edge" + CSI + b"H"),
    "sgr_colours": header() + feed(b"".join(
        b"w " + CSI + (b"1;3%dm" % i) + b"bold " + CSI + (b"4%d;3%dm" % (i, 7 - i)) + b"mix "
        + CSI + b"7m" + b"rev " + CSI + b"22m" + CSI + b"0m\r\n" for i in range(8))),
    "telnet_negotiation": header() + feed(bytes([
        IAC, DO, TTYPE, IAC, SB, TTYPE, 1, IAC, SE, IAC, WILL, ECHO, IAC, DO, NAWS,
        IAC, WILL, 3, IAC, DO, 99, IAC, WONT, ECHO, IAC, 241, IAC, IAC, IAC, 249])
        + b"after\r\n" + bytes([IAC, SB, TTYPE]), piece=2) + toggle_emulation()
        + feed(bytes([IAC, SB, TTYPE, 1, IAC, SE])) + resize(100, 30),
    "naws_refused": header(options=0b10) + resize(132, 50) + naws(refuse=True)
        + resize(90, 20) + feed(b"text\r\n") + close() + resize(60, 10) + connect()
        + naws() + resize(255, 255),
    "wrap_long_lines": header() + feed(text_lines(6, width=150) + text_lines(2, width=2000)
        + b"x" * 80) + feed(b"\r\n" + b"y" * 79 + b"\t" + b"z"),
    "scroll_regions": header() + feed(
        CSI + b"5;10r" + cup(10, 1) + b"\n\n\nbottom" + cup(5, 1) + ESC + b"M" + ESC + b"M"
        + ESC + b"D" + CSI + b"3L" + CSI + b"2M" + CSI + b"4S" + cup(20, 1) + b"\n\n\n"
        + CSI + b"r" + CSI + b"10;5r" + CSI + b"0;0r" + CSI + b"1;999r" + cup(24, 1)
        + b"\n" * 30),
    "line_drawing": header() + feed(
        cup(3, 3) + ESC + b"(0lqqqqk" + ESC + b"(B" + cup(4, 3) + ESC + b"(0x" + ESC + b"(Bhi"
        + ESC + b"(0x" + ESC + b"(B" + cup(5, 3) + ESC + b"(0mqqqqj" + ESC + b"(A" + ESC
        + b"(1" + ESC + b"(Z" + ESC + b"(B" + ESC + b"=" + ESC + b">" + ESC + b"E" + ESC + b"H"),
    "split_sequences": header() + feed(cup(12, 40) + b"mid" + CSI + b"1;31m" + b"red"
        + bytes([IAC, DO, NAWS]) + ESC + b"(0q" + ESC + b"(B", piece=1)
        + feed(ESC) + feed(b"[2J") + feed(CSI + b"1") + feed(b"2;4") + feed(b"0H@"),
    "resize_edges": header(width=0, height=0, history=0, options=0) + resize(0, 0)
        + resize(-5, -1) + resize(300, 30) + resize(255, 255) + feed(cup(255, 255) + b"z")
        + resize(1, 1) + feed(b"ab\tc") + connect() + resize(40, 12) + naws() + resize(80, 24)
        + feed(CSI + b"200G" + b"wide") + size_to_window(0, 0) + size_to_window(724, 400)
        + connect(fails=True) + resize(20, 300),
    "scrollback_view": header(history=30) + feed(text_lines(60)) + wheel(120) + scroll(2)
        + scroll(2) + scroll(0) + scroll(4, 3) + scroll(5, -7) + repaint()
        + feed(text_lines(3)) + buffer_size(10) + scroll(2) + resize(80, 40) + scroll(0)
        + buffer_size(250) + scroll(3) + wheel(-240) + scroll(6) + scroll(8) + scroll(7)
        + clear_buffer(),
    "unfinished_carry": header() + feed(CSI + b"1" * 4094) + feed(b"2" * 3000)
        + feed(b"H" + bytes([IAC])) + feed(bytes([SB])) + feed(bytes([TTYPE])) + feed(b"\x01")
        + feed(bytes([IAC, SE]) + b"ok"),
    "controls_and_echo": header(options=0b11) + feed(
        b"a\x07b\x08\x08\x08c\td\x0b\x01\x02\x00\x0e\x0fe\x0cf\r\n\x7f\x80\xfe" + CSI
        + b"5@" + CSI + b"3P" + CSI + b"?25h" + CSI + b"?1;2l" + CSI + b"1;2;3;4;5;6;7m")
        + echo(ord("q")) + echo(8) + echo(13) + close(by_host=True) + feed(b"closed\r\n"),
}


# --- the settings store (ProfileFuzzer.cpp) ------------------------------------
def profile_seed(file_text):
    """The profile file as the target's string reader wants it (backslashes
    doubled, ended by a backslash and one more byte), then bytes the script of
    reads and writes is drawn from."""
    script = bytes(range(7, 256, 13)) + b"\\\\r\\n[x]=\"v\" \0" + bytes(range(250, 0, -17))
    return file_text.replace(b"\\", b"\\\\") + b"\\x" + script


PROFILE_SEEDS = {
    "first_start": b"",
    "typical": b"[Options]\nSaveWinPosition=1\nLocalEcho=0\n\n[Screen]\nWidth=80\nHeight=24\n"
               b"BufferSize=1000\n\n[Font]\nName=Terminal\nSize=110\n\n[Macro]\nF1=ls -l\\r\n"
               b"F2=\\e[A\n\n[Recent Host List]\nHost1=127.0.0.1\nPort1=2323\nDesc1=loopback\n",
    "windows_lines_and_mark": b"\xef\xbb\xbf[Options]\r\nEmulation=1\r\n[Screen]\r\nWidth = 132 \r\n",
    "hand_edited": b"; comment\n  [ options ]  \n  emulation =  2 ; not a comment\n"
                   b"[Options]\nEmulation=-1\n[Font]\nName=\"  spaced  \"\nName='second'\n"
                   b"junk line\n[broken\n=no key\n[Special]\nDBSize=99999999999\nCDDir=C:\\cd\n",
    "no_final_newline": b"[Macro]\nF12=\\\\dir",
    "binary": bytes(range(256)),
}

# --- the catalogue (CatalogueFuzzer.cpp) -----------------------------------------
CATALOGUE_SEEDS = {
    "files_and_dir": bytes([0x80 | 40]) + b"readme.txt,1234\nDir\\\nother.doc,  77\n",
    "numbers": bytes([20]) + b"a,-1\nb,+5\nc, x\nd,4294967296\ne,99999999999999999999\nf,",
    "full_early": bytes([3]) + b"one,1\ntwo,2\nthree,3\nfour,4\nDir\\\n",
    "listed_dirs": bytes([0x80 | 100]) + b"dir\\a b\\x/y\\..\\missing\\ \\",
    "crlf_and_blanks": bytes([60]) + b"  lead,1\r\ntrail  ,2\r\n\r\nspan\nlines,3\r\n",
    "edges_of_capacity": bytes([0x80 | 0x79]) + b"x,1\n",
    "long_name": bytes([10]) + b"n" * 5000 + b",5\nshort,6\n",
}

# --- macro keys (MacroFuzzer.cpp) ------------------------------------------------
def utf16(text):
    return text.encode("utf-16-le", "surrogatepass")


MACRO_SEEDS = {
    "escapes": bytes([0x00]) + utf16("ls -l\\r\\n\\e[A\\tx\\\\dir"),
    "unknown_and_trailing": bytes([0x31]) + utf16("a\\qb\\E\\N\\R\\T\\"),
    "double_backslash_e": bytes([0xB5]) + utf16("\\\\e\\\\\\e"),
    "code_page": bytes([0x01]) + utf16("caf\u00e9 \u2302 \u00ff \uff3c \u20ac \U0001F600\\n"),
    "lone_surrogates": bytes([0x20]) + utf16("\ud83d\\n\ude00\\"),
}

# --- command line (CommandLineFuzzer.cpp) ----------------------------------------
def argv(*words):
    return b"\0".join(words)


CMDLINE_SEEDS = {
    "host_port": argv(b"127.0.0.1", b"2323", b"extra"),
    "host_only": argv(b"example.org"),
    "help": argv(b"host", b"--help", b"--version"),
    "version": argv(b"--version"),
    "unknown": argv(b"--bogus\n\x1b[2J"),
    "ports": argv(b"h", b" 65535 ", b"65536", b"\t0\t", b"-1", b"4294967296", b"0000080"),
    "long_host": argv(b"h" * 1000, b"23"),
    "blanks": argv(b"", b" \t", b"\n"),
}

# --- pasting (ClipboardFuzzer.cpp) ----------------------------------------------
CLIPBOARD_SEEDS = {
    "two_lines": bytes([0]) + utf16("first line\r\nsecond line\r\n"),
    "nul_cuts": bytes([1]) + utf16("kept\0dropped"),
    "iac_bytes": bytes([0]) + utf16("\u00ff\u00ff x \u00ff"),
    "cp437_nbsp": bytes([1]) + utf16("\u00a0\u2500\u263a\u00ff"),
    "unmappable": bytes([0]) + utf16("\u20ac\u4e2d\U0001F600\ud800"),
}

TARGET_SEEDS = {
    "session": SEEDS,
    "profile": {name: profile_seed(text) for name, text in PROFILE_SEEDS.items()},
    "catalogue": CATALOGUE_SEEDS,
    "macro": MACRO_SEEDS,
    "cmdline": CMDLINE_SEEDS,
    "clipboard": CLIPBOARD_SEEDS,
}


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    for target, seeds in sorted(TARGET_SEEDS.items()):
        out = os.path.join(here, "corpus", target)
        os.makedirs(out, exist_ok=True)
        for name, data in sorted(seeds.items()):
            with open(os.path.join(out, name), "wb") as f:
                f.write(data)
            print("%-10s %-24s %6d bytes" % (target, name, len(data)))


if __name__ == "__main__":
    main()
