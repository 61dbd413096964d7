// The menu bar as a table: one row per drop-down, separator or command, with
// everything BuildMenu needs to make, connect and check-mark it. A new command
// is one row here (its id goes in CommandIds.h, its handler in the
// FrameCommands*.cpp of its menu).
#include "frame/CommandIds.h"
#include "frame/MainFrame.h"

std::span<const CMainFrame::MenuRow> CMainFrame::MenuTable() {
  using F = CMainFrame;
  constexpr auto Popup = [](const char* text) { return MenuRow{MenuRow::Popup, text}; };
  constexpr MenuRow separator{MenuRow::Separator, nullptr};
  // Texts exactly as shown, with their & mnemonics; a shortcut is shown beside
  // its item and works while the window has the keyboard.
  static constexpr MenuRow kRows[] = {
      Popup("&Connection"),
      {MenuRow::Item, "&Open...", cmd::ID_FILE_OPEN, "Open a new connection", "Alt+Home",
       &F::OnFileOpen},
      {MenuRow::Item, "&Close", cmd::ID_FILE_CLOSE, "Close the current connection", "Alt+End",
       &F::OnFileClose},
      separator,
      {MenuRow::Item, "E&xit", cmd::ID_APP_EXIT, "Quit the application", "Alt+F4", &F::OnAppExit},
      // The recent hosts: replaced and connected by RebuildRecentHostMenu.
      separator,
      {MenuRow::Item, "&1", cmd::ID_RECENT_HOST_1},
      {MenuRow::Item, "&2", cmd::ID_RECENT_HOST_2},
      {MenuRow::Item, "&3", cmd::ID_RECENT_HOST_3},
      {MenuRow::Item, "&4", cmd::ID_RECENT_HOST_4},

      Popup("&Edit"),
      {MenuRow::Item, "&Copy", cmd::ID_EDIT_COPY, "Copies the selection to the Clipboard",
       "Ctrl+Ins", &F::OnEditCopy},
      {MenuRow::Item, "&Paste", cmd::ID_EDIT_PASTE, "Inserts the Clipboard contents", "Shift+Ins",
       &F::OnEditPaste},
      separator,
      {MenuRow::Item, "C&opy Buffer", cmd::ID_EDIT_COPY_BUFFER,
       "Copies the entire buffer to the Clipboard", "Alt+Ins", &F::OnEditCopyBuffer},
      {MenuRow::Item, "C&lear Buffer", cmd::ID_EDIT_CLEAR_BUFFER,
       "Clear screen and scroll back buffer", "Alt+Del", &F::OnEditClearBuffer},
      separator,
      {MenuRow::Item, "&Find...", cmd::ID_EDIT_FIND, "Find text in the scroll back buffer",
       "Ctrl+Shift+F", &F::OnEditFind},

      Popup("&Options"),
      {MenuRow::Item, "Auto &close", cmd::ID_OPTIONS_AUTO_CLOSE,
       "Automatically close window when connection closes", nullptr, &F::OnOptionsAutoClose,
       &F::AutoCloseChecked},
      {MenuRow::Item, "&Disconnection notify", cmd::ID_OPTIONS_DISCONNECT_NOTIFY,
       "Display notification message when remote host closes connection", nullptr,
       &F::OnOptionsDisconnectNotify, &F::DisconnectNotifyChecked},
      {MenuRow::Item, "Save window &position", cmd::ID_OPTIONS_SAVE_WINDOW_POSITION,
       "Save window position", nullptr, &F::OnOptionsSaveWindowPosition, &F::SaveWinPosition},
      {MenuRow::Item, "Window size &warning", cmd::ID_OPTIONS_WINDOW_SIZE_WARNING,
       "Display warning message if server refuses to negotiate window size", nullptr,
       &F::OnOptionsWindowSizeWarning, &F::WinSizeWarningChecked},
      separator,
      {MenuRow::Item, "&Background color...", cmd::ID_OPTIONS_BACKGROUND_COLOR,
       "Change default background color", "Alt+B", &F::OnOptionsBackgroundColor},
      {MenuRow::Item, "&Font...", cmd::ID_OPTIONS_FONT, "Change font", "Alt+F", &F::OnOptionsFont},
      {MenuRow::Item, "&Log...", cmd::ID_OPTIONS_LOG, "Start and stop logging", "Alt+L",
       &F::OnOptionsLog},
      {MenuRow::Item, "&Macro...", cmd::ID_OPTIONS_MACRO, "Modify macro keys", "Alt+M",
       &F::OnOptionsMacro},
      {MenuRow::Item, "Terminal properties...", cmd::ID_OPTIONS_TERMINAL,
       "Change terminal properties", "Alt+T", &F::OnTerminalProperties},

      // About is connected by the application, which owns the About box.
      Popup("&Help"),
      {MenuRow::Item, "&About", cmd::ID_APP_ABOUT, "About Corvane"},
  };
  return kRows;
}
