// The Font and Background color commands of the Options menu.
#include <QColorDialog>

#include "dialogs/TerminalFontDialog.h"
#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"
#include "view/QtDrawContext.h"

void CMainFrame::OnOptionsFont() {
  CTelnetSession& session = *m_pSession;
  TerminalFontDialog dialog(session.m_Font, ToQColor(session.m_crForeground), this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  // Only face, size, italic flag and character set are taken: never a
  // weight, underline or strike-out.
  session.CreateTerminalFont(dialog.Description(), FromQColor(dialog.TextColour()), true);
  Invalidate();
}

void CMainFrame::OnOptionsBackgroundColor() {
  CTelnetSession& session = *m_pSession;
  QColorDialog dialog(ToQColor(session.m_crBackground), this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  const Colour chosen = FromQColor(dialog.currentColor());
  session.m_crBackground = chosen;
  Invalidate();
  keys::BackgroundR.Write(m_Profile, RedOf(chosen));
  keys::BackgroundG.Write(m_Profile, GreenOf(chosen));
  keys::BackgroundB.Write(m_Profile, BlueOf(chosen));
}
