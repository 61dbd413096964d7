// The Terminal properties command: the nine terminal settings edited in one
// dialog, then applied to the frame and the session and stored.
#include "dialogs/TerminalPropertiesDialog.h"
#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

void CMainFrame::OnTerminalProperties() {
  CTelnetSession& session = *m_pSession;
  TerminalSettings settings;
  settings.nEmulation = session.m_nEmulation;
  settings.bApplicationMode = m_bApplicationMode;
  settings.bBackspace = m_bBackspace;
  settings.nWidth = session.m_nWidth;
  settings.nHeight = session.m_nHeight;
  settings.nBufferSize = static_cast<int>(session.m_nBufferSize);
  settings.bLocalEcho = m_bLocalEcho;
  settings.bBlockCursor = session.m_bBlockCursor;
  settings.bReverseColor = session.m_bReverseColor;

  CTerminalPropertiesDlg dialog(
      [this](const std::string& text, MessageKind kind) { return ShowMessage(text, kind); }, this);
  if (!dialog.EditSettings(settings, [this](QDialog& d) { return RunDialog(d); })) return;

  // The six options are stored on every OK; size and history only go to the
  // session when they changed, as both reset state (and a size is negotiated).
  session.m_nEmulation = settings.nEmulation;
  keys::Emulation.Write(m_Profile, settings.nEmulation);
  m_bApplicationMode = settings.bApplicationMode;
  keys::ApplicationMode.Write(m_Profile, m_bApplicationMode ? 1 : 0);
  m_bBackspace = settings.bBackspace;
  keys::Backspace.Write(m_Profile, m_bBackspace ? 1 : 0);
  if (settings.nWidth != session.m_nWidth || settings.nHeight != session.m_nHeight) {
    session.Resize(settings.nWidth, settings.nHeight);
    session.FlushScreenSize();  // the user's own choice is stored at once, even while connected
  }
  if (settings.nBufferSize != static_cast<int>(session.m_nBufferSize))
    session.SetBufferSize(settings.nBufferSize);
  m_bLocalEcho = settings.bLocalEcho;
  keys::LocalEcho.Write(m_Profile, m_bLocalEcho ? 1 : 0);
  session.m_bBlockCursor = settings.bBlockCursor;
  keys::BlockCursor.Write(m_Profile, session.m_bBlockCursor ? 1 : 0);
  session.m_bReverseColor = settings.bReverseColor;
  keys::ReverseColor.Write(m_Profile, session.m_bReverseColor ? 1 : 0);
  Invalidate();  // new cursor shape and colours everywhere
}
