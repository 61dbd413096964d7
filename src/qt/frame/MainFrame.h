#pragma once
// The program's one window: menu, accelerators, status bar, the terminal area
// with its scroll bar, and the one telnet session it owns. It is also the
// session's host: title, panes, timer, message boxes, drawing and sizing all
// go through it.
//
// The frame's code is spread by concern: MainFrame.cpp (construction, menu,
// status bar in StatusPanes.cpp), MenuTable.cpp (every menu command's row),
// FrameHost.cpp (what the session asks of its window), the FrameCommands*.cpp
// of each menu, FrameClose.cpp (closing and the window position),
// FrameKeys.cpp, and TerminalView.cpp (the terminal area widget).
#include <QElapsedTimer>
#include <QMainWindow>
#include <QTimer>
#include <array>
#include <ctime>
#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cmdline/CommandLine.h"
#include "frame/QtKeyMapping.h"
#include "platform/SessionHost.h"
#include "settings/Profile.h"
#include "settings/RecentHostList.h"
#include "terminal/ScrollCode.h"
#include "text/CodePage.h"
#include "view/TerminalViewOwner.h"
#include "x11/EarlyKeys.h"

class CTelnetSession;
struct LogChoice;
class QtConnection;
class TerminalView;
class QAction;
class QLabel;
class QMenu;
class QScrollBar;
class PanArea;
class QStatusBar;
class QKeyEvent;
class QDialog;
class FindBar;

// What the frame does to the world outside the window, replaceable by tests.
struct FrameHooks {
  // Every message box of the program; by default a modal QMessageBox.
  ShowMessageFn messageBox;
  // Ends the program's event loop; by default a queued QCoreApplication::exit(0).
  std::function<void()> quit;
  // Calendar time in seconds; by default std::time.
  std::function<std::time_t()> now;
  // --- Modal dialogs of the frame (log file, terminal properties) ---------
  // Runs one and returns its result; by default QDialog::exec. Tests answer
  // the dialogs here.
  std::function<int(QDialog& dialog)> runDialog;
};

inline constexpr const char* kApplicationName = "Corvane";
inline constexpr int kStatusPaneCount = 8;

class CMainFrame : public QMainWindow, public SessionHost, public TerminalViewOwner {
  Q_OBJECT

 public:
  // Builds the window and the session in the start-up order, then connects
  // when the command line names a host. The window is not shown yet.
  CMainFrame(Profile& profile, const CommandLine& commandLine, FrameHooks hooks = {});
  ~CMainFrame() override;

  CTelnetSession* Session() const override { return m_pSession.get(); }
  Profile& profile() { return m_Profile; }
  QAction* Action(int id) const;  // menu and accelerator actions by command id
  QMenu* ConnectionMenu() const { return m_pConnectionMenu; }
  QLabel* Pane(int index) const { return m_Panes.at(static_cast<std::size_t>(index)); }
  TerminalView* View() const { return m_pView; }
  QScrollBar* ScrollBar() const { return m_pScrollBar; }
  PanArea* TerminalArea() const { return m_pPanArea; }
  QtConnection& connection() { return *m_pConnection; }
  const RecentHostList& RecentHosts() const { return m_RecentHosts; }
  bool SaveWinPosition() const { return m_bSaveWinPosition; }
  const CodePage& TerminalCodePage() const override { return *m_pCodePage; }

  // --- Connection commands (FrameCommandsConnection.cpp) --------------------
  void ConnectAndRemember(const std::string& host, unsigned port, const std::string& description);
  void RebuildRecentHostMenu();
  void OnFileOpen();
  void OnFileClose();
  void OnAppExit();
  void OnRecentHost(int slot);
  void OnTimer();
  // Open only while disconnected, Close only while connected.
  void UpdateConnectionCommands();

  // --- Option toggles (FrameCommandsOptions.cpp) ----------------------------
  void OnOptionsAutoClose();
  void OnOptionsDisconnectNotify();
  void OnOptionsSaveWindowPosition();
  void OnOptionsWindowSizeWarning();
  void UpdateOptionChecks();
  void OnOptionsBackgroundColor();
  void OnOptionsFont();
  void OnOptionsLog();
  void OnOptionsMacro();
  void OnTerminalProperties();

  // --- Edit commands (FrameCommandsEdit.cpp) --------------------------------
  void OnEditCopy();
  void OnEditPaste();
  void OnEditCopyBuffer();
  void OnEditClearBuffer();
  // Opens the find bar under the terminal (or gives it the keyboard again).
  void OnEditFind();
  FindBar* FindBarWidget() const { return m_pFindBar; }

