#pragma once
// The escape interpreter: ESC and CSI sequences from the host turned into the
// screen's operations. It knows the screen and nothing above it; the one
// sequence that widens the screen (CHA beyond the last column) asks its owner
// through the resize callback, since a size change is negotiated with the host.
#include <functional>

#include "terminal/ControlSequence.h"
#include "terminal/Screen.h"

class EscapeInterpreter {
 public:
  using ResizeFn = std::function<void(int w, int h)>;
  EscapeInterpreter(TerminalScreen& screen, ResizeFn resize)
      : m_Screen(screen), m_Resize(std::move(resize)) {}

  // p is the byte after ESC. Returns the last byte used, or nullptr when the
  // data ends before the sequence does.
  const unsigned char* ParseEscape(const unsigned char* p, const unsigned char* end);
  // Carries out a control sequence read by csi::Parse.
  void Apply(const ControlSequence& cs);

 private:
  void ApplyControlSequence(unsigned char final, const int* params, int count);

  TerminalScreen& m_Screen;
  ResizeFn m_Resize;
};
