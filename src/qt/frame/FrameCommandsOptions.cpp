// The Options menu: four toggles stored at once as 0 or 1, and the commands
// that open the option dialogs (Background color, Font, Macro, Terminal
// properties; the Log command is in FrameCommandsLog.cpp).
#include <QAction>
#include <QColorDialog>

#include "dialogs/MacroDialog.h"
#include "dialogs/TerminalFontDialog.h"
#include "dialogs/TerminalPropertiesDialog.h"
#include "frame/CommandIds.h"
#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"
#include "view/QtDrawContext.h"

namespace {
// Any non-zero value becomes 0 and 0 becomes 1; the new value is written.
void Flip(bool& value, const IntKey& key, Profile& profile) {
  value = !value;
  key.Write(profile, value ? 1 : 0);
}
}  // namespace

void CMainFrame::OnOptionsAutoClose() {
  m_pSession->SetAutoClose(!m_pSession->AutoClose());
  UpdateOptionChecks();
}

void CMainFrame::OnOptionsDisconnectNotify() {
  m_pSession->SetDisconnectNotify(!m_pSession->DisconnectNotify());
  UpdateOptionChecks();
}

void CMainFrame::OnOptionsSaveWindowPosition() {
  Flip(m_bSaveWinPosition, keys::SaveWinPosition, m_Profile);
  UpdateOptionChecks();
}

void CMainFrame::OnOptionsWindowSizeWarning() {
  m_pSession->SetWinSizeWarning(!m_pSession->WinSizeWarning());
  UpdateOptionChecks();
}

bool CMainFrame::AutoCloseChecked() const { return m_pSession->AutoClose(); }
bool CMainFrame::DisconnectNotifyChecked() const { return m_pSession->DisconnectNotify(); }
bool CMainFrame::WinSizeWarningChecked() const { return m_pSession->WinSizeWarning(); }

void CMainFrame::UpdateOptionChecks() {
  for (const MenuRow& row : MenuTable())
    if (row.checked) Action(row.id)->setChecked((this->*row.checked)());
}

// The Font and Background color commands.
void CMainFrame::OnOptionsFont() {
  CTelnetSession& session = *m_pSession;
  TerminalFontDialog dialog(session.Font(), ToQColor(session.ForegroundColour()), this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  // Only face, size, italic flag and character set are taken: never a
  // weight, underline or strike-out.
  session.CreateTerminalFont(dialog.Description(), FromQColor(dialog.TextColour()), true);
  Invalidate();
}

void CMainFrame::OnOptionsBackgroundColor() {
  CTelnetSession& session = *m_pSession;
  QColorDialog dialog(ToQColor(session.BackgroundColour()), this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  session.SetBackgroundColour(FromQColor(dialog.currentColor()));
  Invalidate();
}

// The Macro command: the twelve macro texts edited in one dialog and, on OK,
// all twelve stored at once, as typed.
void CMainFrame::OnOptionsMacro() {
  CMacroDlg dialog(m_strMacro, this);
  if (RunDialog(dialog) == QDialog::Rejected) return;  // Cancel, Esc or the close box
  m_strMacro = dialog.Macros();
  // Every key is rewritten, changed or not, empty ones as empty strings.
  for (int k = 1; k <= keys::kMacroCount; ++k)
    keys::Macro.Write(m_Profile, k, m_strMacro[static_cast<std::size_t>(k - 1)]);
}

// The Terminal properties command: the terminal settings edited in one
// dialog, then applied to the frame and the session and stored.
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
  settings.nKeepAlive = session.KeepAlive();
  settings.bHostTextUtf8 = session.HostTextUtf8();

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
  // Stored only when changed: a profile without the key stays as it was.
  if (settings.nKeepAlive != session.KeepAlive()) session.SetKeepAlive(settings.nKeepAlive);
  if (settings.bHostTextUtf8 != session.HostTextUtf8())
    session.SetHostTextUtf8(settings.bHostTextUtf8);
  Invalidate();  // new cursor shape and colours everywhere
}
