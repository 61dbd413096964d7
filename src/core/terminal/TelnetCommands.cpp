// Telnet commands from the host (ECHO, TERMINAL-TYPE, NAWS) and the gate that
// decides when a screen size is offered, applied and announced.
#include <algorithm>

#include "terminal/TelnetSession.h"

namespace telnet {
constexpr unsigned char SE = 240, SB = 250, WILL = 251, WONT = 252, DO = 253, DONT = 254, IAC = 255;
constexpr unsigned char ECHO = 1, TERMINAL_TYPE = 24, NAWS = 31;
constexpr unsigned char IS = 0, SEND = 1;
}  // namespace telnet

using namespace telnet;

const unsigned char* CTelnetSession::ParseTelnetCommand(const unsigned char* p,
                                                        const unsigned char* end) {
  if (p >= end) return nullptr;
  const unsigned char command = *p;
  const bool hasOption = !(command == SE || (command >= 241 && command <= 249) || command == IAC);
  if (hasOption && p + 1 >= end) return nullptr;
  // The host's first command of a connection makes us offer the window size.
  if (!m_bNawsOffered) Resize(m_nWidth, m_nHeight);

  const unsigned char option = hasOption ? p[1] : 0;
  std::string reply;
  const unsigned char* last = p + 1;
  switch (command) {
    case SE:
      last = p;
      break;
    case SB:
      if (option == TERMINAL_TYPE) {
        if (p + 2 >= end) return nullptr;
        if (p[2] == SEND) {
          reply = {char(IAC), char(SB), char(TERMINAL_TYPE), char(IS)};
          reply += m_nEmulation == 1 ? "ansi" : "vt100";
          reply += {char(IAC), char(SE)};
        }
        last = p + 2;
      }
      break;
    case WILL:
      reply = {char(IAC), char(option == ECHO ? DO : DONT), char(option)};
      break;
    case WONT:
      break;
    case DO:
      if (option == TERMINAL_TYPE) {
        reply = {char(IAC), char(WILL), char(TERMINAL_TYPE)};
      } else if (option == NAWS) {
        m_bNawsActive = true;
        Resize(m_nWantedWidth, m_nWantedHeight);
        reply = {char(IAC), char(WILL), char(NAWS)};
      } else {
        reply = {char(IAC), char(WONT), char(option)};
      }
      break;
    case DONT:
      if (option == NAWS) {
        // Once per connection: a host that repeats its refusal must not keep
        // the user answering boxes (marked first, for refusals read while it is open).
        if (m_bWinSizeWarning && !m_bWinSizeWarned) {
          m_bWinSizeWarned = true;
          m_pFrame->ShowMessage("Server refuses to negotiate window size", MessageKind::Plain);
        }
        if (m_nWantedWidth != m_nWidth || m_nWantedHeight != m_nHeight) {
          m_bNawsActive = true;
          Resize(m_nWantedWidth, m_nWantedHeight);
          // Later requests wait for the next connection, unless the host closed
          // while the warning was open: then sizes apply at once again.
          m_bNawsActive = !IsConnected();
        }
      }
      break;
    case IAC:
      PutChar(IAC);
      last = p;
      break;
    default:
      if (command >= 241 && command <= 249) last = p;  // NOP .. GA: no option byte
      break;
  }
  Send(reply);
  return last;
}

void CTelnetSession::Resize(int w, int h) {
  // Sizes stay within 1..255: the screen needs a cell, NAWS carries a byte.
  w = std::clamp(w, 1, kMaxScreenSide);
  h = std::clamp(h, 1, kMaxScreenSide);
  if (!m_bNawsOffered) {
    m_nWantedWidth = w;
    m_nWantedHeight = h;
    const unsigned char offer[] = {IAC, WILL, NAWS};
    Send(offer, sizeof offer);
    m_bNawsOffered = true;
    return;
  }
  if (!m_bNawsActive) return;
  SendWindowSize(w, h);
  Reshape(w, h);
}

void CTelnetSession::SendWindowSize(int w, int h) {
  std::string report = {char(IAC), char(SB), char(NAWS), 0, char(w)};
  if (w == IAC) report += char(IAC);
  report += {0, char(h)};
  if (h == IAC) report += char(IAC);
  report += {char(IAC), char(SE)};
  Send(report);
}
