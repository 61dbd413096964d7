// The escape interpreter: ESC and CSI sequences as cursor movement, erasing,
// line and character operations, scroll regions, attributes and the
// line-drawing set, each done by the screen.
#include "terminal/EscapeInterpreter.h"

#include <algorithm>

#include "terminal/Controls.h"

// ESC sequences (ECMA-48 section 5.3; VT100 manual chapter 3.3.6).
const unsigned char* EscapeInterpreter::ParseEscape(const unsigned char* p,
                                                    const unsigned char* end) {
  if (p >= end) return nullptr;
  switch (*p) {
    case '7':  // DECSC save cursor (VT100)
      m_Screen.SaveCursor(true);
      return p;
    case '8':  // DECRC restore cursor (VT100)
      m_Screen.RestoreCursor(true);
      return p;
    case '=':  // DECKPAM, DECKPNM keypad modes: not emulated
    case '>':
    case 'E':  // NEL, HTS: consumed without effect
    case 'H':
      return p;
    case 'D':  // IND index (ECMA-48 8.3.61)
      m_Screen.ScrollRegionUp();
      return p;
    case 'M':  // RI reverse index (ECMA-48 8.3.104)
      m_Screen.ScrollRegionDown();
      return p;
    case '(':  // SCS: designate G0 (VT100)
    case ')':  // SCS: designate G1 (VT100)
      if (p + 1 >= end) return nullptr;
      switch (p[1]) {
        case '0':  // special graphics (line drawing)
          m_Screen.DesignateSet(*p == '(' ? 0 : 1, true);
          return p + 1;
        case 'B':  // US ASCII
          m_Screen.DesignateSet(*p == '(' ? 0 : 1, false);
          return p + 1;
        case '1':
        case 'A':
        case 'S':
          return p + 1;
        default:
          return p;  // the designator byte is then shown as text
      }
    case ']':  // OSC operating system command (ECMA-48 8.3.89): never shown
      m_nStringBytes = 0;
      return p;
    case '[':  // CSI (ECMA-48 5.4)
      break;
    default:
      return p - 1;  // only the ESC is consumed
  }

  ControlSequence cs;
  const unsigned char* last = csi::Parse(p, end, cs);
  if (last != nullptr) Apply(cs);
  return last;
}

const unsigned char* EscapeInterpreter::SkipString(const unsigned char* p,
                                                   const unsigned char* end) {
  const std::ptrdiff_t room = kMaxStringBytes - m_nStringBytes;
  const unsigned char* const stop = end - p > room ? p + room : end;
  const unsigned char* q = p;
  while (q < stop && *q != ctl::kBel && *q != ctl::kEsc) ++q;
  m_nStringBytes += static_cast<int>(q - p);
  if (q == end) return end;
  if (*q == ctl::kBel) {
    m_nStringBytes = kNoString;
    return q + 1;
  }
  if (*q != ctl::kEsc) {  // too long: the rest is shown
    m_nStringBytes = kNoString;
    return q;
  }
  if (q + 1 == end) return q;
  m_nStringBytes = kNoString;
  return q[1] == '\\' ? q + 2 : q;  // ST (ESC \) ends it; another ESC starts a sequence
}

void EscapeInterpreter::Apply(const ControlSequence& cs) {
  if (cs.privateMode) return;
  if (cs.final == 'm') {
    // SGR select graphic rendition (ECMA-48 8.3.117)
    m_Screen.SetAttr(csi::ApplySgr(m_Screen.Attr(), cs));
  } else {
    ApplyControlSequence(cs.final, cs.params, cs.count);
  }
}

