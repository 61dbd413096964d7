// The receive loop: reads what the host sent behind any carried-over bytes,
// logs it, walks it, and draws the rows that changed.
#include <algorithm>
#include <cstring>

#include "terminal/ByteClasses.h"
#include "terminal/Controls.h"
#include "terminal/TelnetSession.h"

namespace {
// Column at which tabs stop advancing: far beyond any screen, so behaviour on
// screen is unchanged, but a host sending endless tabs cannot overflow it.
constexpr int kMaxColumn = 1 << 20;
}  // namespace

void CTelnetSession::OnReceive(int errorCode) {
  if (errorCode != 0) return;
  // A modal box shown from inside the walk runs a nested event loop that may
  // deliver another notification. Never read into the buffer being walked:
  // note it and read again once the outer walk is done.
  if (m_bInReceive) {
    m_bReceivePending = true;
    return;
  }
  m_bInReceive = true;
  do {
    m_bReceivePending = false;
    ReceiveBlock();
  } while (m_bReceivePending && IsConnected());
  m_bInReceive = false;
}

void CTelnetSession::ReceiveBlock() {
  // An unfinished sequence that fills the whole buffer can never complete:
  // drop it so the connection keeps moving.
  if (m_nCarry >= kRecvBufSize) m_nCarry = 0;

  const int n = m_Connection.Receive(m_RecvBuf + m_nCarry, kRecvBufSize - m_nCarry);
  if (n < 0) return;
  unsigned char* const end = m_RecvBuf + m_nCarry + n;
  if (n > 0) Log(m_RecvBuf + m_nCarry, n);
  m_nCarry = 0;
  {
    std::lock_guard lock(m_ScreenLock);
    // A pending wrap stays pending when the read ends: the screen depends on
    // the bytes alone, never on where the network split them.
    Walk(m_RecvBuf, end);
  }
  if (!m_pFrame->DrawChangesLater()) DrawNow(true);
}

void CTelnetSession::Walk(unsigned char* const begin, unsigned char* const end) {
  TerminalScreen& screen = m_Screen;
  // Whole-screen scrolls inside the walk move a base index, not the rows; the
  // rows are back in order whenever control leaves the walk (the frame's beep,
  // telnet commands, the return).
  struct Deferral {
    TerminalScreen& s;
    explicit Deferral(TerminalScreen& screen) : s(screen) { s.DeferRotation(true); }
    ~Deferral() { s.DeferRotation(false); }
    Deferral(const Deferral&) = delete;
    Deferral& operator=(const Deferral&) = delete;
  } deferral(screen);
  const unsigned char* p = begin;
  while (p < end) {
    const unsigned char b = *p;
    if (!kIsControl[b]) {
      const unsigned char* run = FindControl(p + 1, end);
      screen.PutRun(p, static_cast<int>(run - p));
      p = run;
      continue;
    }
    switch (b) {
      case ctl::kNul:
      case ctl::kSo:
      case ctl::kSi:
        break;
      case ctl::kBel:
        screen.DeferRotation(false);
        m_pFrame->Beep();
        screen.DeferRotation(true);
        break;
      case ctl::kBs:
        screen.m_nCursorCol = std::max(screen.CursorCellCol() - 1, 0);
        break;
      case ctl::kHt:  // tab stops every 8 columns
        if (screen.m_nCursorCol < kMaxColumn)
          screen.m_nCursorCol = (screen.m_nCursorCol / 8 + 1) * 8;
        break;
      case ctl::kLf:
        screen.NewLine();
        break;
      case ctl::kFf:
        screen.EraseBelow(0);
        screen.m_nCursorRow = screen.m_nCursorCol = 0;
        break;
      case ctl::kCr:
        screen.m_nCursorCol = 0;
        break;
      case ctl::kEsc:
      case telnet::kIac: {
        const unsigned char* r;
        if (b == ctl::kEsc) {
          r = m_Escape.ParseEscape(p + 1, end);
        } else {
          screen.DeferRotation(false);
          r = ParseTelnetCommand(p + 1, end);
          screen.DeferRotation(true);
        }
        if (r == nullptr) {
          m_nCarry = static_cast<int>(end - p);
          std::memmove(m_RecvBuf, p, static_cast<std::size_t>(m_nCarry));
          screen.MarkCursorRowDirty();
          return;
        }
        p = r;
        break;
      }
      default:
        break;
    }
    screen.MarkCursorRowDirty();
    ++p;
  }
}
