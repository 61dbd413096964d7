// What the session asks of its window: title, panes, timer, message boxes,
// cursor, scroll bar, drawing, font and size.
#include <QApplication>
#include <QCoreApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QMetaObject>
#include <QScreen>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QWindow>

#include "frame/FindBar.h"
#include "frame/MainFrame.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"
#include "view/PanArea.h"
#include "view/QtTerminalFont.h"
#include "view/TerminalView.h"

void CMainFrame::PostToUi(std::function<void()> task) {
  // Tasks wait in a queue of our own (its lock orders the worker's writes
  // before the user-interface thread's reads, where a race detector can see
  // it); one queued call with the frame as context runs them, so they are
  // dropped if the frame is gone by then.
  bool first = false;
  {
    std::lock_guard lock(m_PostedMutex);
    first = m_Posted.empty();
    m_Posted.push_back(std::move(task));
  }
  // By name: nothing of ours crosses the threads inside Qt's event.
  if (first) QMetaObject::invokeMethod(this, "RunPosted", Qt::QueuedConnection);
}

void CMainFrame::RunPosted() {
  std::deque<std::function<void()>> tasks;
  {
    std::lock_guard lock(m_PostedMutex);
    tasks.swap(m_Posted);
  }
  for (std::function<void()>& task : tasks) task();
}

void CMainFrame::SetTitle(const std::string& title) {
  // Qt reads "[*]" as the document-modified mark; "[*][*]" shows it literally,
  // so a description holding "[*]" keeps it.
  setWindowTitle(
      QString::fromStdString(title).replace(QStringLiteral("[*]"), QStringLiteral("[*][*]")));
}

void CMainFrame::SetPaneText(::Pane pane, const std::string& text) {
  if (pane < 0 || pane >= kStatusPaneCount) return;
  const auto index = static_cast<std::size_t>(pane);
  // Every frame writes the cursor pane and "Ready": mostly the text they
  // already have, which costs nothing then, not even on the way to the
  // screen. Only a prompt over the message pane still wants it written.
  if (text == m_PaneText[index] &&
      (pane != kPaneMessage || m_pStatusBar->currentMessage().isEmpty()))
    return;
  m_PaneText[index] = text;
  auto& paced = m_PacedPaneText[index];
  if (!m_pView->IsDrawing()) {
    paced.reset();  // a later text must not be replaced by an earlier paced one
    ShowPaneText(pane, text);
    return;
  }
  // Drawn with the screen: the label follows at the next frame, or at once
  // when a frame's time has passed since the last.
  paced = text;
  if (m_PaneFrameTimer.isActive()) return;
  const qint64 wait =
      m_pView->FrameWaitMs(m_PaneFrameClock.isValid() ? m_PaneFrameClock.elapsed() : 1 << 30);
  if (wait <= 0) {
    ShowPacedPaneTexts();
    return;
  }
  m_PaneFrameTimer.start(static_cast<int>(wait));
}

void CMainFrame::ShowPacedPaneTexts() {
  m_PaneFrameClock.start();
  for (std::size_t pane = 0; pane < m_PacedPaneText.size(); ++pane) {
    if (!m_PacedPaneText[pane]) continue;
    ShowPaneText(static_cast<int>(pane), *m_PacedPaneText[pane]);
    m_PacedPaneText[pane].reset();
  }
}

void CMainFrame::ShowPaneText(int pane, const std::string& text) {
  m_Panes[static_cast<std::size_t>(pane)]->setText(QString::fromStdString(text));
  // New text for the message area replaces a command prompt shown over it.
  if (pane == kPaneMessage) m_pStatusBar->clearMessage();
}

MessageAnswer CMainFrame::ShowMessage(const std::string& text, MessageKind kind) {
  if (m_Hooks.messageBox) return m_Hooks.messageBox(text, kind);
  QMessageBox box(this);
  box.setWindowTitle(QString::fromUtf8(kApplicationName));
  box.setText(QString::fromStdString(text));
  switch (kind) {
    case MessageKind::Plain:
      box.setIcon(QMessageBox::NoIcon);
      break;
    case MessageKind::Stop:
      box.setIcon(QMessageBox::Critical);
      break;
    case MessageKind::Information:
      box.setIcon(QMessageBox::Information);
      break;
    case MessageKind::Question:
      box.setIcon(QMessageBox::Question);
      box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
      box.setDefaultButton(QMessageBox::Yes);
      return box.exec() == QMessageBox::Yes ? MessageAnswer::Yes : MessageAnswer::No;
  }
  box.setStandardButtons(QMessageBox::Ok);
  box.exec();
  return MessageAnswer::Ok;
}

