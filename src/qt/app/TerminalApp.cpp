#include "app/TerminalApp.h"

#include <QAction>
#include <QHostAddress>
#include <QMessageBox>
#include <QTcpSocket>
#include <cstdlib>

#include "dialogs/AboutDialog.h"
#include "frame/CommandIds.h"
#include "settings/IniProfile.h"
#include "settings/ProfilePath.h"

bool NetworkLayerAvailable() {
  const char* simulate = std::getenv(kSimulateNetworkFailureVariable);
  if (simulate && *simulate) return false;
  // Binding to any port makes the system create a real socket.
  QTcpSocket probe;
  return probe.bind(QHostAddress::Any, 0);
}

CTerminalApp::CTerminalApp(CommandLine commandLine, FrameHooks hooks)
    : m_CommandLine(std::move(commandLine)), m_Hooks(std::move(hooks)) {}

namespace {
// The longest the window waits for another process's lock on the settings
// file; a write that cannot have it by then is retried once a second.
constexpr std::chrono::milliseconds kWindowLockPatience{5};
constexpr int kPendingWriteRetryMs = 1000;
}  // namespace

CTerminalApp::~CTerminalApp() {
  m_PendingWriteTimer.stop();
  if (m_pStore) {  // nothing is told once the window is going
    m_pStore->SetOnWaitingForLock({});
    m_pStore->SetOnWriteFailure({});
  }
  m_pMainWnd.reset();  // the frame before the store it writes to
  m_pProfile.reset();  // writes what still waits for the lock, after at most 500 ms
}

bool CTerminalApp::InitInstance() {
  if (!NetworkLayerAvailable()) {
    const std::string text = "Windows sockets initialization failed.";
    if (m_Hooks.messageBox)
      m_Hooks.messageBox(text, MessageKind::Stop);
    else
      QMessageBox::critical(nullptr, QString::fromUtf8(kApplicationName),
                            QString::fromStdString(text));
    return false;
  }
  auto store = std::make_unique<IniProfile>(DefaultProfilePath());
  m_pStore = store.get();
  m_pProfile = std::move(store);
  m_pStore->SetLockPatience(kWindowLockPatience);
  m_PendingWriteTimer.setInterval(kPendingWriteRetryMs);
  QObject::connect(&m_PendingWriteTimer, &QTimer::timeout, [this] {
    m_pStore->RetryPendingWrites();
    if (!m_pStore->WaitingForLock()) m_PendingWriteTimer.stop();
  });
  // Both callbacks come with the store's mutex held: they only post.
  m_pStore->SetOnWaitingForLock([this] {
    QMetaObject::invokeMethod(
        &m_PendingWriteTimer, [this] { m_PendingWriteTimer.start(); }, Qt::QueuedConnection);
  });
  m_pStore->SetOnWriteFailure([this](const std::string& reason) {
    QMetaObject::invokeMethod(
        &m_PendingWriteTimer, [this, reason] { WarnSettingsCannotBeSaved(reason); },
        Qt::QueuedConnection);
  });
  // The start writes its keys (screen, font, colours) once, together.
  m_pStore->HoldWrites();
  m_pMainWnd = std::make_unique<CMainFrame>(*m_pProfile, m_CommandLine, m_Hooks);
  m_pStore->ReleaseWrites();
  QObject::connect(m_pMainWnd->Action(cmd::ID_APP_ABOUT), &QAction::triggered, m_pMainWnd.get(),
                   [this] { OnAppAbout(); });
  m_pMainWnd->show();
  return true;
}

void CTerminalApp::WarnSettingsCannotBeSaved(const std::string& reason) {
  // The settings in memory go on; the user learns, once, that they will not last.
  if (m_bWarnedSaveFailure || !m_pMainWnd) return;
  m_bWarnedSaveFailure = true;
  m_pMainWnd->ShowMessage("Settings cannot be saved: " + reason, MessageKind::Stop);
}

void CTerminalApp::OnAppAbout() {
  // Modal over the main window, discarded when closed.
  CAboutDlg about(m_pMainWnd.get());
  about.exec();
}