  // --- Selection, clipboard, log, terminal properties -----------------------
  // Mouse on the terminal area (FrameCommandsEdit.cpp); points in its pixels.
  void OnLButtonDown(const QPoint& point) override;
  void OnMouseMove(Qt::MouseButtons buttons, const QPoint& point) override;
  void OnRButtonDown() override;
  void OnMButtonDown() override;
  // When the left button is released: where the desktop has a primary
  // selection (X11, some Wayland), the selected text is offered there too.
  void OnLButtonUp() override;
  // Puts single-byte text on the clipboard through the terminal's code page;
  // empty text leaves the clipboard as it is.
  void CopyToClipboard(const std::string& text);
  // Copy is enabled exactly when there is selected text; Paste exactly when
  // the live view is shown, the clipboard holds text and a connection is open.
  void OnUpdateEditCopy();
  void OnUpdateEditPaste();
  bool CanPaste() const;
  // Keeps Copy and Paste enabled right for the Edit menu and their shortcuts.
  void WireEditCommands();
  // Runs a modal dialog through FrameHooks::runDialog (FrameCommandsLog.cpp).
  int RunDialog(QDialog& dialog);
  // The log file dialog; nothing when cancelled (FrameCommandsLog.cpp).
  std::optional<LogChoice> ChooseLogFile();
  QPoint m_ptSelAnchor;  // where the left button last went down

  // --- Keys (FrameKeys.cpp) -------------------------------------------------
  // Key presses and releases of the terminal area.
  void OnTerminalKey(QKeyEvent& event, bool pressed) override;
  // A key by its Win32 virtual-key code; the F10 accelerators arrive here.
  virtual void OnKeyDown(unsigned virtualKey, unsigned repeatCount, unsigned flags);
  void OnKeyF10();
  // Text committed by an input method or a dead key: typed characters, one
  // send each (MainFrame.cpp).
  void OnCommittedText(const QString& text) override;
  // --- Keys and macros: additions (FrameKeys.cpp, FrameCommandsOptions.cpp)
  // The twelve macro texts of App+F1 .. App+F12 as typed (UTF-8).
  const std::array<std::string, 12>& Macros() const { return m_strMacro; }

  // --- Terminal area (called by TerminalView) --------------------------------
  // The terminal area's new size: acted on shortly after (ApplyUserSize)
  // unless minimised, maximised or the size of our own fit.
  void OnSize(int cx, int cy) override;
  void OnVScroll(ScrollCode code, int position);
  void OnMouseWheel(int delta) override;

  // --- SessionHost (FrameHost.cpp) ------------------------------------------
  void PostToUi(std::function<void()> task) override;
  void SetTitle(const std::string& title) override;
  void SetPaneText(::Pane pane, const std::string& text) override;
  // The one way every message box is shown.
  MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override;
  // Non-modal and shown without activation: keys go on reaching the host.
  void ShowNotice(const std::string& text, std::function<void()> closed) override;
  void Beep() override;
  std::FILE* OpenLogFile(const std::string& path) override;
  void StartTimer() override;
  void StopTimer() override;
  std::time_t Now() override;
  void BeginWaitCursor() override;
  void EndWaitCursor() override;
  void PostQuit() override;
  void SetScrollRange(int min, int max) override;
  void SetScrollPos(int pos) override;
  void Invalidate() override;
  DrawContext& BeginClientDraw() override;
  void EndClientDraw() override;
  bool DrawChangesLater() override;
  bool CreateTerminalFont(const FontDescription& desc, int& cellWidth, int& cellHeight) override;
  bool FitClientArea(int width, int height) override;
  void FindChanged() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  Q_INVOKABLE void RunPosted();  // the tasks PostToUi queued, on the user-interface thread
  void BuildMenu();
  // The keyboard back to the terminal once no drop-down is open, if the menu
  // bar kept it.
  void ReturnKeysFromMenuBar();
  void BuildStatusBar();
  // One row of the menu bar: a drop-down's title, a separator, or a command
  // with everything needed to build, run and check-mark it.
  struct MenuRow {
    enum Kind { Popup, Item, Separator } kind;
    const char* text;                               // as shown, with its & mnemonic
    int id = 0;                                     // cmd::ID_...
    const char* prompt = nullptr;                   // status-bar text while the item is highlighted
    const char* shortcut = nullptr;                 // shown beside the item; QKeySequence's text
    void (CMainFrame::*handler)() = nullptr;        // none: connected elsewhere
    bool (CMainFrame::*checked)() const = nullptr;  // a check-mark item: whether it is on
  };
  static std::span<const MenuRow> MenuTable();  // MenuTable.cpp
  // The check marks of the Options toggles (FrameCommandsOptions.cpp).
  bool AutoCloseChecked() const;
  bool DisconnectNotifyChecked() const;
  bool WinSizeWarningChecked() const;
  // A command's action; without a menu it is an accelerator of the window.
  QAction* AddCommand(QMenu* menu, const char* text, const char* shortcut, int id,
                      const char* prompt);
  void ConnectCommands();
  void OnScrollBarAction(int action);