void CMainFrame::ShowNotice(const std::string& text, std::function<void()> closed) {
  if (m_Hooks.messageBox) {
    m_Hooks.messageBox(text, MessageKind::Information);
    closed();
    return;
  }
  auto* box = new QMessageBox(QMessageBox::Information, QString::fromUtf8(kApplicationName),
                              QString::fromStdString(text), QMessageBox::Ok, this);
  box->setWindowModality(Qt::NonModal);
  box->setAttribute(Qt::WA_ShowWithoutActivating);
  box->setAttribute(Qt::WA_DeleteOnClose);
  // OK, Escape, the close box, or the frame going away with it: `closed` runs
  // exactly once, since the box is deleted exactly once.
  connect(box, &QObject::destroyed, [closed = std::move(closed)] { closed(); });
  box->show();
}

void CMainFrame::Beep() { QApplication::beep(); }

void CMainFrame::StartTimer() {
  m_Timer.start();
  UpdateConnectionCommands();
}

void CMainFrame::StopTimer() {
  m_Timer.stop();
  UpdateConnectionCommands();
}

std::time_t CMainFrame::Now() { return m_Hooks.now ? m_Hooks.now() : std::time(nullptr); }

void CMainFrame::BeginWaitCursor() {
  if (m_nWaitCursorDepth++ == 0) QApplication::setOverrideCursor(Qt::WaitCursor);
}

void CMainFrame::EndWaitCursor() {
  if (m_nWaitCursorDepth > 0 && --m_nWaitCursorDepth == 0) QApplication::restoreOverrideCursor();
}

