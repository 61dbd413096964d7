#include "input/KeyTranslation.h"

#include <string_view>

namespace {

constexpr char kEsc = '\x1b';
constexpr char kBs = '\x08';
constexpr char kDel = '\x7f';

bool IsFunctionKey(int virtualKey) { return virtualKey >= VK_F1 && virtualKey <= VK_F12; }

// Page Up/Down, End, Home, Insert, Delete. Every emulation other than ANSI
// uses the VT100 sequences; ANSI Delete is the single DEL byte.
std::string EditingKey(int virtualKey, int emulation) {
  const bool ansi = emulation == kEmulationAnsi;
  std::string_view tail;
  switch (virtualKey) {
    case VK_PRIOR:
      tail = ansi ? "[I" : "[5~";
      break;
    case VK_NEXT:
      tail = ansi ? "[G" : "[6~";
      break;
    case VK_END:
      tail = ansi ? "[F" : "[4~";
      break;
    case VK_HOME:
      tail = ansi ? "[H" : "[1~";
      break;
    case VK_INSERT:
      tail = ansi ? "[L" : "[2~";
      break;
    case VK_DELETE:
      if (ansi) return std::string(1, kDel);
      tail = "[3~";
      break;
    default:
      return {};
  }
  return kEsc + std::string(tail);
}

// Arrow keys: ESC O x in application mode, ESC [ x in cursor mode. The ansi
// terminal has no application mode (its hosts read ESC O as Escape and a
// letter), so under ANSI the arrows always send ESC [ x.
std::string ArrowKey(int virtualKey, bool applicationMode) {
  char letter = 0;
  switch (virtualKey) {
    case VK_UP:
      letter = 'A';
      break;
    case VK_DOWN:
      letter = 'B';
      break;
    case VK_RIGHT:
      letter = 'C';
      break;
    case VK_LEFT:
      letter = 'D';
      break;
    default:
      return {};
  }
  return {kEsc, applicationMode ? 'O' : '[', letter};
}

}  // namespace

LocalKeyAction LocalKeyActionFor(int virtualKey, const KeyModifiers& mods) {
  if (IsSystemKey(mods)) {
    if (virtualKey == VK_PRIOR) return LocalKeyAction::PageHistoryUp;
    if (virtualKey == VK_NEXT) return LocalKeyAction::PageHistoryDown;
    return LocalKeyAction::PassToSystem;
  }
  if (virtualKey == VK_PAUSE) return LocalKeyAction::ReturnToLiveView;
  if (virtualKey == VK_APPS) return LocalKeyAction::StartLineCheck;
  return LocalKeyAction::None;
}

std::string TranslateChar(unsigned char character, const KeySettings& settings) {
  if (character == kBs) return std::string(1, settings.backspaceSendsBs ? kBs : kDel);
  if (character == '\r') return "\r\n";
  return std::string(1, static_cast<char>(character));
}

std::string TranslateFunctionKey(int virtualKey, const KeyModifiers& mods, int emulation,
                                 const MacroTexts& macros) {
  if (!IsFunctionKey(virtualKey)) return {};
  const int column = virtualKey - VK_F1;
  if (mods.apps) return ExpandMacro(macros[column]);

  const std::string_view entry =
      FunctionKeyEntry(emulation, FunctionKeyRow(mods.shift, mods.ctrl), column);
  if (entry.empty()) return {};
  return kEsc + std::string(entry);
}

std::string TranslateKeyDown(int virtualKey, const KeyModifiers& mods, const KeySettings& settings,
                             const MacroTexts& macros) {
  if (IsSystemKey(mods)) return {};
  if (IsFunctionKey(virtualKey))
    return TranslateFunctionKey(virtualKey, mods, settings.emulation, macros);
  const bool applicationArrows = settings.applicationMode && settings.emulation != kEmulationAnsi;
  if (std::string arrow = ArrowKey(virtualKey, applicationArrows); !arrow.empty()) return arrow;
  return EditingKey(virtualKey, settings.emulation);
}
