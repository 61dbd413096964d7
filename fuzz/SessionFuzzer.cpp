// libFuzzer target: drives one terminal session with host bytes and the state
// changes that happen around them, and aborts as soon as the screen model
// breaks one of its shape rules, or as soon as two twins driven alike differ
// from it: one that gets every host byte in a read of its own, and one whose
// receive loop takes no shortcuts. All three must show the same screen and
// attributes, with the same cursor and attribute, and must have sent the same
// bytes: the screen depends on the bytes alone, and the fast path does what
// the general path does.
//
// Input format (read front to back; a missing byte reads as 0):
//   header  width, height, history-size code, option bits
//           (bit 0 ANSI emulation, bit 1 connect first, bit 2 block cursor,
//            bit 3 reverse colours, bit 4 no window-size warning,
//            bit 5 no disconnect notice, bit 6 auto close,
//            bit 7 the host's text is UTF-8)
//   then operations, each starting with one byte: kind = low nibble, flags = high nibble
//   0-7  feed: 16-bit length (LE, taken modulo 4097) of host bytes that follow;
//        flag bit 3 set: deliver them in reads of (flags & 7) + 1 bytes
//   8    Resize(int16 w, int16 h)
//   9    connect (flag bit 0: the connect fails)
//   10   close by the user (flag bit 0: closed by the host instead)
//   11   toggle the emulation (VT100 / ANSI)
//   12   the host sends IAC DO NAWS (flag bit 0: IAC DONT NAWS)
//   13   SetBufferSize(history-size code)
//   14   ScrollView(code = flags, int16 position); flags 15: MouseWheel(int16)
//   15   flags % 4: 0 local echo of the next byte, 1 ClearBuffer, 2 full repaint,
//        3 SizeToWindow(int16 cx, int16 cy)
// Set CORVANE_FUZZ_TRACE=1 to print every operation to stderr (for reading a reproducer).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "ScreenInvariants.h"
#include "ScriptedConnection.h"
#include "platform/headless/HeadlessHost.h"
#include "settings/MemoryProfile.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

namespace {

class Reader {
 public:
  Reader(const std::uint8_t* data, std::size_t size) : p_(data), end_(data + size) {}
  bool Done() const { return p_ >= end_; }
  std::uint8_t Byte() { return p_ < end_ ? *p_++ : 0; }
  int Int16() {
    const int lo = Byte(), hi = Byte();
    return static_cast<std::int16_t>(static_cast<std::uint16_t>(lo | (hi << 8)));
  }
  std::string Bytes(std::size_t n) {
    n = std::min(n, static_cast<std::size_t>(end_ - p_));
    std::string s(reinterpret_cast<const char*>(p_), n);
    p_ += n;
    return s;
  }

