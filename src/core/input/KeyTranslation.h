#pragma once
// What a keystroke sends to the host. Pure functions of the key, the modifier
// state and the key settings; the frame sends the result in one piece when it
// is not empty and performs the local actions itself.
//
// A key-down is handled in this order:
//   1. LocalKeyActionFor() says whether the key acts locally (scroll-back,
//      line check) or belongs to the window system (Alt combinations);
//   2. otherwise TranslateKeyDown() gives the bytes, possibly none.
// Typed characters (the text of a key event, one code-page byte) go through
// TranslateChar() instead.
#include <string>

#include "input/FunctionKeyTables.h"
#include "input/MacroExpansion.h"
#include "input/VirtualKeys.h"

// Modifier keys held at the moment of the key-down.
struct KeyModifiers {
  bool shift = false;
  bool ctrl = false;
  bool alt = false;
  bool apps = false;  // Applications key held: F1 .. F12 become macro keys
};

// The settings the translation depends on, with the first-start defaults.
struct KeySettings {
  int emulation = kEmulationVt100;  // 0 VT100, 1 ANSI
  bool applicationMode = true;      // VT100 arrows send ESC O x rather than ESC [ x
  bool backspaceSendsBs = true;     // Backspace sends BS (0x08) rather than DEL (0x7F)
};

enum class LocalKeyAction {
  None,              // not a local key: translate it
  ReturnToLiveView,  // Pause/Break: scroll the view to the bottom (then unload the catalogue)
  StartLineCheck,    // Applications key: start a screen line check
  PageHistoryUp,     // Alt+Page Up: view one page further back
  PageHistoryDown,   // Alt+Page Down: view one page forward
  PassToSystem,      // other Alt combinations: menu mnemonics, Alt+F4; nothing is sent
};

// An Alt combination (Alt without Ctrl) is a window-system key: it never sends
// anything. Ctrl+Alt is treated as an ordinary key, as Windows does (it is how
// AltGr arrives there).
constexpr bool IsSystemKey(const KeyModifiers& mods) { return mods.alt && !mods.ctrl; }

// The local action of a key-down; every key with an action other than None
// sends nothing.
LocalKeyAction LocalKeyActionFor(int virtualKey, const KeyModifiers& mods);

// Bytes for a typed character: 8 gives BS or DEL by the Backspace setting,
// 13 gives CR LF, every other byte is sent as it is (NUL included).
std::string TranslateChar(unsigned char character, const KeySettings& settings);

// Bytes for F1 .. F12 (empty for any other key). With the Applications key
// held, the expanded macro of that key, with no ESC in front, whatever the
// emulation, Shift and Ctrl. Otherwise ESC and the table entry of the
// emulation and Shift/Ctrl row, or nothing for an empty entry or an emulation
// other than VT100 or ANSI. Alt is not looked at here.
std::string TranslateFunctionKey(int virtualKey, const KeyModifiers& mods, int emulation,
                                 const MacroTexts& macros);

// Bytes for a key-down: the editing keys (Page Up/Down, End, Home, Insert,
// Delete) by emulation, the arrows by arrow mode, and the function keys.
// Empty for Alt combinations, for the local keys and for every other key
// (characters arrive through TranslateChar). Shift and Ctrl matter only for
// the function keys.
std::string TranslateKeyDown(int virtualKey, const KeyModifiers& mods, const KeySettings& settings,
                             const MacroTexts& macros);
