#include "text/Utf8Decoder.h"

#include <bit>
#include <cstdint>
#include <cstring>

bool IsWideCharacter(char32_t ch) {
  return (ch >= 0x1100 && ch <= 0x115F) || (ch >= 0x2E80 && ch <= 0xA4CF) ||
         (ch >= 0xAC00 && ch <= 0xD7A3) || (ch >= 0xF900 && ch <= 0xFAFF) ||
         (ch >= 0xFE30 && ch <= 0xFE4F) || (ch >= 0xFF00 && ch <= 0xFF60) ||
         (ch >= 0xFFE0 && ch <= 0xFFE6) || (ch >= 0x1F300 && ch <= 0x1F64F) ||
         (ch >= 0x1F900 && ch <= 0x1F9FF) || (ch >= 0x20000 && ch <= 0x3FFFD);
}

namespace {
// The cell of a whole character.
unsigned char* PutCharacter(char32_t ch, unsigned char* out, const CodePage& page) {
  if (ch >= 0x1100 && IsWideCharacter(ch)) {
    *out++ = '?';
    *out++ = '?';
  } else {
    *out++ = ch <= 0xFFFF ? page.FromUnicode(static_cast<char16_t>(ch)) : '?';
  }
  return out;
}

bool Continues(unsigned char b) { return (b & 0xC0) == 0x80; }
}  // namespace

unsigned char* Utf8Decoder::Decode(const unsigned char* p, const unsigned char* end,
                                   unsigned char* out, const CodePage& page) {
  while (p < end) {
    const unsigned char b = *p;
    if (need_ == 0) {
      // Most text is ASCII: copied eight bytes at a time (a word is stored
      // whole, and what follows its first byte beyond ASCII is written over).
      if (b < 0x80) {
        constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
        for (std::uint64_t word; end - p >= 8;) {
          std::memcpy(&word, p, sizeof word);
          std::memcpy(out, &word, sizeof word);
          const std::uint64_t high = word & kHigh;
          if (high != 0) {
            const int ascii = std::endian::native == std::endian::little
                                  ? std::countr_zero(high) / 8
                                  : std::countl_zero(high) / 8;
            p += ascii;
            out += ascii;
            break;
          }
          p += 8;
          out += 8;
        }
        while (p < end && *p < 0x80) *out++ = *p++;
        continue;
      }
      // A whole two- or three-byte character, read at once.
      if (b >= 0xC2 && b <= 0xDF && end - p >= 2 && Continues(p[1])) {
        out = PutCharacter(static_cast<char32_t>((b & 0x1F) << 6 | (p[1] & 0x3F)), out, page);
        p += 2;
        continue;
      }
      if (b >= 0xE0 && b <= 0xEF && end - p >= 3 && Continues(p[1]) && Continues(p[2]) &&
          (b != 0xE0 || p[1] >= 0xA0) && (b != 0xED || p[1] <= 0x9F)) {
        out = PutCharacter(
            static_cast<char32_t>((b & 0x0F) << 12 | (p[1] & 0x3F) << 6 | (p[2] & 0x3F)), out,
            page);
        p += 3;
        continue;
      }
    }
    if (need_ != 0) {
      if (b < low_ || b > high_) {
        // Cut short: what came so far is one ill-formed subpart, and this
        // byte starts afresh.
        Interrupt();
        *out++ = '?';
        continue;
      }
      ++p;
      code_ = (code_ << 6) | (b & 0x3F);
      low_ = 0x80;
      high_ = 0xBF;
      if (--need_ == 0) out = PutCharacter(code_, out, page);
      continue;
    }
    ++p;
    if (b < 0x80) {
      *out++ = b;
    } else if (b >= 0xC2 && b <= 0xDF) {
      code_ = b & 0x1F;
      need_ = 1;
    } else if (b >= 0xE0 && b <= 0xEF) {
      code_ = b & 0x0F;
      need_ = 2;
      if (b == 0xE0) low_ = 0xA0;
      if (b == 0xED) high_ = 0x9F;
    } else if (b >= 0xF0 && b <= 0xF4) {
      code_ = b & 0x07;
      need_ = 3;
      if (b == 0xF0) low_ = 0x90;
      if (b == 0xF4) high_ = 0x8F;
    } else {
      *out++ = '?';  // a stray continuation byte, C0, C1 or F5..FF
    }
  }
  return out;
}
