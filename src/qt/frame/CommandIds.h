#pragma once
// Command identifiers of the menu and the accelerators, the status-bar
// indicator ids, and the menu itself as a table (texts exactly as shown; the
// part after '\t' is the key hint, which becomes the action's shortcut).
#include <array>

namespace cmd {
inline constexpr int ID_RECENT_HOST_1 = 101;
inline constexpr int ID_RECENT_HOST_2 = 102;
inline constexpr int ID_RECENT_HOST_3 = 103;
inline constexpr int ID_RECENT_HOST_4 = 104;
inline constexpr int ID_EDIT_COPY_BUFFER = 105;
inline constexpr int ID_EDIT_CLEAR_BUFFER = 106;
inline constexpr int ID_OPTIONS_AUTO_CLOSE = 107;
inline constexpr int ID_OPTIONS_DISCONNECT_NOTIFY = 108;
inline constexpr int ID_OPTIONS_SAVE_WINDOW_POSITION = 109;
inline constexpr int ID_OPTIONS_WINDOW_SIZE_WARNING = 110;
inline constexpr int ID_OPTIONS_BACKGROUND_COLOR = 111;
inline constexpr int ID_OPTIONS_FONT = 112;
inline constexpr int ID_OPTIONS_LOG = 113;
inline constexpr int ID_OPTIONS_MACRO = 300;
inline constexpr int ID_OPTIONS_TERMINAL = 400;
inline constexpr int ID_KEY_F10 = 1000;
inline constexpr int ID_KEY_SHIFT_F10 = 1001;
inline constexpr int ID_KEY_CTRL_F10 = 1002;
inline constexpr int ID_KEY_CTRL_SHIFT_F10 = 1003;
inline constexpr int ID_FILE_OPEN = 57601;
inline constexpr int ID_FILE_CLOSE = 57602;
inline constexpr int ID_EDIT_COPY = 57634;
inline constexpr int ID_EDIT_PASTE = 57637;
inline constexpr int ID_APP_ABOUT = 57664;
inline constexpr int ID_APP_EXIT = 57665;

inline constexpr int ID_INDICATOR_CURSOR = 59133;
inline constexpr int ID_INDICATOR_TIME = 59134;
inline constexpr int ID_INDICATOR_SIZE = 59135;
inline constexpr int ID_INDICATOR_LOG = 59136;
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

inline constexpr int kRecentHostMenuItems = 4;
}  // namespace cmd

// One entry of the menu bar: a pop-up title (nullptr text), an item, or a
// separator (id 0, text nullptr) inside the current pop-up.
struct MenuEntry {
  enum Kind { Popup, Item, Separator } kind;
  const char* text;
  int id;
  const char* prompt;  // status-bar text while the item is highlighted
};

inline constexpr std::array kMenu = {
    MenuEntry{MenuEntry::Popup, "&Connection", 0, nullptr},
    MenuEntry{MenuEntry::Item, "&Open...\tAlt+Home", cmd::ID_FILE_OPEN, "Open a new connection"},
    MenuEntry{MenuEntry::Item, "&Close\tAlt+End", cmd::ID_FILE_CLOSE,
              "Close the current connection"},
    MenuEntry{MenuEntry::Separator, nullptr, 0, nullptr},
    MenuEntry{MenuEntry::Item, "E&xit\tAlt+F4", cmd::ID_APP_EXIT, "Quit the application"},
    MenuEntry{MenuEntry::Separator, nullptr, 0, nullptr},
    MenuEntry{MenuEntry::Item, "&1", cmd::ID_RECENT_HOST_1, nullptr},
    MenuEntry{MenuEntry::Item, "&2", cmd::ID_RECENT_HOST_2, nullptr},
    MenuEntry{MenuEntry::Item, "&3", cmd::ID_RECENT_HOST_3, nullptr},
    MenuEntry{MenuEntry::Item, "&4", cmd::ID_RECENT_HOST_4, nullptr},
    MenuEntry{MenuEntry::Popup, "&Edit", 0, nullptr},
    MenuEntry{MenuEntry::Item, "&Copy\tCtrl+Ins", cmd::ID_EDIT_COPY,
              "Copies the selection to the Clipboard"},
    MenuEntry{MenuEntry::Item, "&Paste\tShift+Ins", cmd::ID_EDIT_PASTE,
              "Inserts the Clipboard contents"},
    MenuEntry{MenuEntry::Separator, nullptr, 0, nullptr},
    MenuEntry{MenuEntry::Item, "C&opy Buffer\tAlt+Ins", cmd::ID_EDIT_COPY_BUFFER,
              "Copies the entire buffer to the Clipboard"},
    MenuEntry{MenuEntry::Item, "C&lear Buffer\tAlt+Del", cmd::ID_EDIT_CLEAR_BUFFER,
              "Clear screen and scroll back buffer"},
    MenuEntry{MenuEntry::Popup, "&Options", 0, nullptr},
    MenuEntry{MenuEntry::Item, "Auto &close", cmd::ID_OPTIONS_AUTO_CLOSE,
              "Automatically close window when connection closes"},
    MenuEntry{MenuEntry::Item, "&Disconnection notify", cmd::ID_OPTIONS_DISCONNECT_NOTIFY,
              "Display notification message when remote host closes connection"},
    MenuEntry{MenuEntry::Item, "Save window &position", cmd::ID_OPTIONS_SAVE_WINDOW_POSITION,
              "Save window position"},
    MenuEntry{MenuEntry::Item, "Window size &warning", cmd::ID_OPTIONS_WINDOW_SIZE_WARNING,
              "Display warning message if server refuses to negotiate window size"},
    MenuEntry{MenuEntry::Separator, nullptr, 0, nullptr},
    MenuEntry{MenuEntry::Item, "&Background color...\tAlt+B", cmd::ID_OPTIONS_BACKGROUND_COLOR,
              "Change default background color"},
    MenuEntry{MenuEntry::Item, "&Font...\tAlt+F", cmd::ID_OPTIONS_FONT, "Change font"},
    MenuEntry{MenuEntry::Item, "&Log...\tAlt+L", cmd::ID_OPTIONS_LOG, "Start and stop logging"},
    MenuEntry{MenuEntry::Item, "&Macro...\tAlt+M", cmd::ID_OPTIONS_MACRO, "Modify macro keys"},
    MenuEntry{MenuEntry::Item, "Terminal properties...\tAlt+T", cmd::ID_OPTIONS_TERMINAL,
              "Change terminal properties"},
    MenuEntry{MenuEntry::Popup, "&Help", 0, nullptr},
    MenuEntry{MenuEntry::Item, "&About", cmd::ID_APP_ABOUT, "About Corvane"},
};

// Accelerators without a menu item: the F10 family, all routed to the F10 key.
struct AcceleratorEntry {
  const char* keys;
  int id;
};
inline constexpr std::array kF10Accelerators = {
    AcceleratorEntry{"F10", cmd::ID_KEY_F10},
    AcceleratorEntry{"Shift+F10", cmd::ID_KEY_SHIFT_F10},
    AcceleratorEntry{"Ctrl+F10", cmd::ID_KEY_CTRL_F10},
    AcceleratorEntry{"Ctrl+Shift+F10", cmd::ID_KEY_CTRL_SHIFT_F10},
};
