#!/usr/bin/env python3
"""Writes the seed corpus of the session fuzzer into fuzz/corpus/.

Each seed is an operation script in the fuzzer's input format (see the comment
at the top of SessionFuzzer.cpp). Run it again after changing that format.
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


def main():
    out = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus")
    os.makedirs(out, exist_ok=True)
    for name, data in sorted(SEEDS.items()):
        with open(os.path.join(out, name), "wb") as f:
            f.write(data)
        print("%-20s %6d bytes" % (name, len(data)))


if __name__ == "__main__":
    main()
