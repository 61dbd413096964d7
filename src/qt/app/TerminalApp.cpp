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

CTerminalApp::~CTerminalApp() {
  m_pMainWnd.reset();  // the frame before the store it writes to
  m_pProfile.reset();
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
  m_pProfile = std::make_unique<IniProfile>(DefaultProfilePath());
  m_pMainWnd = std::make_unique<CMainFrame>(*m_pProfile, m_CommandLine, m_Hooks);
  QObject::connect(m_pMainWnd->Action(cmd::ID_APP_ABOUT), &QAction::triggered, m_pMainWnd.get(),
                   [this] { OnAppAbout(); });
  m_pMainWnd->show();
  return true;
}

void CTerminalApp::OnAppAbout() {
  // Modal over the main window, discarded when closed.
  CAboutDlg about(m_pMainWnd.get());
  about.exec();
}
