// Telnet commands from the host (ECHO, TERMINAL-TYPE, NAWS) and the gate that
// decides when a screen size is offered, applied and announced; user data
// with its bytes 255 doubled.
#include "terminal/TelnetCommands.h"

#include <algorithm>
#include <cstring>

#include "terminal/Controls.h"
#include "terminal/TelnetSession.h"

using namespace telnet;

std::string DoubleIac(std::string_view data) {
  constexpr char kIacChar = static_cast<char>(kIac);
  std::string out;
  out.reserve(data.size() +
              static_cast<std::size_t>(std::count(data.begin(), data.end(), kIacChar)));
  for (const char c : data) {
    out += c;
    if (c == kIacChar) out += kIacChar;
  }
  return out;
}

namespace {
// Commands that consist of IAC and the command byte alone.
bool HasNoOption(unsigned char command) {
  return command == kSe || (command >= kNop && command <= kGa);
}
}  // namespace

void CTelnetSession::TakeTelnetCommands(unsigned char* from, const unsigned char* end) {
  // Data bytes are gathered in place behind the carried ones (never ahead of
  // the byte being read); before a command acts, the data before it is walked.
  unsigned char* out = from;
  auto walkDataSoFar = [&] {
    if (out == m_RecvBuf + m_nCarry) return;  // nothing new since the carried bytes
    m_nCarry = 0;
    Walk(m_RecvBuf, out);
    out = m_RecvBuf + m_nCarry;
  };
  // The host's first command (a doubled IAC included) brings the window-size
  // offer, after the data before it; a size request in that data (ESC [ n G)
  // has made the offer already, and its size is the one wanted.
  auto offerWindowSizeFirst = [&] {
    if (m_bNawsOffered) return;
    walkDataSoFar();
    if (!m_bNawsOffered) Resize(m_Screen.Width(), m_Screen.Height());
  };
  const unsigned char* p = from;
  while (p < end) {
    if (m_TelnetState == TelnetState::Data) {
      const auto* iac = static_cast<const unsigned char*>(
          std::memchr(p, kIac, static_cast<std::size_t>(end - p)));
      const unsigned char* stop = iac != nullptr ? iac : end;
      if (out != p) std::memmove(out, p, static_cast<std::size_t>(stop - p));
      LogData(out, static_cast<std::size_t>(stop - p));
      out += stop - p;
      p = stop;
      if (p == end) break;
      m_TelnetState = TelnetState::Command;
      ++p;
      continue;
    }
    const unsigned char b = *p++;
    switch (m_TelnetState) {
      case TelnetState::Command:
        if (b == kIac) {
          // A doubled IAC is the data byte 255, also inside a sequence.
          offerWindowSizeFirst();
          LogData(&kIac, 1);
          *out++ = kIac;
          m_TelnetState = TelnetState::Data;
        } else if (HasNoOption(b)) {
          walkDataSoFar();
          ExecuteTelnetCommand(b, 0, 0);
          m_TelnetState = TelnetState::Data;
        } else {
          m_TelnetCommand = b;
          m_TelnetState = TelnetState::Option;
        }
        break;
      case TelnetState::Option:
        if (m_TelnetCommand == kSb && b == kTerminalType) {
          // The offer goes out as soon as the command is known, as for the others.
          offerWindowSizeFirst();
          m_TelnetState = TelnetState::TerminalTypeCode;
        } else {
          walkDataSoFar();
          ExecuteTelnetCommand(m_TelnetCommand, b, 0);
          m_TelnetState = TelnetState::Data;
        }
        break;
      case TelnetState::TerminalTypeCode:
        walkDataSoFar();
        ExecuteTelnetCommand(kSb, kTerminalType, b);
        m_TelnetState = TelnetState::Data;
        break;
      case TelnetState::Data:
        break;
    }
  }
  walkDataSoFar();
}

