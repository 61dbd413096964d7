#include "frame/QtKeyMapping.h"

#include <QByteArrayView>
#include <QEvent>
#include <QKeyEvent>
#include <QStringDecoder>
#include <QWidget>
#include <array>
#include <utility>

#include "text/CodePage.h"

namespace {

constexpr std::array<std::pair<int, int>, 12> kVirtualKeys = {{
    {Qt::Key_Pause, VK_PAUSE},
    {Qt::Key_PageUp, VK_PRIOR},
    {Qt::Key_PageDown, VK_NEXT},
    {Qt::Key_End, VK_END},
    {Qt::Key_Home, VK_HOME},
    {Qt::Key_Left, VK_LEFT},
    {Qt::Key_Up, VK_UP},
    {Qt::Key_Right, VK_RIGHT},
    {Qt::Key_Down, VK_DOWN},
    {Qt::Key_Insert, VK_INSERT},
    {Qt::Key_Delete, VK_DELETE},
    {Qt::Key_Menu, VK_APPS},
}};

// Ctrl with these keys types a control code, as on a Windows keyboard.
constexpr std::array<std::pair<int, char>, 6> kControlSymbols = {{
    {Qt::Key_At, '\x00'},
    {Qt::Key_BracketLeft, '\x1b'},
    {Qt::Key_Backslash, '\x1c'},
    {Qt::Key_BracketRight, '\x1d'},
    {Qt::Key_AsciiCircum, '\x1e'},
    {Qt::Key_Underscore, '\x1f'},
}};

}  // namespace

int VirtualKeyFor(int qtKey) {
  if (qtKey >= Qt::Key_F1 && qtKey <= Qt::Key_F12) return VK_F1 + (qtKey - Qt::Key_F1);
  for (const auto& [key, virtualKey] : kVirtualKeys)
    if (key == qtKey) return virtualKey;
  return 0;
}

KeyModifiers KeyModifiersFor(Qt::KeyboardModifiers modifiers, bool appsKeyDown) {
  KeyModifiers mods;
  mods.shift = modifiers.testFlag(Qt::ShiftModifier);
  mods.ctrl = modifiers.testFlag(Qt::ControlModifier);
  mods.alt = modifiers.testFlag(Qt::AltModifier);
  mods.apps = appsKeyDown;
  return mods;
}

std::string TypedCharacters(int qtKey, Qt::KeyboardModifiers modifiers, const QString& text,
                            const CodePage& codePage) {
  const KeyModifiers mods = KeyModifiersFor(modifiers, false);
  if (IsSystemKey(mods)) return {};
  switch (qtKey) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
      return mods.ctrl ? "\n" : "\r";
    case Qt::Key_Backspace:
      return mods.ctrl ? "\x7f" : "\b";
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
      return "\t";
    case Qt::Key_Escape:
      return "\x1b";
    default:
      break;
  }
  // Ctrl+Alt is how AltGr arrives on Windows: it types what the layout gives.
  if (mods.ctrl && !mods.alt) {
    if (qtKey >= Qt::Key_A && qtKey <= Qt::Key_Z)
      return std::string(1, static_cast<char>(qtKey - Qt::Key_A + 1));
    for (const auto& [key, code] : kControlSymbols)
      if (key == qtKey) return std::string(1, code);
    if (qtKey == Qt::Key_Space) return " ";
    return {};
  }
  return codePage.Encode(text.toStdU16String());
}

std::string TerminalBytes(const std::string& utf8Text, const CodePage& codePage) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  const QString text =
      decoder(QByteArrayView(utf8Text.data(), static_cast<qsizetype>(utf8Text.size())));
  if (decoder.hasError()) return utf8Text;
  return codePage.Encode(text.toStdU16String());
}

void AppsKeyState::Follow(QWidget& widget, const QKeyEvent& event, bool pressed) {
  if (watched_ != &widget) {
    widget.installEventFilter(this);
    watched_ = &widget;
  }
  if (event.key() != Qt::Key_Menu) return;
  // An auto-repeat release is followed at once by the next press.
  if (pressed)
    down_ = true;
  else if (!event.isAutoRepeat())
    down_ = false;
}

bool AppsKeyState::eventFilter(QObject* watched, QEvent* event) {
  if (watched == watched_ && event->type() == QEvent::FocusOut) down_ = false;
  return false;
}
