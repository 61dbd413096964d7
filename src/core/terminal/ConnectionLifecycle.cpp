// Opening and closing the connection, the host's close, and the connected time.
#include <algorithm>
#include <cstdio>

#include "terminal/Controls.h"
#include "terminal/TelnetSession.h"

namespace {
constexpr const char* kAppName = "Corvane";
constexpr const char* kNoTime = "00:00:00";

// Removes the wait cursor on every way out of a connect.
struct WaitCursor {
  explicit WaitCursor(SessionHost& host) : host_(host) { host_.BeginWaitCursor(); }
  ~WaitCursor() { host_.EndWaitCursor(); }
  WaitCursor(const WaitCursor&) = delete;
  WaitCursor& operator=(const WaitCursor&) = delete;
  SessionHost& host_;
};
}  // namespace

bool CTelnetSession::OpenConnection(const std::string& host, unsigned port) {
  if (IsConnected()) Close();
  if (!m_Connection.Create()) {
    m_pFrame->ShowMessage("Windows socket creation failed", MessageKind::Stop);
    return false;
  }
  WaitCursor wait(*m_pFrame);
  if (!m_Connection.Connect(host, port)) {
    m_pFrame->ShowMessage("Connection to " + host + ":" + std::to_string(port) + " failed",
                          MessageKind::Stop);
    Close();
    return false;
  }
  m_Screen.ResetForConnection();
  m_bNawsOffered = false;
  m_bNawsActive = false;
  m_bNawsAnswered = false;
  m_bHostEchoes = false;
  m_bBinaryOut = m_bBinaryIn = false;
  m_Utf8.Interrupt();
  // Bytes of an unfinished sequence, string or telnet command from an
  // earlier connection must not be prefixed to this host's data.
  m_nCarry = 0;
  m_Escape.EndString();
  m_TelnetState = TelnetState::Data;
  m_bWinSizeWarned = false;
  m_pFrame->StartTimer();
  m_timeConnected = m_timeLastSent = m_pFrame->Now();
  return true;
}

void CTelnetSession::Close() {
  m_Connection.Close();
  m_bNawsActive = true;
  m_pFrame->SetTitle(kAppName);
  m_pFrame->StopTimer();
  m_pFrame->SetPaneText(kPaneTime, kNoTime);
  // What the tick would have written goes now.
  FlushScreenSize();
  FlushLog();
}

void CTelnetSession::OnClose(int /*errorCode*/) {
  Close();
  if (m_bDisconnectNotify) m_pFrame->ShowMessage("Connection closed", MessageKind::Information);
  if (m_bAutoClose) m_pFrame->PostQuit();
}

void CTelnetSession::UpdateConnectedTime() {
  // Shown as a time of day: after 24 hours the hours start again at 00.
  const long long elapsed = std::max<long long>(0, m_pFrame->Now() - m_timeConnected);
  const long long seconds = elapsed % 86400;
  char text[16];
  std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60,
                seconds % 60);
  m_pFrame->SetPaneText(kPaneTime, text);
  // The same one-second tick bounds how often a host can make us rewrite the
  // profile, and how long received text waits before it reaches the log file.
  FlushScreenSize();
  FlushLog();
  SendKeepAliveWhenDue();
}

void CTelnetSession::SendKeepAliveWhenDue() {
  if (m_nKeepAlive == 0 || !IsConnected()) return;
  const std::time_t now = m_pFrame->Now();
  // A clock set back must not hold the next keepalive back by as much.
  if (now < m_timeLastSent) m_timeLastSent = now;
  if (now - m_timeLastSent < m_nKeepAlive) return;
  // NOP asks nothing of the host, yet the bytes on the wire keep routers and
  // firewalls from dropping an idle connection.
  const unsigned char nop[] = {telnet::kIac, telnet::kNop};
  Send(nop, sizeof nop);
}
