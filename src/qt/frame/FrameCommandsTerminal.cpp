// The Terminal properties command: the nine terminal settings edited in one
// dialog, then applied to the frame and the session and stored.
#include "dialogs/TerminalPropertiesDialog.h"
#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

void CMainFrame::OnTerminalProperties() {
  CTelnetSession& session = *m_pSession;
  TerminalSettings settings;
  settings.nEmulation = session.Emulation();
  settings.bApplicationMode = m_bApplicationMode;
  settings.bBackspace = m_bBackspace;
  settings.nWidth = session.Screen().Width();
  settings.nHeight = session.Screen().Height();
  settings.nBufferSize = static_cast<int>(session.Screen().BufferSize());
  settings.bLocalEcho = m_bLocalEcho;
  settings.bBlockCursor = session.BlockCursor();
  settings.bReverseColor = session.ReverseColor();

  CTerminalPropertiesDlg dialog(
      [this](const std::string& text, MessageKind kind) { return ShowMessage(text, kind); }, this);
  if (!dialog.EditSettings(settings, [this](QDialog& d) { return RunDialog(d); })) return;

  // The six options are stored on every OK; size and history only go to the
  // session when they changed, as both reset state (and a size is negotiated).
  session.SetEmulation(settings.nEmulation);
  m_bApplicationMode = settings.bApplicationMode;
  keys::ApplicationMode.Write(m_Profile, m_bApplicationMode ? 1 : 0);
  m_bBackspace = settings.bBackspace;
  keys::Backspace.Write(m_Profile, m_bBackspace ? 1 : 0);
  if (settings.nWidth != session.Screen().Width() ||
      settings.nHeight != session.Screen().Height()) {
    session.Resize(settings.nWidth, settings.nHeight);
    session.FlushScreenSize();  // the user's own choice is stored at once, even while connected
  }
  if (settings.nBufferSize != static_cast<int>(session.Screen().BufferSize()))
    session.SetBufferSize(settings.nBufferSize);
  m_bLocalEcho = settings.bLocalEcho;
  keys::LocalEcho.Write(m_Profile, m_bLocalEcho ? 1 : 0);
  session.SetBlockCursor(settings.bBlockCursor);
  session.SetReverseColor(settings.bReverseColor);
  Invalidate();  // new cursor shape and colours everywhere
}
