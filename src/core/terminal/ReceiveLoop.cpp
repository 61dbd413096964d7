// The receive loop: reads what the host sent behind any carried-over bytes,
// logs it, walks it, and draws the rows that changed.
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "terminal/ByteClasses.h"
#include "terminal/Controls.h"
#include "terminal/ReceiveFastPath.h"
#include "terminal/TelnetSession.h"

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
  unsigned char* const fresh = m_RecvBuf + m_nCarry;
  if (n > 0) Log(fresh, n);
  {
    std::lock_guard lock(m_ScreenLock);
    // A pending wrap stays pending when the read ends: the screen depends on
    // the bytes alone, never on where the network split them. Telnet commands
    // are taken out first; a read without any is walked as it came.
    TakeTelnetCommands(fresh, end);
  }
  if (!m_pFrame->DrawChangesLater()) DrawNow(true);
}

void CTelnetSession::Walk(unsigned char* const begin, unsigned char* const end) {
  // The 8-bit walk stays free of any test for UTF-8.
  const bool fast = kFastPathBuilt && m_bFastPath;
  if (m_bUtf8Host) {
    if (fast)
      WalkBytes<kFastPathBuilt, true>(begin, end);
    else
      WalkBytes<false, true>(begin, end);
  } else if (fast) {
    WalkBytes<kFastPathBuilt, false>(begin, end);
  } else {
    WalkBytes<false, false>(begin, end);
  }
}

void CTelnetSession::UseFastPath(bool on) { m_bFastPath = on && kFastPathBuilt; }

namespace {
// Whether [p, end) holds a byte beyond ASCII, eight bytes at a time.
bool HasHighByte(const unsigned char* p, const unsigned char* end) {
  constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
  for (std::uint64_t word; end - p >= 8; p += 8) {
    std::memcpy(&word, p, sizeof word);
    if ((word & kHigh) != 0) return true;
  }
  for (; p < end; ++p)
    if (*p >= 0x80) return true;
  return false;
}
}  // namespace

template <bool kFast>
void CTelnetSession::PutUtf8(TerminalScreen::Lane& lane, const unsigned char* p,
                             const unsigned char* const end) {
  constexpr std::ptrdiff_t kChunk = 1024;
  unsigned char cells[Utf8Decoder::MaxCells(kChunk)];
  while (p < end) {
    const unsigned char* const stop = end - p > kChunk ? p + kChunk : end;
    const int n = static_cast<int>(m_Utf8.Decode(p, stop, cells, *m_pCodePage) - cells);
    p = stop;
    if (n == 0) continue;  // the start of a character, finished by a later byte
    if (!kFast || !lane.Put(cells, n)) {
      lane.Store();
      m_Screen.PutRun(cells, n);
      lane.Load();
    }
    m_Screen.NoteLastPrinted(cells[n - 1]);
  }
}

