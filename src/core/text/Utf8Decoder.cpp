#include "text/Utf8Decoder.h"

bool IsWideCharacter(char32_t ch) {
  return (ch >= 0x1100 && ch <= 0x115F) || (ch >= 0x2E80 && ch <= 0xA4CF) ||
         (ch >= 0xAC00 && ch <= 0xD7A3) || (ch >= 0xF900 && ch <= 0xFAFF) ||
         (ch >= 0xFE30 && ch <= 0xFE4F) || (ch >= 0xFF00 && ch <= 0xFF60) ||
         (ch >= 0xFFE0 && ch <= 0xFFE6) || (ch >= 0x1F300 && ch <= 0x1F64F) ||
         (ch >= 0x1F900 && ch <= 0x1F9FF) || (ch >= 0x20000 && ch <= 0x3FFFD);
}

unsigned char* Utf8Decoder::Decode(const unsigned char* p, const unsigned char* end,
                                   unsigned char* out, const CodePage& page) {
  while (p < end) {
    const unsigned char b = *p;
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
      if (--need_ != 0) continue;
      if (IsWideCharacter(code_)) {
        *out++ = '?';
        *out++ = '?';
      } else {
        *out++ = code_ <= 0xFFFF ? page.FromUnicode(static_cast<char16_t>(code_)) : '?';
      }
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
