// Construction of the main window: menu, accelerators, status bar, terminal
// area, and the session, in the order the start-up relies on.
#include "frame/MainFrame.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QKeySequence>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>

#include "frame/CommandIds.h"
#include "frame/FindBar.h"
#include "net/QtConnection.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"
#include "view/PanArea.h"
#include "view/TerminalView.h"

CMainFrame::CMainFrame(Profile& profile, const CommandLine& commandLine, FrameHooks hooks)
    : m_Profile(profile), m_Hooks(std::move(hooks)) {
  m_bSaveWinPosition = keys::SaveWinPosition.Read(m_Profile) != 0;

  // The window: its size always follows the terminal, so it has no maximise button.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                 Qt::WindowCloseButtonHint);
  if (m_bSaveWinPosition) {
    // A hand-edited position is kept far from the ends of int (yet beyond any
    // desk), so no rectangle of the window overflows; PlaceOnAvailableScreen
    // then brings it onto a screen.
    constexpr int kFarOff = 1 << 24;
    move(std::clamp(keys::WinPosX.Read(m_Profile), -kFarOff, kFarOff),
         std::clamp(keys::WinPosY.Read(m_Profile), -kFarOff, kFarOff));
  } else
    move(0, 0);

  // The terminal area with its scroll bar, and the find bar under them.
  auto* frameArea = new QWidget(this);
  auto* column = new QVBoxLayout(frameArea);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  auto* area = new QWidget(frameArea);
  auto* layout = new QHBoxLayout(area);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  m_pPanArea = new PanArea(area);
  m_pView = new TerminalView(*this, m_pPanArea);
  m_pPanArea->SetView(m_pView);
  m_pScrollBar = new QScrollBar(Qt::Vertical, area);
  m_pScrollBar->setFocusPolicy(Qt::NoFocus);
  layout->addWidget(m_pPanArea, 1);
  layout->addWidget(m_pScrollBar);
  m_pFindBar = new FindBar(frameArea);
  m_pFindBar->hide();
  column->addWidget(area, 1);
  column->addWidget(m_pFindBar);
  setCentralWidget(frameArea);
  connect(m_pScrollBar, &QScrollBar::actionTriggered, this, &CMainFrame::OnScrollBarAction);
  connect(m_pScrollBar, &QScrollBar::sliderReleased, this, [this] {
    OnVScroll(ScrollCode::ThumbPosition, m_pScrollBar->value());
    OnVScroll(ScrollCode::EndScroll, 0);
  });

  BuildMenu();
  BuildStatusBar();
  ConnectCommands();

  m_UserSizeTimer.setSingleShot(true);
  m_UserSizeTimer.setInterval(20);
  connect(&m_UserSizeTimer, &QTimer::timeout, this, &CMainFrame::ApplyUserSize);
  m_RefitTimer.setSingleShot(true);
  m_RefitTimer.setInterval(250);
  connect(&m_RefitTimer, &QTimer::timeout, this, &CMainFrame::RefitAfterUserResize);

  m_PaneFrameTimer.setSingleShot(true);
  m_PaneFrameTimer.setTimerType(Qt::PreciseTimer);
  connect(&m_PaneFrameTimer, &QTimer::timeout, this, &CMainFrame::ShowPacedPaneTexts);

  // Typing searches once the keys already typed are in, after the line edit
  // has shown them; new output is counted again at most ten times a second.
  m_FindTimer.setSingleShot(true);
  m_FindTimer.setInterval(0);
  connect(&m_FindTimer, &QTimer::timeout, this, &CMainFrame::RunFind);
  m_FindRecountTimer.setSingleShot(true);
  m_FindRecountTimer.setInterval(100);
  connect(&m_FindRecountTimer, &QTimer::timeout, this, [this] {
    if (m_pSession && !m_pFindBar->isHidden()) m_pSession->RefreshFind();
  });
  connect(m_pFindBar, &FindBar::QueryChanged, this, [this] { m_FindTimer.start(); });
  connect(m_pFindBar, &FindBar::Step, this, [this](bool forward) {
    if (m_FindTimer.isActive()) {
      m_FindTimer.stop();
      RunFind();
    }
    m_pSession->FindStep(forward);
  });
  connect(m_pFindBar, &FindBar::CloseAsked, this, &CMainFrame::CloseFindBar);

  m_Timer.setInterval(1000);
  connect(&m_Timer, &QTimer::timeout, this, &CMainFrame::OnTimer);

  m_pConnection = new QtConnection(this);
  m_pSession = std::make_unique<CTelnetSession>(*this, *m_pConnection, m_Profile);
  m_pConnection->SetEvents(m_pSession.get());
  m_pEarlyKeys = EarlyKeys::Install({this, [this] { return TakesEarlyKeys(); },
                                     [this](unsigned char character) { OnChar(character); }});

  m_RecentHosts.Load(m_Profile);
  RebuildRecentHostMenu();
  for (int k = 1; k <= keys::kMacroCount; ++k)
    m_strMacro[static_cast<std::size_t>(k - 1)] = keys::Macro.Read(m_Profile, k);
  m_bLocalEcho = keys::LocalEcho.Read(m_Profile) == 1;
  m_bApplicationMode = keys::ApplicationMode.Read(m_Profile) != 0;
  m_bBackspace = keys::Backspace.Read(m_Profile) != 0;

  m_pSession->Close();       // start disconnected: title, timer and time pane
  PlaceOnAvailableScreen();  // now that the session has fitted the window
  m_pView->setFocus();

  if (!commandLine.host.empty()) ConnectAndRemember(commandLine.host, commandLine.port, "");
}

