// Closing the window (close box, system menu, Alt+F4, Exit) and the window
// position it saves; placing the window on a screen at start; minimising, an
// imposed maximised state, and the size notifications that go with them.
#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QTimer>
#include <QWindow>
#include <algorithm>
#include <climits>

#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"
#include "view/PanArea.h"
#include "view/TerminalView.h"

namespace {
// States a window manager may impose that the window's size cannot follow.
constexpr Qt::WindowStates kImposed = Qt::WindowMaximized | Qt::WindowFullScreen;
// How long after an imposed state its sizes may still come from a busy
// window manager; none of them is the user's.
constexpr qint64 kImposedSettleMs = 1000;
}  // namespace

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
  // The window's size follows the screen, so it is never maximised (nor full
  // screen); a window manager that does it anyway is asked to undo it.
  if (windowState() & kImposed) {
    m_SinceImposedState.start();
    QTimer::singleShot(0, this, [this] {
      setWindowState(windowState() & ~kImposed);
      m_RefitTimer.start();
    });
    return;
  }
  // Coming back from the minimised state changes nothing on the screen.
  m_bMinimized = isMinimized();
  if (!m_bMinimized) m_HandledArea = m_pPanArea->size();
}

void CMainFrame::OnSize(int /*cx*/, int /*cy*/) {
  if (m_bMinimized || isMinimized()) return;
  // Acted on once the window manager's events for this size are all in: a
  // maximised state it imposes arrives just after the size it gives.
  m_UserSizeTimer.start();
}

void CMainFrame::ApplyUserSize() {
  if (m_bMinimized || isMinimized() || !m_pSession) return;
  // The size of an imposed maximised state is not the user's: it is undone.
  if (windowState() & kImposed) return;
  // Qt reports the normal state as soon as it asks for it, while the window
  // manager's maximised size may still be on its way: the window is fitted
  // again instead.
  if (m_SinceImposedState.isValid() && m_SinceImposedState.elapsed() < kImposedSettleMs) {
    m_RefitTimer.start();
    return;
  }
  // While the window grows or shrinks by the find bar, the area may briefly
  // have the bar's height more or less: the window is fitted again instead.
  if (m_SinceFindBarToggled.isValid() && m_SinceFindBarToggled.elapsed() < kImposedSettleMs) {
    m_RefitTimer.start();
    return;
  }
  // A fit still on its way brings a size of its own, and this one is stale.
  if (m_bWindowFitPending) return;
  // The whole terminal area, the pan bar included: the bar never takes a
  // row from the size asked for.
  const QSize area = m_pPanArea->size();
  if (area == m_HandledArea) return;  // our own fit, or nothing changed
  m_HandledArea = area;
  // A size the session cannot apply now (the host has not agreed to size
  // changes) is dropped, and the window keeps the size the user gave it.
  const bool applies = m_pSession->SizeChangesApply();
  m_pSession->SizeToWindow(area.width(), area.height());
  // A window manager's drag may end between cells or ignore a fit asked for
  // while it held the window: once the sizes stop coming, fit once more.
  if (applies) m_RefitTimer.start();
}

void CMainFrame::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  // The window manager's frame is known only once the window is shown (or
  // framed, a little later): a screen shown in part is fitted to it again.
  QTimer::singleShot(0, this, &CMainFrame::RefitShownPart);
  QTimer::singleShot(m_RefitTimer.interval(), this, &CMainFrame::RefitShownPart);
}

void CMainFrame::RefitShownPart() {
  if (m_bShownInPart) RefitAfterUserResize();
}

void CMainFrame::RefitAfterUserResize() {
  // A fit to the size the window has already is no change at all.
  if (m_pSession && !m_bMinimized && !isMinimized()) m_pSession->FitWindow();
}

namespace {
// How far a point lies outside a rectangle (0 inside), in pixels along each axis.
long long DistanceTo(const QRect& area, const QPoint& p) {
  const auto axis = [](long long v, long long low, long long high) {
    return v < low ? low - v : (v > high ? v - high : 0);
  };
  return axis(p.x(), area.left(), area.right()) + axis(p.y(), area.top(), area.bottom());
}
}  // namespace

void CMainFrame::PlaceOnAvailableScreen() {
  // A stored position may lie off every screen (edited by hand, or saved on
  // a larger desk): the window then goes to the nearest screen, far enough in
  // that its title bar and menu bar can be reached.
  const QPoint at = pos();
  const QWindow* handle = windowHandle();
  const QMargins margins = handle ? handle->frameMargins() : QMargins();
  const QSize outer = size().grownBy(margins);
  // The top-left piece of the window that must show: title and menu bars.
  const QRect reachable(at, QSize(std::min(outer.width(), 64), std::min(outer.height(), 48)));
  const QScreen* nearest = nullptr;
  long long best = LLONG_MAX;
  for (const QScreen* screen : QGuiApplication::screens()) {
    const QRect area = screen->availableGeometry();
    if (area.contains(reachable)) return;
    const long long d = DistanceTo(area, at);
    if (d < best) {
      best = d;
      nearest = screen;
    }
  }
  if (!nearest) return;
  const QRect area = nearest->availableGeometry();
  const int x =
      std::clamp(at.x(), area.left(), std::max(area.left(), area.right() + 1 - outer.width()));
  const int y =
      std::clamp(at.y(), area.top(), std::max(area.top(), area.bottom() + 1 - outer.height()));
  move(x, y);
}
