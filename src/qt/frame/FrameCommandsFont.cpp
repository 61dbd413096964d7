// The Font and Background color commands of the Options menu.
#include <QColorDialog>

#include "dialogs/TerminalFontDialog.h"
#include "frame/MainFrame.h"
#include "terminal/TelnetSession.h"
#include "view/QtDrawContext.h"

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