CMainFrame::~CMainFrame() {
  // The session first: it closes the connection and the log while the window
  // it reports to still exists.
  m_Timer.stop();
  m_pConnection->SetEvents(nullptr);
  m_pSession.reset();
}

QAction* CMainFrame::Action(int id) const {
  const auto it = m_Actions.find(id);
  return it == m_Actions.end() ? nullptr : it->second;
}

QAction* CMainFrame::AddCommand(QMenu* menu, const char* text, const char* shortcut, int id,
                                const char* prompt) {
  auto* action = new QAction(QString::fromUtf8(text), this);
  if (shortcut) {
    const QKeySequence keys(QString::fromUtf8(shortcut));
    action->setShortcut(keys);
    action->setShortcutContext(Qt::WindowShortcut);
    if (keys.count() == 1) m_AcceleratorKeys.push_back(keys[0].toCombined());
  }
  action->setData(id);
  if (prompt) action->setStatusTip(QString::fromUtf8(prompt));
  if (menu)
    menu->addAction(action);
  else
    addAction(action);  // accelerator without a menu item
  m_Actions[id] = action;
  return action;
}

void CMainFrame::BuildMenu() {
  QMenu* current = nullptr;
  for (const MenuRow& row : MenuTable()) {
    switch (row.kind) {
      case MenuRow::Popup:
        current = menuBar()->addMenu(QString::fromUtf8(row.text));
        break;
      case MenuRow::Separator:
        current->addSeparator();
        break;
      case MenuRow::Item: {
        QAction* action = AddCommand(current, row.text, row.shortcut, row.id, row.prompt);
        action->setCheckable(row.checked != nullptr);
        if (const auto handler = row.handler)
          connect(action, &QAction::triggered, this, [this, handler] { (this->*handler)(); });
        break;
      }
    }
  }
  const QList<QAction*> popups = menuBar()->actions();
  // Escape closing a drop-down leaves Qt's menu bar holding the keyboard,
  // unseen: typed keys and the next Escape would be lost to the terminal.
  // Arrows between drop-downs open the next one before this runs.
  for (QAction* popup : popups)
    connect(popup->menu(), &QMenu::aboutToHide, this,
            [this] { QTimer::singleShot(0, this, &CMainFrame::ReturnKeysFromMenuBar); });
  m_pConnectionMenu = popups.at(0)->menu();
  m_pEditMenu = popups.at(1)->menu();
  m_pOptionsMenu = popups.at(2)->menu();
  // Held by the frame rather than a menu, so F10 never reaches the menu bar.
  for (const AcceleratorEntry& accel : kF10Accelerators) {
    QAction* action = AddCommand(nullptr, "", accel.keys, accel.id, nullptr);
    connect(action, &QAction::triggered, this, &CMainFrame::OnKeyF10);
  }
}

void CMainFrame::ReturnKeysFromMenuBar() {
  if (menuBar()->hasFocus() && !QApplication::activePopupWidget()) m_pView->setFocus();
}

void CMainFrame::ConnectCommands() {
  // The commands themselves were connected from the menu table; the recent-host
  // items are connected when the menu is rebuilt.
  connect(m_pConnectionMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateConnectionCommands);
  connect(m_pOptionsMenu, &QMenu::aboutToShow, this, &CMainFrame::UpdateOptionChecks);
  WireEditCommands();  // Copy and Paste enabling (FrameCommandsEdit.cpp)
}

void CMainFrame::OnScrollBarAction(int action) {
  // The scroll bar's own step is undone by the position the session sets.
  switch (action) {
    case QAbstractSlider::SliderSingleStepSub:
      OnVScroll(ScrollCode::LineUp, 0);
      break;
    case QAbstractSlider::SliderSingleStepAdd:
      OnVScroll(ScrollCode::LineDown, 0);
      break;
    case QAbstractSlider::SliderPageStepSub:
      OnVScroll(ScrollCode::PageUp, 0);
      break;
    case QAbstractSlider::SliderPageStepAdd:
      OnVScroll(ScrollCode::PageDown, 0);
      break;
    case QAbstractSlider::SliderToMinimum:
      OnVScroll(ScrollCode::Top, 0);
      break;
    case QAbstractSlider::SliderToMaximum:
      OnVScroll(ScrollCode::Bottom, 0);
      break;
    case QAbstractSlider::SliderMove:
      OnVScroll(ScrollCode::ThumbTrack, m_pScrollBar->sliderPosition());
      return;  // the end of a drag comes with sliderReleased
    default:
      return;
  }
  OnVScroll(ScrollCode::EndScroll, 0);
}

void CMainFrame::OnVScroll(ScrollCode code, int position) {
  if (m_pSession) m_pSession->ScrollView(code, position);
}

void CMainFrame::OnMouseWheel(int delta) {
  if (m_pSession) m_pSession->MouseWheel(delta);
}

void CMainFrame::OnCommittedText(const QString& text) {
  // Character by character, as typed keys go.
  TypeText(text);
}
