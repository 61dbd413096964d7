#pragma once
// Byte tables of the receive path.
#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "terminal/Controls.h"

// Bytes the receive loop acts on itself; every other byte is stored on screen.
// Telnet commands are taken out before the loop sees the bytes, so a byte 255
// here is data.
constexpr std::array<bool, 256> MakeControlTable() {
  std::array<bool, 256> t{};
  for (unsigned char b : {ctl::kNul, ctl::kBel, ctl::kBs, ctl::kHt, ctl::kLf, ctl::kFf, ctl::kCr,
                          ctl::kSo, ctl::kSi, ctl::kEsc})
    t[b] = true;
  return t;
}
inline constexpr std::array<bool, 256> kIsControl = MakeControlTable();

// The first control byte in [p, end), or end. Every control byte is below
// 0x20, so sixteen bytes at a time (with SSE2; eight in a word otherwise, and
// for the tail) are skipped while none of them is; only a block holding such
// a byte is looked at through the table.
inline const unsigned char* FindControl(const unsigned char* p, const unsigned char* end) {
#if defined(__SSE2__)
  // Sixteen bytes at a time: a byte is marked when it is at most 0x1F.
  const __m128i low = _mm_set1_epi8(0x1F);
  while (end - p >= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i marked = _mm_cmpeq_epi8(_mm_min_epu8(x, low), x);
    for (auto hits = static_cast<unsigned>(_mm_movemask_epi8(marked)); hits != 0;
         hits &= hits - 1) {
      const int i = std::countr_zero(hits);
      if (kIsControl[p[i]]) return p + i;
    }
    p += 16;
  }
#endif
  constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  while (end - p >= 8) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    std::uint64_t hits = (x - kOnes * 0x20) & ~x & kHigh;  // some byte < 0x20
    if constexpr (std::endian::native == std::endian::little) {
      // The lowest marked byte is a true one; the table tells whether it is a
      // control byte or just a low one (later marks may be borrow artefacts).
      for (; hits != 0; hits &= hits - 1) {
        const int i = std::countr_zero(hits) / 8;
        if (kIsControl[p[i]]) return p + i;
      }
    } else if (hits != 0) {
      for (int i = 0; i < 8; ++i)
        if (kIsControl[p[i]]) return p + i;
    }
    p += 8;
  }
  while (p < end && !kIsControl[*p]) ++p;
  return p;
}

// The C library's isspace in the "C" locale.
constexpr bool IsCSpace(unsigned char c) { return c == ' ' || (c >= 9 && c <= 13); }

// Length of s without its trailing C white space.
// Rows end in blanks more often than not, so blanks are skipped eight at a time.
inline std::size_t TrimmedLength(std::string_view s) {
  constexpr std::uint64_t kBlanks = 0x2020202020202020ULL;
  std::size_t len = s.size();
  for (std::uint64_t word; len >= 8; len -= 8) {
    std::memcpy(&word, s.data() + len - 8, sizeof word);
    if (word != kBlanks) break;
  }
  while (len > 0 && IsCSpace(static_cast<unsigned char>(s[len - 1]))) --len;
  return len;
}

// The line-drawing character set shown with plain ASCII: corners and tees as
// '+', the horizontal line as '-', the vertical line as '|'.
constexpr std::array<unsigned char, 256> MakeLineDrawingTable() {
  std::array<unsigned char, 256> t{};
  for (int i = 0; i < 256; ++i) t[i] = static_cast<unsigned char>(i);
  for (unsigned char c : {'j', 'k', 'l', 'm', 't', 'u'}) t[c] = '+';
  t['q'] = '-';
  t['x'] = '|';
  return t;
}
inline constexpr std::array<unsigned char, 256> kLineDrawing = MakeLineDrawingTable();
