#pragma once
// Deterministic host byte streams for the receive-loop benchmark. Every
// machine generates the same bytes (own PRNG); streams are cut only between
// whole lines or screen updates, never inside an escape sequence.
#include <cstddef>
#include <string>

enum class StreamKind {
  Plain,   // 80-column text lines, CR LF
  Sgr,     // the same text with colour runs (ESC [ 1 ; 31 m ... ESC [ 0 m) every few words
  Cursor,  // full-screen redraws as an editor or top sends them for TERM=vt100
  Wrap,    // lines of 150..2000 columns that rely on the automatic wrap
  Utf8,    // 80-column UTF-8 text lines: about one word in four accented, quoted or box drawing
};

const char* StreamName(StreamKind kind);

// About `bytes` bytes of the stream (at least that many). Cursor-addressed
// redraws are laid out for a screen of cols x rows; the other kinds do not
// depend on the screen size.
std::string GenerateStream(StreamKind kind, int cols, int rows, std::size_t bytes);
