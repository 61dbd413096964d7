#include "Streams.h"

#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <iterator>
#include <string_view>
#include <vector>

namespace {

constexpr std::string_view kWords[] = {
    "the",       "of",        "and",         "to",       "in",         "is",       "that",
    "for",       "it",        "as",          "was",      "with",       "be",       "by",
    "on",        "not",       "he",          "this",     "are",        "or",       "his",
    "from",      "at",        "which",       "but",      "have",       "an",       "they",
    "you",       "were",      "her",         "she",      "there",      "been",     "one",
    "all",       "would",     "their",       "we",       "him",        "has",      "when",
    "who",       "will",      "more",        "no",       "if",         "out",      "so",
    "said",      "what",      "up",          "its",      "about",      "into",     "than",
    "them",      "can",       "only",        "other",    "new",        "some",     "could",
    "time",      "these",     "two",         "may",      "then",       "do",       "first",
    "any",       "my",        "now",         "such",     "like",       "our",      "over",
    "man",       "me",        "even",        "most",     "made",       "after",    "also",
    "did",       "many",      "before",      "must",     "through",    "back",     "years",
    "where",     "much",      "your",        "way",      "well",       "down",     "should",
    "because",   "each",      "just",        "those",    "people",     "how",      "too",
    "little",    "state",     "good",        "very",     "make",       "world",    "still",
    "own",       "see",       "men",         "work",     "long",       "get",      "here",
    "between",   "both",      "life",        "being",    "under",      "never",    "day",
    "same",      "another",   "know",        "while",    "last",       "might",    "us",
    "great",     "old",       "year",        "off",      "come",       "since",    "against",
    "go",        "came",      "right",       "used",     "take",       "three",    "terminal",
    "escape",    "cursor",    "screen",      "window",   "telnet",     "buffer",   "scroll",
    "region",    "attribute", "negotiation", "protocol", "connection", "keyboard", "function",
    "character", "column",    "session",     "history",  "report"};

// xorshift64*: tiny and the same everywhere.
class Rng {
 public:
  explicit Rng(std::uint64_t seed) : s_(seed * 0x9E3779B97F4A7C15ULL + 1) {
    if (s_ == 0) s_ = 1;
  }
  std::uint64_t Next() {
    s_ ^= s_ >> 12;
    s_ ^= s_ << 25;
    s_ ^= s_ >> 27;
    return s_ * 0x2545F4914F6CDD1DULL;
  }
  int Below(int n) { return static_cast<int>((Next() >> 11) % static_cast<std::uint64_t>(n)); }
  std::string_view Word() {
    return kWords[static_cast<std::size_t>(Below(static_cast<int>(std::size(kWords))))];
  }

 private:
  std::uint64_t s_;
};

void Append(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));
void Append(std::string& out, const char* format, ...) {
  char buf[512];
  va_list args;
  va_start(args, format);
  const int n = std::vsnprintf(buf, sizeof buf, format, args);
  va_end(args);
  out.append(buf, static_cast<std::size_t>(std::clamp(n, 0, static_cast<int>(sizeof buf) - 1)));
}

// Exactly `width` visible columns of words; the last word is cut to fit.
std::string WordsLine(Rng& rng, int width) {
  std::string s;
  while (static_cast<int>(s.size()) < width) {
    if (!s.empty()) s += ' ';
    s += rng.Word();
  }
  s.resize(static_cast<std::size_t>(std::max(width, 0)));
  if (!s.empty() && s.back() == ' ') s.back() = '.';
  return s;
}

void Cup(std::string& out, int row, int col) { Append(out, "\x1b[%d;%dH", row, col); }

void PlainUnit(Rng& rng, std::string& out) {
  out += WordsLine(rng, 80);
  out += "\r\n";
}

// 80 visible columns; a colour run of 1..4 words starts every 2..5 words.
void SgrUnit(Rng& rng, std::string& out) {
  std::vector<std::string> words;
  const std::string line = WordsLine(rng, 80);
  for (std::size_t at = 0;;) {
    const std::size_t space = line.find(' ', at);
    words.push_back(line.substr(at, space - at));
    if (space == std::string::npos) break;
    at = space + 1;
  }
  auto joined = [&](std::size_t from, std::size_t count) {
    std::string s;
    for (std::size_t i = from; i < std::min(from + count, words.size()); ++i) {
      if (i > from) s += ' ';
      s += words[i];
    }
    return s;
  };
  std::size_t i = 0;
  bool first = true;
  while (i < words.size()) {
    const auto gap = static_cast<std::size_t>(2 + rng.Below(4));
    if (!first) out += ' ';
    first = false;
    out += joined(i, gap);
    i += gap;
    if (i >= words.size()) break;
    const auto run = static_cast<std::size_t>(1 + rng.Below(4));
    const int fg = 31 + rng.Below(7);
    out += ' ';
    switch (rng.Below(4)) {
      case 0:
        Append(out, "\x1b[1;%dm", fg);
        break;
      case 1:
        Append(out, "\x1b[%dm", fg);
        break;
      case 2:
        Append(out, "\x1b[%d;4%dm", fg, rng.Below(8));
        break;
      default:
        Append(out, "\x1b[1;4;%dm", fg);
        break;
    }
    out += joined(i, run);
    out += "\x1b[0m";
    i += run;
  }
  out += "\r\n";
}