void CMainFrame::PostQuit() {
  if (m_Hooks.quit) {
    m_Hooks.quit();
    return;
  }
  // Posted like a quit message: it also works before the event loop runs.
  QMetaObject::invokeMethod(
      qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
}

void CMainFrame::SetScrollRange(int min, int max) {
  const QSignalBlocker quiet(m_pScrollBar);
  m_pScrollBar->setRange(min, max);
  m_pScrollBar->setPageStep(m_pSession ? std::max(1, m_pSession->Screen().Height()) : 1);
}

void CMainFrame::SetScrollPos(int pos) {
  const QSignalBlocker quiet(m_pScrollBar);
  m_pScrollBar->setValue(pos);
}

void CMainFrame::Invalidate() {
  // A full repaint always erases first; the view keeps its own image.
  m_pView->InvalidateAll();
}

DrawContext& CMainFrame::BeginClientDraw() { return m_pView->BeginDraw(); }

void CMainFrame::EndClientDraw() { m_pView->EndDraw(); }

bool CMainFrame::DrawChangesLater() {
  m_pView->SessionChanged();
  if (!m_pFindBar->isHidden() && !m_FindRecountTimer.isActive()) m_FindRecountTimer.start();
  return true;
}

bool CMainFrame::CreateTerminalFont(const FontDescription& wanted, int& cellWidth,
                                    int& cellHeight) {
  if (wanted.faceName.empty()) {
    m_pView->SetTerminalFont(QFont(), m_pView->CellSize());  // the default font until a new one
    return false;
  }
  // A size of 0 or less (a hand-edited profile) asks for the default size, as
  // a zero font height does on the desktop the program was first made for.
  FontDescription desc = wanted;
  if (desc.heightTenths <= 0) desc.heightTenths = keys::FontSize.def;
  const QFont font = ResolveTerminalFont(desc);
  const QSize cell = TerminalCellSize(font);
  if (cell.width() <= 0 || cell.height() <= 0) return false;
  m_pCodePage = &CodePage::ForFont(desc.faceName, desc.charSet);
  if (!m_pFindBar->isHidden()) m_FindTimer.start();  // the cells show other characters now
  m_pView->SetTerminalFont(font, cell);
  cellWidth = cell.width();
  cellHeight = cell.height();
  return true;
}

bool CMainFrame::FitClientArea(int width, int height) {
  const QSize target(std::max(width, 1), std::max(height, 1));
  // The window's own parts (scroll bar, menu bar, status bar) are computed the
  // way the main window lays them out, not measured: a visible window applies
  // a new size later, so measured sizes can be out of step with each other.
  ensurePolished();
  const int outerWidth = target.width() + m_pScrollBar->sizeHint().width();
  const int menuHeight = menuBar()->heightForWidth(outerWidth);
  QStatusBar* bar = statusBar();
  const int statusHeight =
      bar->hasHeightForWidth() ? bar->heightForWidth(outerWidth) : bar->sizeHint().height();
  QSize parts(outerWidth - target.width(), std::max(menuHeight, 0) + statusHeight);
  // A screen wider than the display is panned with a scroll bar under it,
  // which takes its height from what the display has for the rows.
  m_pPanArea->SetContentWidth(target.width());
  const bool wide = target.width() > LargestVisibleArea(parts).width();
  const int panBar = wide ? m_pPanArea->PanBarHeight() : 0;
  parts.rheight() += panBar;
  // The find bar adds its height to the window, never taking it from the screen.
  if (!m_pFindBar->isHidden()) parts.rheight() += m_pFindBar->sizeHint().height();
  // The window manager learns the cell as the window's size step over the
  // window's own parts (as xterm declares it), so a drag offers only sizes
  // of whole cells and never fights the fit.
  m_PendingBase = parts;
  // A screen larger than the display (a huge font) is shown in part: the
  // window, and with it every image drawn for it, stays within the display.
  const QSize shown = VisiblePart(target, LargestVisibleArea(parts), m_pView->CellSize());
  m_bShownInPart = shown != target;
  m_PendingWindowSize = shown + parts;
  // Our own fit is recognised by its size in ApplyUserSize, so no notification is
  // left for the session to swallow: the change is reported as handled here.
  m_HandledArea = shown + QSize(0, panBar);
  // A shown window takes the size once the current batch of received bytes
  // is done: a host flipping the size hundreds of times in one read costs
  // one window resize (and one new image), not hundreds.
  if (!isVisible()) {
    ApplyWindowFit();
  } else if (!m_bWindowFitPending) {
    m_bWindowFitPending = true;
    QMetaObject::invokeMethod(this, &CMainFrame::ApplyWindowFit, Qt::QueuedConnection);
  }
  return false;
}

void CMainFrame::ApplyWindowFit() {
  m_bWindowFitPending = false;
  if (!m_PendingWindowSize.isValid()) return;
  setBaseSize(m_PendingBase);
  setSizeIncrement(m_pView->CellSize());
  resize(m_PendingWindowSize);
  m_PendingWindowSize = QSize();
}

namespace {
// Along one axis: the whole area when it fits, else as many whole cells as
// fit (the window manager keeps to whole cells), and never less than one
// whole cell, so there is always a terminal to see.
int VisibleLength(int wanted, int limit, int cell) {
  if (wanted <= limit) return wanted;
  return std::max(limit / cell, 1) * cell;
}
}  // namespace

QSize CMainFrame::VisiblePart(QSize area, QSize limit, QSize cell) {
  return {VisibleLength(area.width(), limit.width(), std::max(cell.width(), 1)),
          VisibleLength(area.height(), limit.height(), std::max(cell.height(), 1))};
}

QSize CMainFrame::LargestVisibleArea(QSize parts) const {
  const QScreen* shownOn = screen();
  if (!shownOn) return QSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
  // The window manager's frame, known once the window is framed; until then
  // room is left for a usual one, so no window manager has to shrink the
  // window to fit it on the display (which would read as the user's resize).
  // Taken from the margins, not from the two rectangles: a position at the
  // ends of int (a hand-edited profile) would overflow their widths.
  const QWindow* handle = windowHandle();
  const QMargins margins = handle ? handle->frameMargins() : QMargins();
  QSize decoration(margins.left() + margins.right(), margins.top() + margins.bottom());
  if (decoration.isNull()) decoration = QSize(32, 64);
  return (shownOn->availableGeometry().size() - decoration - parts).expandedTo(QSize(1, 1));
}