 private:
  const std::uint8_t* p_;
  const std::uint8_t* end_;
};

// Small codes give small rings (0 included, and rings lower than the screen);
// the top codes reach the edges of what a hand-edited profile may hold.
int HistorySize(std::uint8_t code) {
  static constexpr int kLarge[16] = {255,   256, 1000,  1023, 1024,   4096,    65535, 65536,
                                     65537, -1,  -1000, 2,    100000, 1 << 30, 24,    25};
  return code < 240 ? code : kLarge[code - 240];
}

bool Tracing() {
  static const bool on = std::getenv("CORVANE_FUZZ_TRACE") != nullptr;
  return on;
}

void Trace(const char* format, long long a = 0, long long b = 0) {
  if (!Tracing()) return;
  std::fprintf(stderr, format, a, b);
  std::fputc('\n', stderr);
}

struct Rig {
  MemoryProfile profile;
  HeadlessHost host;
  ScriptedConnection connection;
  // Host bytes arrive in reads of this many bytes at most (0: as the input says).
  std::size_t readSize = 0;
};

void Deliver(Rig& rig, CTelnetSession& session, const std::string& bytes, std::size_t piece) {
  if (rig.readSize != 0) piece = rig.readSize;
  for (std::size_t at = 0; at < bytes.size(); at += piece) {
    rig.connection.Queue(bytes.substr(at, piece));
    while (!rig.connection.incoming.empty()) session.OnReceive(0);
  }
}

// What of a twin must equal the session's; empty when all of it does.
std::string Difference(const CTelnetSession& a, const Rig& rigA, const CTelnetSession& b,
                       const Rig& rigB) {
  const TerminalScreen& x = a.Screen();
  const TerminalScreen& y = b.Screen();
  if (x.Width() != y.Width() || x.Height() != y.Height()) return "screen size";
  for (int r = 0; r < x.Height(); ++r) {
    if (x.Row(r).text != y.Row(r).text) return "text of row " + std::to_string(r);
    if (x.Row(r).attrs != y.Row(r).attrs) return "attributes of row " + std::to_string(r);
  }
  if (x.CursorRow() != y.CursorRow() || x.CursorCol() != y.CursorCol()) return "cursor";
  if (x.Attr() != y.Attr()) return "current attribute";
  if (rigA.connection.sent != rigB.connection.sent) return "bytes sent";
  return {};
}

void CheckTwin(const CTelnetSession& session, const Rig& rig, const CTelnetSession& twin,
               const Rig& twinRig, const char* which, std::size_t opIndex, int kind) {
  const std::string difference = Difference(session, rig, twin, twinRig);
  if (difference.empty()) return;
  std::fprintf(stderr, "the session %s differs after operation %zu (kind %d): %s\n", which, opIndex,
               kind, difference.c_str());
  std::abort();
}

void CheckInvariants(const CTelnetSession& session, std::size_t opIndex, int kind) {
  const std::string violation = FindInvariantViolation(session);
  if (violation.empty()) return;
  std::fprintf(stderr, "screen invariant violated after operation %zu (kind %d): %s\n", opIndex,
               kind, violation.c_str());
  std::abort();
}

void RunOperation(Rig& rig, CTelnetSession& session, Reader& in, int kind, int flags) {
  switch (kind) {
    case 0:
    case 1:
    case 2:
    case 3:
    case 4:
    case 5:
    case 6:
    case 7: {
      const int lo = in.Byte(), hi = in.Byte();
      const std::size_t len = static_cast<std::size_t>(lo | (hi << 8)) % (kRecvBufSize + 1);
      const std::string bytes = in.Bytes(len);
      const std::size_t piece = (flags & 8) ? static_cast<std::size_t>((flags & 7) + 1)
                                            : static_cast<std::size_t>(kRecvBufSize);
      Trace("feed %lld bytes in reads of %lld", static_cast<long long>(bytes.size()),
            static_cast<long long>(piece));
      if (!bytes.empty()) Deliver(rig, session, bytes, piece);
      break;
    }
    case 8: {
      const int w = in.Int16(), h = in.Int16();
      Trace("Resize(%lld, %lld)", w, h);
      session.Resize(w, h);
      break;
    }
    case 9:
      Trace((flags & 1) ? "connect (fails)" : "connect");
      rig.connection.failConnect = (flags & 1) != 0;
      session.OpenConnection("127.0.0.1", 23);
      rig.connection.failConnect = false;
      break;
    case 10:
      Trace((flags & 1) ? "host closes" : "user closes");
      if (flags & 1)
        session.OnClose(0);
      else
        session.Close();
      break;
    case 11:
      session.SetEmulation(1 - session.Emulation());
      Trace("emulation %lld", session.Emulation());
      break;
    case 12:
      Trace((flags & 1) ? "host sends IAC DONT NAWS" : "host sends IAC DO NAWS");
      Deliver(rig, session, (flags & 1) ? "\xff\xfe\x1f" : "\xff\xfd\x1f", kRecvBufSize);
      break;
    case 13: {
      const int n = HistorySize(in.Byte());
      Trace("SetBufferSize(%lld)", n);
      session.SetBufferSize(n);
      break;
    }
    case 14: {
      const int value = in.Int16();
      if (flags == 15) {
        Trace("MouseWheel(%lld)", value);
        session.MouseWheel(value);
      } else {
        Trace("ScrollView(%lld, %lld)", flags, value);
        session.ScrollView(static_cast<ScrollCode>(flags), value);  // unknown codes too
      }
      break;
    }
    default:
      switch (flags % 4) {
        case 0: {
          const std::uint8_t ch = in.Byte();
          Trace("local echo PutChar(%lld)", ch);
          session.PutChar(ch);
          session.DrawNow(true);
          break;
        }
        case 1:
          Trace("ClearBuffer");
          session.ClearBuffer();
          break;
        case 2:
          Trace("full repaint");
          session.DrawNow(false);
          break;
        default: {
          const int cx = in.Int16(), cy = in.Int16();
          Trace("SizeToWindow(%lld, %lld)", cx, cy);
          session.SizeToWindow(cx, cy);
          break;
        }
      }
      break;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Reader in(data, size);
  Rig rig;
  const int width = in.Byte(), height = in.Byte();
  const int history = HistorySize(in.Byte());
  const int options = in.Byte();
  // The twins start from the same settings; the one fed byte by byte draws
  // only when asked, which changes nothing but the redraw flags.
  Rig bytewiseRig, generalRig;
  bytewiseRig.readSize = 1;
  bytewiseRig.host.drawsLater = true;
  for (MemoryProfile* profile : {&rig.profile, &bytewiseRig.profile, &generalRig.profile}) {
    keys::Width.Write(*profile, width);
    keys::Height.Write(*profile, height);
    keys::BufferSize.Write(*profile, history);
    keys::Emulation.Write(*profile, options & 1);
    keys::BlockCursor.Write(*profile, (options >> 2) & 1);
    keys::ReverseColor.Write(*profile, (options >> 3) & 1);
    keys::WinSizeWarning.Write(*profile, (options & 16) ? 0 : 1);
    keys::DisconnectNotify.Write(*profile, (options & 32) ? 0 : 1);
    keys::AutoClose.Write(*profile, (options >> 6) & 1);
    keys::HostText.Write(*profile, (options >> 7) & 1);
  }
  Trace("start %lldx%lld", width, height);
  Trace("history %lld, options 0x%llx", history, options);
  CTelnetSession session(rig.host, rig.connection, rig.profile);
  CTelnetSession bytewise(bytewiseRig.host, bytewiseRig.connection, bytewiseRig.profile);
  CTelnetSession general(generalRig.host, generalRig.connection, generalRig.profile);
  general.UseFastPath(false);
  CheckInvariants(session, 0, -1);
  if (options & 2) {
    session.OpenConnection("127.0.0.1", 23);
    bytewise.OpenConnection("127.0.0.1", 23);
    general.OpenConnection("127.0.0.1", 23);
  }

  for (std::size_t op = 1; !in.Done(); ++op) {
    const std::uint8_t b = in.Byte();
    const int kind = b & 0x0F;
    // Each twin reads the operation's bytes again from the same place.
    Reader again = in;
    RunOperation(rig, session, in, kind, b >> 4);
    Reader forGeneral = again;
    RunOperation(bytewiseRig, bytewise, again, kind, b >> 4);
    RunOperation(generalRig, general, forGeneral, kind, b >> 4);
    CheckInvariants(session, op, kind);
    CheckTwin(session, rig, bytewise, bytewiseRig, "fed byte by byte", op, kind);
    CheckTwin(session, rig, general, generalRig, "without the fast path", op, kind);
  }
  return 0;
}