// Words beyond ASCII, as a UTF-8 host sends them: Latin accents, curly
// quotes, bullets, arrows and box drawing (two and three bytes a character).
constexpr std::string_view kUtf8Words[] = {"café",  "naïve",  "über", "“quoted”", "├──┤",
                                           "•",     "résumé", "déjà", "Ærø",      "→",
                                           "señor", "█▓▒░",   "€5",   "–",        "½"};

// 80 visible columns of words, one in four from kUtf8Words, then CR LF.
void Utf8Unit(Rng& rng, std::string& out) {
  auto columns = [](std::string_view word) {
    return static_cast<int>(std::count_if(word.begin(), word.end(), [](char c) {
      return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
  };
  int used = 0;
  for (;;) {
    const std::string_view word = rng.Below(4) == 0 ? kUtf8Words[static_cast<std::size_t>(rng.Below(
                                                          static_cast<int>(std::size(kUtf8Words))))]
                                                    : rng.Word();
    const int need = columns(word) + (used > 0 ? 1 : 0);
    if (used + need > 80) break;
    if (used > 0) out += ' ';
    out += word;
    used += need;
  }
  out.append(static_cast<std::size_t>(80 - used), ' ');
  out += "\r\n";
}

void WrapUnit(Rng& rng, std::string& out) {
  out += WordsLine(rng, 150 + rng.Below(1851));
  out += "\r\n";
}

// Screen-update units for a cols x rows screen.
class CursorUnits {
 public:
  CursorUnits(int cols, int rows) : cols_(std::max(cols, 40)), rows_(std::max(rows, 12)) {}

  void Next(Rng& rng, std::string& out) {
    ++tick_;
    const int k = rng.Below(10);
    if (k < 3) return Top(rng, out);
    if (k < 6) return EditorScroll(rng, out);
    if (k < 7) return Box(rng, out);
    if (k < 8) return FullRedraw(rng, out);
    SmallUpdates(rng, out);
  }

 private:
  // A top-like refresh: home, every row rewritten and ended with ESC [ K.
  void Top(Rng& rng, std::string& out) {
    out += "\x1b[H";
    Append(out, "top - %02d:%02d:%02d up %d days, load average: %d.%02d, %d.%02d\x1b[K\r\n",
           tick_ / 3600 % 24, tick_ / 60 % 60, tick_ % 60, 3 + tick_ / 86400, rng.Below(4),
           rng.Below(100), rng.Below(4), rng.Below(100));
    Append(out, "Tasks: %3d total, %2d running, %3d sleeping\x1b[K\r\n", 150 + rng.Below(50),
           1 + rng.Below(5), 140 + rng.Below(40));
    Append(out, "%%Cpu(s): %4.1f us, %4.1f sy, %4.1f id\x1b[K\r\n", rng.Below(1000) / 10.0,
           rng.Below(300) / 10.0, rng.Below(1000) / 10.0);
    Append(out, "MiB Mem : %7d total, %7d free\x1b[K\r\n\x1b[K\r\n", 24105,
           20000 + rng.Below(3000));
    out += "\x1b[7m  PID USER      PR  NI    VIRT    RES  %CPU  %MEM     TIME+ COMMAND";
    out.append(static_cast<std::size_t>(std::max(cols_ - 71, 0)), ' ');
    out += "\x1b[0m\r\n";
    static constexpr const char* kUsers[] = {"root", "www", "daemon", "user"};
    for (int row = 7; row <= rows_; ++row) {
      std::string line;
      Append(line, "%5d %-8s  20   0 %7d %6d %5.1f %5.1f %3d:%02d.%02d %-16s", 1 + rng.Below(30000),
             kUsers[rng.Below(4)], rng.Below(999999), rng.Below(99999), rng.Below(1000) / 10.0,
             rng.Below(1000) / 10.0, rng.Below(60), rng.Below(60), rng.Below(100),
             std::string(rng.Word()).c_str());
      line.resize(std::min(line.size(), static_cast<std::size_t>(cols_)));
      Cup(out, row, 1);
      out += line;
      out += "\x1b[K";
    }
  }

  // Editor scrolling: region 1..rows-1, new lines at its bottom or, with ESC M, at its top.
  void EditorScroll(Rng& rng, std::string& out) {
    const int last = rows_ - 1;
    Append(out, "\x1b[1;%dr", last);
    for (int n = 4 + rng.Below(8); n > 0; --n) {
      if (rng.Below(3)) {
        Cup(out, last, 1);
        out += '\n';
      } else {
        Cup(out, 1, 1);
        out += "\x1bM";
      }
      out += WordsLine(rng, 20 + rng.Below(cols_ - 21));
      out += "\x1b[K";
    }
    out += "\x1b[r";
    Cup(out, rows_, 1);
    std::string status;
    Append(status, "-- INSERT --  line %d", rng.Below(9999));
    status.resize(static_cast<std::size_t>(cols_ - 1), ' ');
    out += "\x1b[7m" + status + "\x1b[0m";
    Cup(out, 1 + rng.Below(last), 1 + rng.Below(cols_));
  }

  // A dialog box in DEC line drawing (ESC ( 0 .. ESC ( B) over the screen.
  void Box(Rng& rng, std::string& out) {
    const int h = 4 + rng.Below(std::min(10, rows_ - 4));
    const int w = 20 + rng.Below(std::min(40, cols_ - 20));
    const int r = 1 + rng.Below(rows_ - h), c = 1 + rng.Below(cols_ - w);
    const std::string bar(static_cast<std::size_t>(w - 2), 'q');
    Cup(out, r, c);
    out += "\x1b(0l" + bar + "k\x1b(B";
    for (int i = 1; i < h - 1; ++i) {
      Cup(out, r + i, c);
      out += "\x1b(0x\x1b(B" + WordsLine(rng, w - 2) + "\x1b(0x\x1b(B";
    }
    Cup(out, r + h - 1, c);
    out += "\x1b(0m" + bar + "j\x1b(B";
  }

  // Clear and repaint every row, as an editor does on ^L or a file switch.
  void FullRedraw(Rng& rng, std::string& out) {
    out += "\x1b[H\x1b[2J";
    for (int row = 1; row < rows_; ++row) {
      Cup(out, row, 1);
      out += rng.Below(5) ? WordsLine(rng, rng.Below(cols_)) : std::string("~");
    }
    Cup(out, rows_, 1);
    Append(out, "\x1b[7m\"file.txt\" %dL\x1b[0m\x1b[K", rng.Below(9999));
  }

  // Scattered cursor jumps with a few characters each, some with ESC [ K.
  void SmallUpdates(Rng& rng, std::string& out) {
    for (int n = 10 + rng.Below(20); n > 0; --n) {
      Cup(out, 1 + rng.Below(rows_), 1 + rng.Below(cols_ - 8));
      out += rng.Word().substr(0, 8);
      if (rng.Below(3) == 0) out += "\x1b[K";
    }
  }

  int cols_, rows_;
  int tick_ = 0;
};

}  // namespace

const char* StreamName(StreamKind kind) {
  switch (kind) {
    case StreamKind::Plain:
      return "plain";
    case StreamKind::Sgr:
      return "sgr";
    case StreamKind::Cursor:
      return "cursor";
    case StreamKind::Wrap:
      return "wrap";
    case StreamKind::Utf8:
      return "utf8";
  }
  return "?";
}

std::string GenerateStream(StreamKind kind, int cols, int rows, std::size_t bytes) {
  Rng rng(1000 + static_cast<std::uint64_t>(kind));
  CursorUnits cursor(cols, rows);
  std::function<void(Rng&, std::string&)> unit;
  switch (kind) {
    case StreamKind::Plain:
      unit = PlainUnit;
      break;
    case StreamKind::Sgr:
      unit = SgrUnit;
      break;
    case StreamKind::Wrap:
      unit = WrapUnit;
      break;
    case StreamKind::Utf8:
      unit = Utf8Unit;
      break;
    case StreamKind::Cursor:
      unit = [&cursor](Rng& r, std::string& out) { cursor.Next(r, out); };
      break;
  }
  std::string out;
  out.reserve(bytes + 64 * 1024);
  if (kind == StreamKind::Cursor) out += "\x1b[H\x1b[2J";
  while (out.size() < bytes) unit(rng, out);
  return out;
}
