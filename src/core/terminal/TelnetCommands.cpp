// Telnet commands from the host (ECHO, TERMINAL-TYPE, NAWS) and the gate that
// decides when a screen size is offered, applied and announced.
#include <algorithm>

#include "terminal/Controls.h"
#include "terminal/TelnetSession.h"

using namespace telnet;

const unsigned char* CTelnetSession::ParseTelnetCommand(const unsigned char* p,
                                                        const unsigned char* end) {
  if (p >= end) return nullptr;
  const unsigned char command = *p;
  const bool hasOption =
      !(command == kSe || (command >= kNop && command <= kGa) || command == kIac);
  if (hasOption && p + 1 >= end) return nullptr;
  // The host's first command of a connection makes us offer the window size.
  if (!m_bNawsOffered) Resize(m_Screen.m_nWidth, m_Screen.m_nHeight);

  const unsigned char option = hasOption ? p[1] : 0;
  std::string reply;
  const unsigned char* last = p + 1;
  switch (command) {
    case kSe:
      last = p;
      break;
    case kSb:
      if (option == kTerminalType) {
        if (p + 2 >= end) return nullptr;
        if (p[2] == kSend) {
          reply = {char(kIac), char(kSb), char(kTerminalType), char(kIs)};
          reply += m_nEmulation == 1 ? "ansi" : "vt100";
          reply += {char(kIac), char(kSe)};
        }
        last = p + 2;
      }
      break;
    case kWill:
      reply = {char(kIac), char(option == kEcho ? kDo : kDont), char(option)};
      // By answering DO ECHO we agree that the host echoes what is typed;
      // echoing too would show it twice, and show passwords.
      if (option == kEcho) m_bHostEchoes = true;
      break;
    case kWont:
      if (option == kEcho) m_bHostEchoes = false;
      break;
    case kDo:
      if (option == kTerminalType) {
        reply = {char(kIac), char(kWill), char(kTerminalType)};
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
      if (option == kNaws) {
        m_bNawsAnswered = true;
        // Once per connection: a host that repeats its refusal must not keep
        // the user answering boxes (marked first, for refusals read while it is open).
        if (m_bWinSizeWarning && !m_bWinSizeWarned) {
          m_bWinSizeWarned = true;
          m_pFrame->ShowMessage("Server refuses to negotiate window size", MessageKind::Plain);
        }
        if (m_nWantedWidth != m_Screen.m_nWidth || m_nWantedHeight != m_Screen.m_nHeight) {
          m_bNawsActive = true;
          Resize(m_nWantedWidth, m_nWantedHeight);
          // Later requests wait for the next connection, unless the host closed
          // while the warning was open: then sizes apply at once again.
          m_bNawsActive = !IsConnected();
        }
      }
      break;
    case kIac:
      m_Screen.PutChar(kIac);  // a doubled IAC is a data byte 255
      last = p;
      break;
    default:
      if (command >= kNop && command <= kGa) last = p;  // NOP .. GA: no option byte
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
    const unsigned char offer[] = {kIac, kWill, kNaws};
    Send(offer, sizeof offer);
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
