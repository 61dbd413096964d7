#pragma once
// UTF-8 from the host turned into the single-byte cells of a code page, one
// character at a time, with the state of a character cut by the end of a read
// kept for the next one.
#include <cstddef>

#include "text/CodePage.h"

// Whether a character takes two cells in East Asian text (the common wide
// blocks: Hangul, CJK, full-width forms, emoji).
bool IsWideCharacter(char32_t ch);

class Utf8Decoder {
 public:
  // Room Decode needs for the cells of n bytes: every byte one cell at most,
  // a character finished here (two cells when wide) or cut short ('?') may
  // have started in an earlier call, and ASCII is copied a word at a time.
  static constexpr std::size_t MaxCells(std::size_t n) { return n + 8; }

  // Decodes [p, end) into cells at out and returns one past the last cell
  // written. ASCII is copied; a character the page lacks is one '?' (a wide
  // one two); each maximal ill-formed subpart is one '?'. An unfinished
  // character at the end stays for the next call.
  unsigned char* Decode(const unsigned char* p, const unsigned char* end, unsigned char* out,
                        const CodePage& page);
  // A character is under way (its lead byte and maybe more have been read).
  bool Pending() const { return need_ != 0; }
  // Forgets an unfinished character; true when there was one, whose bytes
  // then count as one ill-formed subpart.
  bool Interrupt() {
    const bool pending = need_ != 0;
    need_ = 0;
    low_ = 0x80;
    high_ = 0xBF;
    return pending;
  }

 private:
  char32_t code_ = 0;
  int need_ = 0;  // continuation bytes still to come
  // The range the next continuation byte must lie in (narrower after E0, ED,
  // F0 and F4, which rules out overlong forms, surrogates and values above
  // U+10FFFF).
  unsigned char low_ = 0x80, high_ = 0xBF;
};
