#pragma once
// Remembers what short SGR sequences do to the attribute byte, keyed by their
// bytes. Coloured output repeats a handful of sequences ("ESC [ 0 m",
// "ESC [ 1 ; 31 m") over and over; reading one digit and separator at a time
// costs a hard-to-predict branch each, where a remembered sequence is found
// with a few word operations and one comparison.
#include <array>
#include <bit>
#include <cstdint>
#include <cstring>

#include "terminal/ControlSequence.h"

class SgrMemo {
 public:
  // p is the '[' after ESC. When the bytes from p on are a short SGR sequence
  // seen before, applies it to attr and returns its final 'm'; nullptr
  // otherwise (the sequence is then read as usual).
  const unsigned char* Apply(const unsigned char* p, const unsigned char* end,
                             std::uint8_t& attr) const {
    std::uint64_t key;
    const int length = KeyOf(p, end, key);
    if (length == 0) return nullptr;
    const Entry& e = entries_[Slot(key)];
    if (e.key != key) return nullptr;
    attr = static_cast<std::uint8_t>(((attr & e.effect) | (e.effect >> 8)) ^ (e.effect >> 16));
    return p + length;
  }

  // Records the SGR sequence at p that csi::Parse has just read into cs.
  void Remember(const unsigned char* p, const unsigned char* end, const ControlSequence& cs) {
    std::uint64_t key;
    if (cs.privateMode || cs.final != 'm' || KeyOf(p, end, key) == 0) return;
    // Each bit of the attribute is kept, set, cleared or flipped; what the
    // sequence does to all-zero and all-one bytes tells which.
    std::uint8_t zeros = 0, ones = 0xFF;
    for (int i = 0; i < cs.count; ++i) {
      zeros = csi::ApplySgr(zeros, cs.params[i]);
      ones = csi::ApplySgr(ones, cs.params[i]);
    }
    const auto keep = static_cast<std::uint8_t>(zeros ^ ones);
    const auto set = static_cast<std::uint8_t>(zeros & ones);
    const auto flip = static_cast<std::uint8_t>(zeros & ~ones);
    entries_[Slot(key)] = {key, csi::SgrEffect(keep, set, flip)};
  }

 private:
  struct Entry {
    std::uint64_t key = 0;  // never a sequence's key: those end in 'm'
    std::uint32_t effect = 0;
  };
  // Enough slots that the few dozen sequences of coloured output rarely
  // push each other out.
  static constexpr int kSlotBits = 8;

  static std::size_t Slot(std::uint64_t key) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> (64 - kSlotBits));
  }

  // The key of the sequence behind p when it is digits and ';' and then 'm',
  // all within the seven bytes after p: those bytes, the rest zeroed. Returns
  // the offset of the 'm' from p, or 0 when there is no such sequence.
  static int KeyOf(const unsigned char* p, const unsigned char* end, std::uint64_t& key) {
    if constexpr (std::endian::native != std::endian::little) return 0;
    if (end - p < 9) return 0;
    std::uint64_t w;
    std::memcpy(&w, p + 1, sizeof w);
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    // A parameter byte (0x30-0x39 or 0x3B) has the high nibble 3, keeps it
    // after adding 4, and is not ':'. A carry out of a byte only reaches
    // bytes after it, and it is marked itself, so the first mark is exact.
    const std::uint64_t off = ((w & (kOnes * 0xF0)) ^ (kOnes * 0x30)) |
                              (((w + kOnes * 0x04) & (kOnes * 0xF0)) ^ (kOnes * 0x30));
    const std::uint64_t offMarks = (off | ((off & ~kHigh) + ~kHigh)) & kHigh;
    const std::uint64_t colon = w ^ (kOnes * ':');
    const std::uint64_t colonMarks = (colon - kOnes) & ~colon & kHigh;
    const std::uint64_t marks = offMarks | colonMarks;
    if (marks == 0) return 0;
    const int n = std::countr_zero(marks) / 8;  // parameter bytes
    if (n == 7 || p[1 + n] != 'm') return 0;
    key = w & ((1ULL << (8 * (n + 1))) - 1);
    return n + 1;
  }

  std::array<Entry, 1 << kSlotBits> entries_{};
};
