// Construction, destruction, sending, the settings the session owns and the
// history ring.
#include "terminal/TelnetSession.h"

#include <algorithm>

#include "linecheck/LineCheckDatabase.h"
#include "settings/Profile.h"
#include "settings/ProfileKeys.h"
#include "terminal/Controls.h"
#include "terminal/TelnetCommands.h"

CTelnetSession::CTelnetSession(SessionHost& frame, Connection& connection, Profile& profile)
    : m_pFrame(&frame), m_Connection(connection), m_Profile(profile) {
  // The line check stays switched off while the catalogue has no capacity.
  m_bLineCheckBusy = LineCheckDatabase::CapacityFor(keys::DBSize.Read(profile)) == 0;
  m_pFrame->SetPaneText(kPaneLog, "");

  m_bAutoClose = keys::AutoClose.Read(profile) != 0;
  m_bBlockCursor = keys::BlockCursor.Read(profile) != 0;
  m_bDisconnectNotify = keys::DisconnectNotify.Read(profile) != 0;
  m_bReverseColor = keys::ReverseColor.Read(profile) != 0;
  const int emulation = keys::Emulation.Read(profile);
  m_nEmulation = (emulation == 0 || emulation == 1) ? emulation : 0;
  m_bWinSizeWarning = keys::WinSizeWarning.Read(profile) != 0;
  m_nKeepAlive = std::clamp(keys::KeepAlive.Read(profile), 0, kMaxKeepAlive);
  m_bUtf8Host = keys::HostText.Read(profile) != 0;

  FontDescription desc;
  desc.heightTenths = keys::FontSize.Read(profile);
  desc.italic = keys::FontItalic.Read(profile) != 0;
  desc.charSet = keys::FontCharSet.Read(profile) & 0xFF;
  desc.faceName = keys::FontName.Read(profile).substr(0, 31);
  const Colour text = MakeColour(keys::ForegroundR.Read(profile), keys::ForegroundG.Read(profile),
                                 keys::ForegroundB.Read(profile));
  CreateTerminalFont(desc, text, false);

  m_crBackground = MakeColour(keys::BackgroundR.Read(profile), keys::BackgroundG.Read(profile),
                              keys::BackgroundB.Read(profile));

  SetBufferSize(keys::BufferSize.Read(profile));

  m_nWantedWidth = keys::Width.Read(profile);
  m_nWantedHeight = keys::Height.Read(profile);
  m_bNawsActive = m_bNawsOffered = true;
  Resize(m_nWantedWidth, m_nWantedHeight);
}

CTelnetSession::~CTelnetSession() {
  // A running check ends at its next row; nothing it posted runs after this.
  m_bStopping = true;
  if (m_LineCheckThread.joinable()) m_LineCheckThread.join();
  *m_Alive = false;
  FlushScreenSize();
  CloseLog();
  m_pLineCheckDb.reset();
  m_Connection.Close();
}

bool CTelnetSession::Send(const unsigned char* data, std::size_t len) {
  if (len == 0) return true;
  if (!m_Connection.Send(data, len)) return false;
  m_timeLastSent = m_pFrame->Now();
  return true;
}

bool CTelnetSession::Send(const std::string& bytes) {
  return Send(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

bool CTelnetSession::SendData(std::string_view userBytes) { return Send(DoubleIac(userBytes)); }

void CTelnetSession::EchoLocally(unsigned char ch) {
  {
    std::lock_guard lock(m_ScreenLock);
    m_Screen.PutChar(ch);
    // PutChar flags no row; the row the cursor was on is flagged by the last
    // paint, but a character that wrapped onto the next row would otherwise
    // stay unseen until the following draw.
    m_Screen.MarkCursorRowDirty();
  }
  DrawNow(true);
}

void CTelnetSession::SetEmulation(int emulation) {
  m_nEmulation = emulation;
  keys::Emulation.Write(m_Profile, emulation);
}

void CTelnetSession::SetBlockCursor(bool on) {
  m_bBlockCursor = on;
  keys::BlockCursor.Write(m_Profile, on ? 1 : 0);
}

void CTelnetSession::SetReverseColor(bool on) {
  m_bReverseColor = on;
  keys::ReverseColor.Write(m_Profile, on ? 1 : 0);
}

void CTelnetSession::SetAutoClose(bool on) {
  m_bAutoClose = on;
  keys::AutoClose.Write(m_Profile, on ? 1 : 0);
}

void CTelnetSession::SetDisconnectNotify(bool on) {
  m_bDisconnectNotify = on;
  keys::DisconnectNotify.Write(m_Profile, on ? 1 : 0);
}

void CTelnetSession::SetWinSizeWarning(bool on) {
  m_bWinSizeWarning = on;
  keys::WinSizeWarning.Write(m_Profile, on ? 1 : 0);
}

void CTelnetSession::SetKeepAlive(int seconds) {
  m_nKeepAlive = std::clamp(seconds, 0, kMaxKeepAlive);
  keys::KeepAlive.Write(m_Profile, m_nKeepAlive);
}

void CTelnetSession::SetHostTextUtf8(bool on) {
  keys::HostText.Write(m_Profile, on ? 1 : 0);
  if (on == m_bUtf8Host) return;
  m_bUtf8Host = on;
  std::lock_guard lock(m_ScreenLock);
  m_Utf8.Interrupt();                             // half a character from before is no longer one
  if (!IsConnected() || !m_bNawsOffered) return;  // the first offer brings BINARY along
  // Binary input is asked for under UTF-8 only, and given up with it.
  std::string change;
  if (on && !m_bBinaryOut)
    change = {char(telnet::kIac), char(telnet::kWill), char(telnet::kBinary)};
  if (!on && m_bBinaryOut)
    change = {char(telnet::kIac), char(telnet::kWont), char(telnet::kBinary)};
  if (!on && m_bBinaryIn)
    change += {char(telnet::kIac), char(telnet::kDont), char(telnet::kBinary)};
  m_bBinaryIn = on && m_bBinaryIn;
  m_bBinaryOut = on;
  Send(change);
}

void CTelnetSession::SetBackgroundColour(Colour colour) {
  m_crBackground = colour;
  keys::BackgroundR.Write(m_Profile, RedOf(colour));
  keys::BackgroundG.Write(m_Profile, GreenOf(colour));
  keys::BackgroundB.Write(m_Profile, BlueOf(colour));
}

void CTelnetSession::ClearBuffer() {
  {
    std::lock_guard lock(m_ScreenLock);
    m_Screen.ClearAll();
  }
  m_Find.ForgetHistory();
  RefreshFind();
  DrawNow(true);
}

void CTelnetSession::SetBufferSize(int n) {
  // A ring needs at least one slot; a hand-edited huge value must not exhaust memory.
  n = std::clamp(n, 1, kMaxBufferSize);
  m_Screen.SetHistorySize(static_cast<unsigned>(n));
  m_nScrollBackPos = 0;
  keys::BufferSize.Write(m_Profile, n);
  m_pFrame->SetScrollRange(0, std::max(0, ScrollMax()));
  // The view is live again: the thumb belongs at the bottom of the new range.
  m_pFrame->SetScrollPos(std::max(0, ScrollMax()));
  m_Find.ForgetHistory();
  RefreshFind();
}

bool CTelnetSession::IsSelected(int row, int col) const { return m_Selection.Contains(row, col); }

void CTelnetSession::ClearSelection() { m_Selection.Clear(); }
