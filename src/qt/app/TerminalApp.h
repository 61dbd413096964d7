#pragma once
// The application object: brings up the network layer, the settings store and
// the main window, in that order.
#include <QTimer>
#include <memory>

#include "cmdline/CommandLine.h"
#include "frame/MainFrame.h"
#include "settings/IniProfile.h"
#include "settings/Profile.h"

// Set (to anything non-empty) to make the network layer fail to start, so the
// start-up failure can be seen and tested.
inline constexpr const char* kSimulateNetworkFailureVariable = "CORVANE_SIMULATE_NETWORK_FAILURE";

// The network layer can start when the system gives us a TCP socket.
bool NetworkLayerAvailable();

class CTerminalApp {
 public:
  explicit CTerminalApp(CommandLine commandLine, FrameHooks hooks = {});
  ~CTerminalApp();
  CTerminalApp(const CTerminalApp&) = delete;
  CTerminalApp& operator=(const CTerminalApp&) = delete;

  // The start-up sequence; false ends the program at once (nothing was shown
  // but the failure message, and no setting was read).
  bool InitInstance();
  void OnAppAbout();

  CMainFrame* MainFrame() const { return m_pMainWnd.get(); }
  Profile* profile() const { return m_pProfile.get(); }

 private:
  CommandLine m_CommandLine;
  FrameHooks m_Hooks;
  void WarnSettingsCannotBeSaved(const std::string& reason);

  std::unique_ptr<Profile> m_pProfile;  // outlives the frame, which writes to it
  IniProfile* m_pStore = nullptr;       // m_pProfile, as the INI store it is
  // Retries writes that wait for another process's lock; runs only while one does.
  QTimer m_PendingWriteTimer;
  bool m_bWarnedSaveFailure = false;  // the warning is shown once per run
  std::unique_ptr<CMainFrame> m_pMainWnd;
};