  Profile& m_Profile;
  FrameHooks m_Hooks;
  std::mutex m_PostedMutex;  // guards m_Posted (the line-check worker posts)
  std::deque<std::function<void()>> m_Posted;
  bool m_bSaveWinPosition = true;
  QStatusBar* m_pStatusBar = nullptr;
  std::array<QLabel*, kStatusPaneCount> m_Panes{};
  std::map<int, QAction*> m_Actions;
  // Every command's accelerator as one combined key, looked up for each key
  // typed (walking the actions costs more than the rest of a keystroke).
  std::vector<int> m_AcceleratorKeys;
  QMenu* m_pConnectionMenu = nullptr;
  QMenu* m_pEditMenu = nullptr;
  QMenu* m_pOptionsMenu = nullptr;
  TerminalView* m_pView = nullptr;
  QScrollBar* m_pScrollBar = nullptr;
  // Holds the view; pans it with a scroll bar while the screen is wider.
  PanArea* m_pPanArea = nullptr;
  QTimer m_Timer;
  const CodePage* m_pCodePage = &CodePage::Cp437();
  RecentHostList m_RecentHosts;
  std::array<std::string, 12> m_strMacro;
  bool m_bLocalEcho = false;
  bool m_bApplicationMode = true;
  bool m_bBackspace = true;
  bool m_bMinimized = false;
  QSize m_HandledArea;     // terminal area size last acted on (or set by our own fit)
  QTimer m_UserSizeTimer;  // acts on a size the user gave, once its events are in
  QTimer m_RefitTimer;     // fits the window again once a user's resizing has settled
  // Since an imposed maximised state was last undone: the window manager's
  // sizes for it may still arrive after Qt already reports the normal state.
  QElapsedTimer m_SinceImposedState;
  void ApplyUserSize();
  // Moves a window whose position lies off every screen onto the nearest one.
  void PlaceOnAvailableScreen();
  // The largest terminal area whose window, with these parts of its own,
  // fits on the screen the window is on.
  QSize LargestVisibleArea(QSize parts) const;
  // What the window shows of a terminal area larger than the limit.
  static QSize VisiblePart(QSize area, QSize limit, QSize cell);
  void RefitAfterUserResize();
  void RefitShownPart();        // fits again a screen larger than the display
  bool m_bShownInPart = false;  // the last fit found the screen larger than the display
  // The window size (and size-step base) the last fit asked for, applied by
  // ApplyWindowFit once control is back in the event loop.
  void ApplyWindowFit();
  QSize m_PendingWindowSize;
  QSize m_PendingBase;
  bool m_bWindowFitPending = false;
  int m_nWaitCursorDepth = 0;
  // --- Find (FrameCommandsEdit.cpp) -------------------------------------------
  FindBar* m_pFindBar = nullptr;
  QTimer m_FindTimer;         // runs the search once the keys typed so far are in
  QTimer m_FindRecountTimer;  // counts again a little after new output
  // Since the bar was shown or hidden: the terminal area's sizes until the
  // window has grown or shrunk by the bar are not the user's.
  QElapsedTimer m_SinceFindBarToggled;
  void RunFind();
  void CloseFindBar();
  // The connection outlives the session, which uses it until its destructor.
  QtConnection* m_pConnection = nullptr;
  std::unique_ptr<CTelnetSession> m_pSession;

  // --- Keys and macros (FrameKeys.cpp, FrameCommandsOptions.cpp) ------------
  // A typed character code: sent, then echoed when local echo is on.
  void OnChar(unsigned char character);
  // Typed text: through the code page, or to a UTF-8 host as UTF-8 (its
  // ASCII as typed characters, the rest echoed as the page's cells).
  void TypeText(const QString& text);
  // Alt combinations; false when the key is left to the window system.
  bool OnSysKeyDown(int virtualKey);
  void KeyDown(int virtualKey, const KeyModifiers& mods);
  // A key that belongs to an accelerator, even while its command is disabled.
  bool IsAcceleratorKey(const QKeyEvent& event) const;
  void SendKeyBytes(const std::string& bytes);
  AppsKeyState m_AppsKey;
  // Typed letters sent from the X11 key event, in place of Qt (EarlyKeys.cpp).
  std::unique_ptr<EarlyKeys> m_pEarlyKeys;
  bool TakesEarlyKeys() const;

  // --- Status texts written while drawing (FrameHost.cpp) -------------------
  // Drawing writes panes 0 and 1 after every received block; their labels
  // follow at most once per display frame, the first change at once.
  void ShowPaneText(int pane, const std::string& text);
  void ShowPacedPaneTexts();
  std::array<std::string, kStatusPaneCount> m_PaneText;  // shown or paced, the latest
  std::array<std::optional<std::string>, kStatusPaneCount> m_PacedPaneText;
  QElapsedTimer m_PaneFrameClock;  // since paced texts were last shown
  QTimer m_PaneFrameTimer;         // shows the paced texts a frame after the last
};
