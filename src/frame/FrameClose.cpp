// Closing the window (close box, system menu, Alt+F4, Exit) and the window
// position it saves; minimising and the size notifications that go with it.
#include <QCloseEvent>

#include "app/ProfileKeys.h"
#include "frame/MainFrame.h"
#include "frame/TerminalView.h"
#include "terminal/TelnetSession.h"

void CMainFrame::closeEvent(QCloseEvent* event) {
  if (m_pSession && m_pSession->IsConnected() &&
      ShowMessage("Still connected. Are you sure you want to quit?", MessageKind::Question) !=
          MessageAnswer::Yes) {
    event->ignore();  // the window stays and nothing is written
    return;
  }
  // A minimised window's place is not where the user wants it next time.
  if (m_bSaveWinPosition && !isMinimized()) {
    const QPoint topLeft = frameGeometry().topLeft();
    keys::WinPosX.Write(m_Profile, topLeft.x());
    keys::WinPosY.Write(m_Profile, topLeft.y());
  }
  // The connection stays open until the session is destroyed with the frame;
  // a line check stops now, so the program can end at once and shows no box
  // of it after the window is gone.
  if (m_pSession) m_pSession->StopLineCheck();
  event->accept();
}

void CMainFrame::changeEvent(QEvent* event) {
  QMainWindow::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  // Coming back from the minimised state changes nothing on the screen.
  m_bMinimized = isMinimized();
  if (!m_bMinimized) m_HandledArea = m_pView->size();
}

void CMainFrame::OnSize(int cx, int cy) {
  if (m_bMinimized || isMinimized()) return;
  const QSize area(cx, cy);
  if (area == m_HandledArea) return;  // our own fit, or nothing changed
  m_HandledArea = area;
  if (m_pSession) m_pSession->SizeToWindow(cx, cy);
}
