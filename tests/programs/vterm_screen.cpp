// vterm_screen: the reference side of the recorded-programs check. Reads what
// a telnet server sent (a file named on the command line), drops the telnet
// commands, feeds the rest to libvterm and prints its final screen, one
// right-trimmed line per row, as UTF-8. One libvterm fault is worked around:
// see ExpandRepeats.
//
//   vterm_screen [--size WxH] FILE
//
// libvterm is an independent emulator: its cells hold Unicode code points, so
// line drawing arrives as box characters and bytes above 127 as Latin-1
// (UTF-8 decoding is off, as Corvane reads single bytes too). The comparison
// maps them; this program only reports what libvterm shows.
#include <vterm.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

namespace {
constexpr unsigned char kIac = 255, kSb = 250, kSe = 240, kWill = 251, kDont = 254;

// The data bytes of a telnet stream: IAC IAC is one 255, option commands
// (three bytes), subnegotiations (up to IAC SE) and other commands go.
std::string TelnetData(const std::string& in) {
  std::string out;
  out.reserve(in.size());
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (b != kIac) {
      out += in[i];
      continue;
    }
    if (++i >= in.size()) break;
    const auto cmd = static_cast<unsigned char>(in[i]);
    if (cmd == kIac) {
      out += in[i];
    } else if (cmd >= kWill && cmd <= kDont) {
      ++i;
    } else if (cmd == kSb) {
      while (i + 1 < in.size() && !(static_cast<unsigned char>(in[i]) == kIac &&
                                    static_cast<unsigned char>(in[i + 1]) == kSe))
        ++i;
      ++i;
    }
  }
  return out;
}

// libvterm 0.1.4 repeats with REP (ESC [ n b) only up to the end of the row,
// never wrapping, and marks a pending wrap one column early, so the next
// character lands on the next row (xterm and ECMA-48 repeat as if the
// character had been sent n more times). The hosts here send REP right after
// the character it repeats ("x ESC [ n b", as the ansi description's rep
// says), so that form is written out as the characters before libvterm sees
// it; a REP after a control or another sequence is left to libvterm.
std::string ExpandRepeats(const std::string& in, std::size_t limit) {
  enum class State { Ground, Escape, Csi } state = State::Ground;
  std::string out;
  out.reserve(in.size());
  int last = -1;  // the graphic byte printed just before, or -1
  for (std::size_t i = 0; i < in.size(); ++i) {
    const auto b = static_cast<unsigned char>(in[i]);
    if (state == State::Ground && b == 0x1B && last >= 0 && i + 1 < in.size() && in[i + 1] == '[') {
      std::size_t end = i + 2, n = 0;
      for (; end < in.size() && in[end] >= '0' && in[end] <= '9'; ++end)
        if (n <= limit) n = n * 10 + static_cast<std::size_t>(in[end] - '0');
      if (end < in.size() && in[end] == 'b') {
        out.append(std::min(std::max<std::size_t>(n, 1), limit), static_cast<char>(last));
        last = -1;
        i = end;
        continue;
      }
    }
    out += in[i];
    switch (state) {
      case State::Ground:
        if (b == 0x1B) state = State::Escape;
        last = b >= 0x20 && b != 0x7F ? b : -1;
        break;
      case State::Escape:  // ESC [ opens a CSI; ESC and an intermediate wait for a final
        state = b == '[' ? State::Csi : (b >= 0x20 && b <= 0x2F ? State::Escape : State::Ground);
        break;
      case State::Csi:
        if (b >= 0x40 && b <= 0x7E) state = State::Ground;
        break;
    }
  }
  return out;
}

void PutUtf8(std::string& out, std::uint32_t c) {
  if (c < 0x80) {
    out += static_cast<char>(c);
  } else if (c < 0x800) {
    out += static_cast<char>(0xC0 | (c >> 6));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else if (c < 0x10000) {
    out += static_cast<char>(0xE0 | (c >> 12));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (c >> 18));
    out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (c & 0x3F));
  }
}
}  // namespace

int main(int argc, char** argv) {
  int cols = 80, rows = 24;
  const char* path = nullptr;
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc) {
      if (std::sscanf(argv[++i], "%dx%d", &cols, &rows) != 2 || cols < 1 || rows < 1) {
        path = nullptr;
        break;
      }
    } else {
      path = argv[i];
    }
  }
  std::ifstream in(path ? path : "", std::ios::binary);
  if (!path || !in) {
    std::fprintf(stderr, "usage: vterm_screen [--size WxH] FILE\n");
    return 2;
  }
  std::stringstream bytes;
  bytes << in.rdbuf();
  const std::string data =
      ExpandRepeats(TelnetData(bytes.str()), static_cast<std::size_t>(cols) * rows);

  VTerm* vt = vterm_new(rows, cols);
  vterm_set_utf8(vt, 0);
  VTermScreen* screen = vterm_obtain_screen(vt);
  vterm_screen_reset(screen, 1);
  vterm_input_write(vt, data.data(), data.size());
  vterm_screen_flush_damage(screen);

  std::string out;
  VTermScreenCell cell;
  for (int r = 0; r < rows; ++r) {
    std::string row;
    std::size_t kept = 0;  // the row's length up to its last non-blank cell
    for (int c = 0; c < cols; ++c) {
      const std::uint32_t ch = vterm_screen_get_cell(screen, VTermPos{r, c}, &cell) && cell.chars[0]
                                   ? cell.chars[0]
                                   : ' ';
      PutUtf8(row, ch);
      if (ch != ' ') kept = row.size();
    }
    row.resize(kept);
    out += row + '\n';
  }
  vterm_free(vt);
  std::cout << out;
  return std::cout.flush() ? 0 : 1;
}
