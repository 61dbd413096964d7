#pragma once
// Win32 virtual-key codes of the keys Corvane translates or handles itself.
// The front end maps its own key events to these codes before asking the key
// translation what to send, so the tables keep the numbers users of the
// Windows build know.
//
// <windows.h> defines the same names as macros with the same values; when it
// has been included first, its definitions are used instead of these.
#ifndef VK_PRIOR

inline constexpr int VK_PAUSE = 19;  // Pause/Break
inline constexpr int VK_PRIOR = 33;  // Page Up
inline constexpr int VK_NEXT = 34;   // Page Down
inline constexpr int VK_END = 35;
inline constexpr int VK_HOME = 36;
inline constexpr int VK_LEFT = 37;
inline constexpr int VK_UP = 38;
inline constexpr int VK_RIGHT = 39;
inline constexpr int VK_DOWN = 40;
inline constexpr int VK_INSERT = 45;
inline constexpr int VK_DELETE = 46;
inline constexpr int VK_APPS = 93;  // the Applications (context menu) key
inline constexpr int VK_F1 = 112;
inline constexpr int VK_F2 = 113;
inline constexpr int VK_F3 = 114;
inline constexpr int VK_F4 = 115;
inline constexpr int VK_F5 = 116;
inline constexpr int VK_F6 = 117;
inline constexpr int VK_F7 = 118;
inline constexpr int VK_F8 = 119;
inline constexpr int VK_F9 = 120;
inline constexpr int VK_F10 = 121;
inline constexpr int VK_F11 = 122;
inline constexpr int VK_F12 = 123;

#endif
