#pragma once
// The attribute byte stored beside every character cell: bit 0 bold, bit 1
// reverse, bits 2-4 the foreground colour, bits 5-7 the background colour
// (colours are the eight ANSI colours, 0 black .. 7 white).
#include <cstdint>

namespace attr {
inline constexpr std::uint8_t kBold = 0x01;
inline constexpr std::uint8_t kReverse = 0x02;
inline constexpr int kForegroundShift = 2;
inline constexpr int kBackgroundShift = 5;
inline constexpr std::uint8_t kForegroundMask = 0x07 << kForegroundShift;  // 0x1C
inline constexpr std::uint8_t kBackgroundMask = 0x07 << kBackgroundShift;  // 0xE0

constexpr int Foreground(std::uint8_t a) { return (a & kForegroundMask) >> kForegroundShift; }
constexpr int Background(std::uint8_t a) { return (a & kBackgroundMask) >> kBackgroundShift; }
constexpr bool IsBold(std::uint8_t a) { return (a & kBold) != 0; }
constexpr bool IsReverse(std::uint8_t a) { return (a & kReverse) != 0; }
constexpr std::uint8_t WithForeground(std::uint8_t a, int colour) {
  return static_cast<std::uint8_t>((a & ~kForegroundMask) | ((colour & 7) << kForegroundShift));
}
constexpr std::uint8_t WithBackground(std::uint8_t a, int colour) {
  return static_cast<std::uint8_t>((a & ~kBackgroundMask) | ((colour & 7) << kBackgroundShift));
}
constexpr std::uint8_t Make(int foreground, int background, bool bold) {
  return WithBackground(WithForeground(bold ? kBold : 0, foreground), background);
}
}  // namespace attr

// White (7) on black, neither bold nor reversed.
inline constexpr std::uint8_t kDefaultAttr = attr::Make(7, 0, false);
static_assert(kDefaultAttr == 0x1C);
