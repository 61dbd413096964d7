// The Options menu: four toggles stored at once as 0 or 1, and the commands
// that open the option dialogs.
#include <QAction>

#include "frame/CommandIds.h"
#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

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

void CMainFrame::UpdateOptionChecks() {
  Action(cmd::ID_OPTIONS_AUTO_CLOSE)->setChecked(m_pSession->AutoClose());
  Action(cmd::ID_OPTIONS_DISCONNECT_NOTIFY)->setChecked(m_pSession->DisconnectNotify());
  Action(cmd::ID_OPTIONS_SAVE_WINDOW_POSITION)->setChecked(m_bSaveWinPosition);
  Action(cmd::ID_OPTIONS_WINDOW_SIZE_WARNING)->setChecked(m_pSession->WinSizeWarning());
}
