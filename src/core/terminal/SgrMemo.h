#pragma once
// Remembers what short SGR sequences do to the attribute byte, keyed by their
// bytes. Coloured output repeats a handful of sequences ("ESC [ 0 m",
// "ESC [ 1 ; 31 m") over and over; a remembered one is found with a few word
// operations and one comparison instead of being read digit by digit.
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
    if constexpr (std::endian::native != std::endian::little) return nullptr;
    if (end - p < 9) return nullptr;
    std::uint64_t w;
    std::memcpy(&w, p + 1, sizeof w);
    // The key is the bytes up to the first 'm'. Only whole SGR sequences are
    // ever stored, and they hold no 'm' before their final byte, so bytes
    // that equal a stored key are that sequence, whatever else they may be.
    constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
    const std::uint64_t x = w ^ (kOnes * 'm');
    const std::uint64_t marks = (x - kOnes) & ~x & (kOnes * 0x80);
    if (marks == 0) return nullptr;
    const int length = std::countr_zero(marks) / 8 + 1;  // through the 'm'
    const std::uint64_t key = length == 8 ? w : w & ((1ULL << (8 * length)) - 1);
    const Entry& e = entries_[Slot(key)];
    if (e.key != key) return nullptr;
    attr = csi::ApplyEffect(attr, e.effect);
    return p + length;
  }

  // Records the SGR sequence from p to its final byte `last`, just read into cs.
  void Remember(const unsigned char* p, const unsigned char* last, const ControlSequence& cs) {
    const auto length = static_cast<std::size_t>(last - p);  // through the final byte
    if (cs.privateMode || cs.final != 'm' || length > 8) return;
    std::uint64_t key = 0;
    std::memcpy(&key, p + 1, length);
    // Each bit of the attribute is kept, set, cleared or flipped; what the
    // sequence does to all-zero and all-one bytes tells which.
    const std::uint8_t zeros = csi::ApplySgr(0, cs), ones = csi::ApplySgr(0xFF, cs);
    const auto keep = static_cast<std::uint8_t>(zeros ^ ones);
    const auto set = static_cast<std::uint8_t>(zeros & ones);
    const auto flip = static_cast<std::uint8_t>(zeros & ~ones);
    entries_[Slot(key)] = {key, csi::SgrEffect(keep, set, flip)};
  }

 private:
  struct Entry {
    std::uint64_t key = 0;  // never a sequence's key: those hold an 'm'
    std::uint32_t effect = 0;
  };
  // Enough slots that the few dozen sequences of coloured output rarely
  // push each other out.
  static constexpr int kSlotBits = 8;

  static std::size_t Slot(std::uint64_t key) {
    return static_cast<std::size_t>((key * 0x9E3779B97F4A7C15ULL) >> (64 - kSlotBits));
  }

  std::array<Entry, 1 << kSlotBits> entries_{};
};