void CTelnetSession::ExecuteTelnetCommand(unsigned char command, unsigned char option,
                                          unsigned char code) {
  // The host's first command of a connection makes us offer the window size.
  if (!m_bNawsOffered) Resize(m_Screen.Width(), m_Screen.Height());

  // A subnegotiation other than TERMINAL-TYPE is consumed up to its option
  // byte: the bytes after it are data, and its IAC SE a command of its own.
  std::string reply;
  switch (command) {
    case kSb:
      if (option == kTerminalType && code == kSend) {
        reply = {char(kIac), char(kSb), char(kTerminalType), char(kIs)};
        reply += m_nEmulation == 1 ? "ansi" : "vt100";
        reply += {char(kIac), char(kSe)};
      }
      break;
    case kWill:
      if (option == kBinary && m_bUtf8Host) {
        // Agreed once; a repeated WILL is not answered again (RFC 854).
        if (!m_bBinaryIn) reply = {char(kIac), char(kDo), char(kBinary)};
        m_bBinaryIn = true;
        break;
      }
      reply = {char(kIac), char(option == kEcho ? kDo : kDont), char(option)};
      // By answering DO ECHO we agree that the host echoes what is typed;
      // echoing too would show it twice, and show passwords.
      if (option == kEcho) m_bHostEchoes = true;
      break;
    case kWont:
      if (option == kEcho) m_bHostEchoes = false;
      if (option == kBinary && m_bBinaryIn) {
        m_bBinaryIn = false;
        reply = {char(kIac), char(kDont), char(kBinary)};
      }
      break;
    case kDo:
      if (option == kTerminalType) {
        reply = {char(kIac), char(kWill), char(kTerminalType)};
      } else if (option == kBinary && m_bUtf8Host) {
        // Our own offer's answer needs no reply; a request does.
        if (!m_bBinaryOut) reply = {char(kIac), char(kWill), char(kBinary)};
        m_bBinaryOut = true;
      } else if (option == kNaws) {
        m_bNawsAnswered = true;
        m_bNawsActive = true;
        Resize(m_nWantedWidth, m_nWantedHeight);
        reply = {char(kIac), char(kWill), char(kNaws)};
      } else {
        reply = {char(kIac), char(kWont), char(option)};
      }
      break;
    case kDont:
      if (option == kBinary && m_bBinaryOut) {
        m_bBinaryOut = false;
        reply = {char(kIac), char(kWont), char(kBinary)};
      }
      if (option == kNaws) {
        m_bNawsAnswered = true;
        // Once per connection: a host that repeats its refusal must not keep
        // the user answering boxes (marked first, for refusals read while it is open).
        if (m_bWinSizeWarning && !m_bWinSizeWarned) {
          m_bWinSizeWarned = true;
          m_pFrame->ShowMessage("Server refuses to negotiate window size", MessageKind::Plain);
        }
        if (m_nWantedWidth != m_Screen.Width() || m_nWantedHeight != m_Screen.Height()) {
          m_bNawsActive = true;
          Resize(m_nWantedWidth, m_nWantedHeight);
          // Later requests wait for the next connection, unless the host closed
          // while the warning was open: then sizes apply at once again.
          m_bNawsActive = !IsConnected();
        }
      }
      break;
    default:  // SE, NOP .. GA and unknown commands: nothing
      break;
  }
  Send(reply);
}

void CTelnetSession::Resize(int w, int h) {
  // Sizes stay within 1..255: the screen needs a cell, NAWS carries a byte.
  w = std::clamp(w, 1, kMaxScreenSide);
  h = std::clamp(h, 1, kMaxScreenSide);
  if (!m_bNawsOffered) {
    m_nWantedWidth = w;
    m_nWantedHeight = h;
    // Under UTF-8 binary input is asked for with it: a host that strips the
    // eighth bit of what is typed (ISTRIP) would otherwise mangle every
    // character beyond ASCII.
    const unsigned char offer[] = {kIac, kWill, kNaws, kIac, kWill, kBinary};
    Send(offer, m_bUtf8Host ? sizeof offer : 3);
    m_bBinaryOut = m_bUtf8Host;
    m_bNawsOffered = true;
    return;
  }
  if (!m_bNawsActive) {
    // While the offer is unanswered the latest request is the size the host's
    // answer applies: a window manager that sizes a new window at once (a
    // tile) must not be left with the size offered before it. After a refusal
    // requests are dropped.
    if (!m_bNawsAnswered) {
      m_nWantedWidth = w;
      m_nWantedHeight = h;
    }
    return;
  }
  // The size applied is the one wanted from now on: a host that sends DO
  // NAWS again gets the screen it sees, not the one first offered.
  m_nWantedWidth = w;
  m_nWantedHeight = h;
  SendWindowSize(w, h);
  Reshape(w, h);
}

void CTelnetSession::SendWindowSize(int w, int h) {
  std::string report = {char(kIac), char(kSb), char(kNaws), 0, char(w)};
  if (w == kIac) report += char(kIac);
  report += {0, char(h)};
  if (h == kIac) report += char(kIac);
  report += {char(kIac), char(kSe)};
  Send(report);
}
