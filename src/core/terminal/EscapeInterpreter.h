#pragma once
// The escape interpreter: ESC and CSI sequences from the host turned into the
// screen's operations. It knows the screen and nothing above it; the one
// sequence that widens the screen (CHA beyond the last column) asks its owner
// through the resize callback, since a size change is negotiated with the host.
// It also follows an operating system command string (ESC ] ... BEL or ESC \)
// across reads, so none of it is shown.
#include <functional>

#include "terminal/ControlSequence.h"
#include "terminal/Screen.h"

class EscapeInterpreter {
 public:
  // Returns whether the size was applied to the screen (not just offered or dropped).
  using ResizeFn = std::function<bool(int w, int h)>;
  EscapeInterpreter(TerminalScreen& screen, ResizeFn resize)
      : m_Screen(screen), m_Resize(std::move(resize)) {}

  // p is the byte after ESC. Returns the last byte used, or nullptr when the
  // data ends before the sequence does.
  const unsigned char* ParseEscape(const unsigned char* p, const unsigned char* end);
  // Carries out a control sequence read by csi::Parse.
  void Apply(const ControlSequence& cs);

  // Inside an operating system command string (after ESC ]).
  bool InString() const { return m_nStringBytes != kNoString; }
  // p is the next byte of the string. Consumes its bytes up to and with the
  // terminator and returns the byte after it; returns an ESC that ends the
  // string before any byte but a backslash, which then starts a sequence of
  // its own. A string longer than kMaxStringBytes is abandoned there and the
  // first byte beyond is returned. Still InString() at the return: either end
  // (the string goes on in the next read) or an ESC that is the last byte,
  // which the caller keeps for the next read.
  const unsigned char* SkipString(const unsigned char* p, const unsigned char* end);
  // Forgets an unfinished string (a new connection).
  void EndString() { m_nStringBytes = kNoString; }

  static constexpr int kMaxStringBytes = 65536;

 private:
  void ApplyControlSequence(unsigned char final, const int* params, int count);

  TerminalScreen& m_Screen;
  ResizeFn m_Resize;
  static constexpr int kNoString = -1;
  int m_nStringBytes = kNoString;  // bytes of the string consumed so far
};