// CSI sequences by final byte; a parameter of 0 counts as the default 1.
void EscapeInterpreter::ApplyControlSequence(unsigned char final, const int* params, int count) {
  TerminalScreen& screen = m_Screen;
  const int p1 = params[0];
  const int n = p1 == 0 ? 1 : p1;
  const int row = screen.CursorRow();
  const int col = screen.CursorCol();
  const int width = screen.Width(), height = screen.Height();
  switch (final) {
    case '@':  // ICH insert characters (ECMA-48 8.3.64)
      screen.InsertChars(n);
      break;
    // Relative moves end a pending wrap: they start from the last column.
    case 'A':  // CUU cursor up (ECMA-48 8.3.22)
      screen.CursorUp(n);
      break;
    case 'B':  // CUD cursor down (ECMA-48 8.3.19)
      screen.CursorDown(n);
      break;
    case 'C':  // CUF cursor forward (ECMA-48 8.3.20)
      screen.CursorForward(n);
      break;
    case 'D':  // CUB cursor backward (ECMA-48 8.3.18)
      screen.CursorBackward(n);
      break;
    case 'G':  // CHA cursor character absolute (ECMA-48 8.3.9); widens the screen
      screen.SetCursorCol(n - 1);
      if (n - 1 >= width) {
        // A wider screen ends at its last column, which is where the cursor
        // goes; a request that is not applied keeps the column asked for
        // (the next printable byte wraps first).
        screen.SetCursorCol(std::min(n, kMaxScreenSide) - 1);
        // The owner may show or draw the screen: give it the rows in order.
        const bool deferred = screen.RotationDeferred();
        screen.DeferRotation(false);
        if (!m_Resize(n, height)) screen.SetCursorCol(n - 1);
        screen.DeferRotation(deferred);
      }
      break;
    case 'I':  // CHT cursor forward tabulation (ECMA-48 8.3.10)
      screen.TabForward(n);
      break;
    case 'Z':  // CBT cursor backward tabulation (ECMA-48 8.3.7)
      screen.TabBackward(n);
      break;
    case 'X':  // ECH erase character (ECMA-48 8.3.38)
      screen.EraseChars(n);
      break;
    case 'b':  // REP repeat (ECMA-48 8.3.103)
      screen.RepeatLastPrinted(n);
      break;
    case 'H':  // CUP cursor position (ECMA-48 8.3.21)
    case 'f':  // HVP (ECMA-48 8.3.63)
      screen.MoveCursorTo(p1, count > 1 ? params[1] : 0);
      break;
    case 'J':  // ED erase in page (ECMA-48 8.3.39)
      if (p1 == 0) {
        screen.EraseLine(row, col);
        screen.EraseBelow(row + 1);
      } else if (p1 == 1) {
        screen.EraseAbove();
      } else if (p1 == 2) {
        screen.EraseBelow(0);
      }
      break;
    case 'K':  // EL erase in line (ECMA-48 8.3.41)
      if (p1 == 0) {
        screen.EraseLine(row, col);
      } else if (p1 == 1) {
        screen.EraseLineStart(row, std::min(col + 1, width));
      } else if (p1 == 2) {
        screen.EraseLine(row, 0);
      }
      break;
    case 'L':  // IL insert lines (ECMA-48 8.3.67)
      screen.InsertLines(n);
      break;
    case 'M':  // DL delete lines (ECMA-48 8.3.32)
      screen.DeleteLines(n);
      break;
    case 'P':  // DCH delete characters (ECMA-48 8.3.26)
      screen.DeleteChars(n);
      break;
    case 'S':  // SU scroll up (ECMA-48 8.3.147), here the rows down to the cursor
      screen.ScrollUpToCursor(n);
      break;
    case 'd':  // VPA line position absolute (ECMA-48 8.3.158): the column stays
      screen.CursorToRow(n);
      break;
    case 'r':  // DECSTBM set top and bottom margins (VT100)
      screen.SetScrollRegion(p1, count > 1 ? params[1] : 0);
      break;
    case 's':  // SCOSC save cursor position (ANSI.SYS), without the attribute
      screen.SaveCursor(false);
      break;
    case 'u':  // SCORC restore cursor position (ANSI.SYS)
      screen.RestoreCursor(false);
      break;
    default:
      break;  // unsupported final byte: consumed without effect
  }
}