// One walk for both paths: with kFast the shortcuts of ReceiveFastPath.h go
// first, and whatever they leave (all of it without kFast) goes to the
// screen's operations and the escape interpreter. With kUtf8 text is decoded
// from UTF-8 on its way to the cells.
template <bool kFast, bool kUtf8>
void CTelnetSession::WalkBytes(unsigned char* const begin, unsigned char* const end) {
  TerminalScreen& screen = m_Screen;
  // Scrolls inside the walk move row slots, not rows; the rows are back in
  // order whenever control leaves the walk (the frame's beep, telnet
  // commands, the return).
  struct Deferral {
    TerminalScreen& s;
    explicit Deferral(TerminalScreen& screen) : s(screen) { s.DeferRotation(true); }
    ~Deferral() { s.DeferRotation(false); }
    Deferral(const Deferral&) = delete;
    Deferral& operator=(const Deferral&) = delete;
  } deferral(screen);
  TerminalScreen::Lane lane(screen);
  ControlSequence cs;
  const unsigned char* p = begin;
  // A string that began in an earlier read goes on.
  if (m_Escape.InString()) {
    p = m_Escape.SkipString(p, end);
    if (m_Escape.InString()) {
      if (p < end) CarryOver(p, end);  // its ESC, to see what follows
      return;
    }
  }
  while (p < end) {
    const unsigned char b = *p;
    if (!kIsControl[b]) {
      const unsigned char* run = FindControl(p + 1, end);
      if constexpr (kUtf8) {
        if (m_Utf8.Pending() || HasHighByte(p, run)) {
          PutUtf8<kFast>(lane, p, run);
          p = run;
          continue;
        }
      }
      const int n = static_cast<int>(run - p);
      if (!kFast || !lane.Put(p, n)) {
        lane.Store();
        screen.PutRun(p, n);
        lane.Load();
      }
      screen.NoteLastPrinted(run[-1]);
      p = run;
      continue;
    }
    if constexpr (kUtf8) {
      // A control cuts a character short: its bytes so far are one '?'.
      if (m_Utf8.Interrupt()) {
        static constexpr unsigned char kUnknown = '?';
        PutUtf8<kFast>(lane, &kUnknown, &kUnknown + 1);
      }
    }
    // Colour changes and carriage returns stay in the lane; a colour change
    // seen before is looked up rather than read. Every control and sequence
    // but REP leaves nothing for a REP to repeat.
    if (b == ctl::kEsc && p + 1 < end && p[1] == '[') {
      const unsigned char* const bracket = p + 1;
      if constexpr (kFast) {
        if (const unsigned char* last =
                fastpath::ShortSequence(screen, lane, m_SgrMemo, bracket, end, cs)) {
          screen.ForgetLastPrinted();
          p = last + 1;
          continue;
        }
      }
      const unsigned char* last = csi::Parse(bracket, end, cs);
      if (last == nullptr) {
        lane.Store();
        CarryOver(p, end);
        return;
      }
      p = last + 1;
      // A REP prints its byte again, so it stays the one to repeat.
      if (cs.final != 'b' || cs.privateMode) screen.ForgetLastPrinted();
      if constexpr (kFast) {
        if (fastpath::ParsedSequence(screen, lane, m_SgrMemo, bracket, last, cs)) continue;
      }
      lane.Store();
      m_Escape.Apply(cs);
      screen.MarkCursorRowDirty();
      lane.Load();
      continue;
    }
    if (b == ctl::kEsc && p + 1 < end && (p[1] == '(' || p[1] == ')')) {
      // A character set designation changes nothing but the sets.
      const unsigned char* last = m_Escape.ParseEscape(p + 1, end);
      if (last == nullptr) {
        lane.Store();
        CarryOver(p, end);
        return;
      }
      lane.LoadCharacterSet();
      screen.ForgetLastPrinted();
      p = last + 1;
      continue;
    }
    // A sequence cut by the end of the read goes back to its start next
    // time: only a finished one ends what a REP repeats.
    if (b != ctl::kEsc) screen.ForgetLastPrinted();
    if (kFast && b == ctl::kCr) {
      lane.CarriageReturn();
      ++p;
      continue;
    }
    lane.Store();
    switch (b) {
      case ctl::kNul:
        break;
      case ctl::kCr:
        screen.CarriageReturn();
        break;
      case ctl::kSo:
      case ctl::kSi:
        screen.ShiftOut(b == ctl::kSo);
        break;
      case ctl::kBel:
        screen.DeferRotation(false);
        m_pFrame->Beep();
        screen.DeferRotation(true);
        break;
      case ctl::kBs:
        screen.Backspace();
        break;
      case ctl::kHt:
        screen.TabForward(1);
        break;
      case ctl::kLf:
        screen.NewLine();
        break;
      case ctl::kFf:
        screen.FormFeed();
        break;
      case ctl::kEsc: {
        const unsigned char* r = m_Escape.ParseEscape(p + 1, end);
        if (r == nullptr) {
          CarryOver(p, end);
          return;
        }
        p = r;
        screen.ForgetLastPrinted();
        if (m_Escape.InString()) {
          // ESC ]: the string up to its terminator is never shown.
          p = m_Escape.SkipString(p + 1, end);
          if (m_Escape.InString()) {
            if (p < end) CarryOver(p, end);  // its ESC, to see what follows
            screen.MarkCursorRowDirty();
            return;
          }
          screen.MarkCursorRowDirty();
          lane.Load();
          continue;
        }
        break;
      }
      default:
        break;
    }
    screen.MarkCursorRowDirty();
    lane.Load();
    ++p;
  }
  lane.Store();
}

// Keeps an unfinished sequence for the next read.
void CTelnetSession::CarryOver(const unsigned char* from, const unsigned char* end) {
  m_nCarry = static_cast<int>(end - from);
  std::memmove(m_RecvBuf, from, static_cast<std::size_t>(m_nCarry));
  m_Screen.MarkCursorRowDirty();
}
