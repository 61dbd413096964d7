// The Font and Background color commands of the Options menu.
#include <QColorDialog>
#include <QFontInfo>
#include <cmath>

#include "app/ProfileKeys.h"
#include "dialogs/TerminalFontDialog.h"
#include "frame/MainFrame.h"
#include "platform/qt/QtDrawContext.h"
#include "platform/qt/QtTerminalFont.h"
#include "terminal/TelnetSession.h"

void CMainFrame::OnOptionsFont() {
  CTelnetSession& session = *m_pSession;
  // The dialog lists real families: it starts on the one the face resolves to.
  const QString currentFamily = QFontInfo(ResolveTerminalFont(session.m_Font)).family();
  QFont preset(currentFamily);
  preset.setPointSizeF(session.m_Font.heightTenths / 10.0);
  preset.setItalic(session.m_Font.italic);
  TerminalFontDialog dialog(preset, ToQColor(session.m_crForeground), this);
  if (RunDialog(dialog) != QDialog::Accepted) return;

  // Only the size, the italic flag and the face are taken: never the weight,
  // underline or strike-out. Qt has no character sets, so the current one is
  // kept; so is the face name while the family stays the same, which keeps
  // "Terminal" (and its code page) when only the size or style changed.
  const QFont chosen = dialog.SelectedFont();
  FontDescription desc;
  desc.heightTenths = static_cast<int>(std::lround(chosen.pointSizeF() * 10));
  desc.italic = chosen.italic();
  desc.charSet = session.m_Font.charSet;
  desc.faceName = chosen.family() == currentFamily ? session.m_Font.faceName
                                                   : chosen.family().toStdString();
  session.CreateTerminalFont(desc, FromQColor(dialog.TextColour()), true);
  Invalidate(true);
}

void CMainFrame::OnOptionsBackgroundColor() {
  CTelnetSession& session = *m_pSession;
  QColorDialog dialog(ToQColor(session.m_crBackground), this);
  if (RunDialog(dialog) != QDialog::Accepted) return;
  const Colour chosen = FromQColor(dialog.currentColor());
  session.m_crBackground = chosen;
  Invalidate(true);
  keys::BackgroundR.Write(m_Profile, RedOf(chosen));
  keys::BackgroundG.Write(m_Profile, GreenOf(chosen));
  keys::BackgroundB.Write(m_Profile, BlueOf(chosen));
}
