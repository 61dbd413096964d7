// The Macro command: the twelve macro texts edited in one dialog and, on OK,
// all twelve stored at once, as typed.
#include "dialogs/MacroDialog.h"
#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"

void CMainFrame::OnOptionsMacro() {
  CMacroDlg dialog(m_strMacro, this);
  if (RunDialog(dialog) == QDialog::Rejected) return;  // Cancel, Esc or the close box
  m_strMacro = dialog.Macros();
  // Every key is rewritten, changed or not, empty ones as empty strings.
  for (int k = 1; k <= keys::kMacroCount; ++k)
    keys::Macro.Write(m_Profile, k, m_strMacro[static_cast<std::size_t>(k - 1)]);
}
