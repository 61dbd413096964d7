#pragma once
// Reading a control sequence (CSI) from received bytes: its parameters and
// its final byte, and what an SGR sequence does to the attribute byte.
// Inline because the receive walk reads one for nearly every cursor move.
#include <algorithm>
#include <array>
#include <cstdint>

#include "text/Attribute.h"

struct ControlSequence {
  static constexpr int kMaxParameters = 5;
  // Parameters saturate here. Every count or position this large already
  // means "the whole screen", so nothing visible changes and nothing overflows.
  static constexpr int kMaxParameter = 65535;

  int params[kMaxParameters] = {};
  int count = 0;
  bool privateMode = false;  // ESC [ ? ...: read, then ignored
  unsigned char final = 0;
};

namespace csi {
// What one SGR parameter does to the attribute byte: a' = ((a & keep) | set) ^ flip,
// packed as keep | set << 8 | flip << 16 so one load fetches all three.
// Parameters without an effect here (including every one past the table) keep a.
inline constexpr int kSgrTableSize = 64;
constexpr std::uint32_t SgrEffect(std::uint8_t keep, std::uint8_t set, std::uint8_t flip) {
  return keep | static_cast<std::uint32_t>(set) << 8 | static_cast<std::uint32_t>(flip) << 16;
}
constexpr std::array<std::uint32_t, kSgrTableSize> MakeSgrTable() {
  std::array<std::uint32_t, kSgrTableSize> t{};
  for (std::uint32_t& e : t) e = SgrEffect(0xFF, 0, 0);
  t[0] = SgrEffect(0, kDefaultAttr, 0);       // default rendition
  t[1] = SgrEffect(0xFF, attr::kBold, 0);     // bold
  t[7] = SgrEffect(0xFF, 0, attr::kReverse);  // negative image: a toggle here
  t[22] = SgrEffect(static_cast<std::uint8_t>(~attr::kBold), 0, 0);  // normal intensity
  for (int c = 0; c < 8; ++c) {
    t[30 + c] = SgrEffect(static_cast<std::uint8_t>(~attr::kForegroundMask),
                          attr::WithForeground(0, c), 0);  // foreground colour
    t[40 + c] = SgrEffect(static_cast<std::uint8_t>(~attr::kBackgroundMask),
                          attr::WithBackground(0, c), 0);  // background colour
  }
  return t;
}
inline constexpr std::array<std::uint32_t, kSgrTableSize> kSgrEffects = MakeSgrTable();

// The attribute byte after an effect packed by SgrEffect.
constexpr std::uint8_t ApplyEffect(std::uint8_t a, std::uint32_t e) {
  return static_cast<std::uint8_t>(((a & e) | (e >> 8)) ^ (e >> 16));
}

constexpr std::uint8_t ApplySgr(std::uint8_t a, int value) {
  return ApplyEffect(a, kSgrEffects[static_cast<std::size_t>(std::min(value, kSgrTableSize - 1))]);
}

// The attribute byte after SGR with cs's parameters.
constexpr std::uint8_t ApplySgr(std::uint8_t a, const ControlSequence& cs) {
  for (int i = 0; i < cs.count; ++i) a = ApplySgr(a, cs.params[i]);
  return a;
}

// p is the '[' after ESC. Reads the parameters in one pass. Returns the final
// byte (the byte that is neither a digit nor a separator, or the separator
// after the last parameter kept), or nullptr when the data ends first.
inline const unsigned char* Parse(const unsigned char* p, const unsigned char* end,
                                  ControlSequence& out) {
  const unsigned char* cur = p;
  out.privateMode = cur + 1 < end && cur[1] == '?';
  if (out.privateMode) ++cur;
  int count = 0;
  for (;;) {
    ++cur;
    int value = 0;
    while (cur < end && static_cast<unsigned>(*cur - '0') < 10U) {
      value = std::min(value * 10 + (*cur - '0'), ControlSequence::kMaxParameter);
      ++cur;
    }
    if (cur >= end) return nullptr;
    out.params[count++] = value;
    if (*cur == ';' && count < ControlSequence::kMaxParameters) continue;
    break;
  }
  out.count = count;
  out.final = *cur;
  return cur;
}
}  // namespace csi
