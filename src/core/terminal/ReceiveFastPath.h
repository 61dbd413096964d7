#pragma once
// The receive loop's fast path: shortcuts for what full-screen programs send
// most (runs of text, colour changes, cursor positions, erase to the end of
// the line), done in the screen's Lane with the cursor, the attribute and the
// cursor row in locals. Each shortcut ends in the same effect function as the
// general path (StoreRun, csi::ApplySgr, MoveCursorTo, BlankCells), so the two
// cannot disagree on what a sequence does; each returns false (or nullptr)
// for anything it does not finish, which the general path then does.
//
// The build switch CORVANE_FAST_PATH=OFF (CMake) leaves the shortcuts out of
// the program; either way a session can be told to walk without them, which
// the session fuzzer does to compare the two.
#include "terminal/ControlSequence.h"
#include "terminal/Screen.h"
#include "terminal/SgrMemo.h"

#ifndef CORVANE_FAST_PATH
#define CORVANE_FAST_PATH 1
#endif
inline constexpr bool kFastPathBuilt = CORVANE_FAST_PATH != 0;

namespace fastpath {

// "[ row ; col H" with up to three digits each (either may be left out): the
// commonest sequence of full-screen programs, read without the general
// parser's checks for the end of the data (there is room for the longest
// form). Returns the 'H' with row and column in cs.params[0..1], or nullptr
// for anything else, which the general parser then reads.
inline const unsigned char* ReadCursorPosition(const unsigned char* p, const unsigned char* end,
                                               ControlSequence& cs) {
  constexpr int kLongest = 9;  // "[999;999H"
  if (end - p < kLongest) return nullptr;
  auto number = [&p](int& value) {
    value = 0;
    for (int digits = 0; digits < 3 && static_cast<unsigned>(*p - '0') < 10U; ++digits, ++p)
      value = value * 10 + (*p - '0');
  };
  ++p;
  number(cs.params[0]);
  cs.params[1] = 0;
  if (*p == ';') {
    ++p;
    number(cs.params[1]);
  }
  return *p == 'H' ? p : nullptr;
}

// A CSI finished before the general parser reads it: a colour change seen
// before, or a short cursor position. bracket is the '[' after ESC. Returns
// the sequence's final byte, or nullptr.
inline const unsigned char* ShortSequence(TerminalScreen& screen, TerminalScreen::Lane& lane,
                                          const SgrMemo& memo, const unsigned char* bracket,
                                          const unsigned char* end, ControlSequence& cs) {
  if (const unsigned char* last = memo.Apply(bracket, end, lane.Attr())) return last;
  if (const unsigned char* last = ReadCursorPosition(bracket, end, cs)) {
    screen.MoveCursorTo(cs.params[0], cs.params[1]);
    screen.MarkCursorRowDirty();
    lane.LoadCursor();
    return last;
  }
  return nullptr;
}

// A parsed CSI done in the lane: SGR (remembered for next time), EL 0 and
// CUP/HVP. bracket..last are its bytes. False leaves it to the interpreter.
inline bool ParsedSequence(TerminalScreen& screen, TerminalScreen::Lane& lane, SgrMemo& memo,
                           const unsigned char* bracket, const unsigned char* last,
                           const ControlSequence& cs) {
  switch (cs.privateMode ? 0 : cs.final) {
    case 'm':
      lane.Attr() = csi::ApplySgr(lane.Attr(), cs);
      memo.Remember(bracket, last, cs);
      return true;
    case 'K':
      if (cs.params[0] != 0) return false;
      lane.EraseToEnd();
      return true;
    case 'H':
    case 'f':
      screen.MoveCursorTo(cs.params[0], cs.count > 1 ? cs.params[1] : 0);
      screen.MarkCursorRowDirty();
      lane.LoadCursor();
      return true;
    default:
      return false;
  }
}

}  // namespace fastpath
