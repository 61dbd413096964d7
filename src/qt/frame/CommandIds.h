#pragma once
// Command identifiers of the menu and the accelerators, the status-bar
// indicator ids, and the F10 accelerators. The menu's rows are in
// MenuTable.cpp.
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
inline constexpr int ID_EDIT_FIND = 114;
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
