// Keys of the terminal area and the F10 accelerators: what each keystroke
// sends to the host, local echo, and the keys that act locally instead
// (Pause/Break, the Applications key, Alt+Page Up and Alt+Page Down).
#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <algorithm>
#include <mutex>

#include "frame/MainFrame.h"
#include "input/KeyTranslation.h"
#include "terminal/TelnetSession.h"
#include "text/Utf8Decoder.h"
#include "view/TerminalView.h"

void CMainFrame::OnTerminalKey(QKeyEvent& event, bool pressed) {
  m_AppsKey.Follow(*m_pView, event, pressed);
  event.accept();
  if (!pressed) return;
  // A shortcut whose command is disabled does not take its key in Qt; the key
  // still belongs to the command and must not reach the host (Shift+Insert
  // would otherwise send the Insert sequence while Paste is unavailable).
  if (IsAcceleratorKey(event)) return;

  const KeyModifiers mods = KeyModifiersFor(event.modifiers(), m_AppsKey.IsDown());
  const int virtualKey = VirtualKeyFor(event.key());
  if (IsSystemKey(mods)) {
    if (!OnSysKeyDown(virtualKey)) event.ignore();
    return;
  }
  if (virtualKey != 0) {
    KeyDown(virtualKey, mods);
    return;
  }
  const QString text = event.text();
  const std::string typed =
      TypedCharacters(event.key(), event.modifiers(), text, TerminalCodePage());
  // Text beyond ASCII is only ever typed as text, never as a control.
  const bool beyondAscii =
      std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() >= 0x80; });
  if (!typed.empty() && beyondAscii) {
    TypeText(text);
    return;
  }
  for (char character : typed) OnChar(static_cast<unsigned char>(character));
}

void CMainFrame::TypeText(const QString& text) {
  const CodePage& page = TerminalCodePage();
  if (!m_pSession->HostTextUtf8()) {
    for (char character : page.Encode(text.toStdU16String()))
      OnChar(static_cast<unsigned char>(character));
    return;
  }
  for (const char32_t ch : text.toUcs4()) {
    if (ch < 0x80) {
      OnChar(static_cast<unsigned char>(ch));
      continue;
    }
    const QByteArray utf8 = QString::fromUcs4(&ch, 1).toUtf8();
    SendKeyBytes(utf8.toStdString());
    if (!m_bLocalEcho || !m_pSession->IsConnected() || m_pSession->HostEchoes()) continue;
    // Echoed as the host's own echo would show: one cell, or two when wide.
    Utf8Decoder decoder;
    unsigned char cells[Utf8Decoder::MaxCells(4)];
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.constData());
    const unsigned char* end = decoder.Decode(bytes, bytes + utf8.size(), cells, page);
    for (const unsigned char* cell = cells; cell < end; ++cell) m_pSession->EchoLocally(*cell);
  }
}

void CMainFrame::OnKeyDown(unsigned virtualKey, unsigned /*repeatCount*/, unsigned /*flags*/) {
  // Called without a key event (the F10 accelerators): Shift and Ctrl come
  // from the keyboard state of the key that triggered the call.
  const Qt::KeyboardModifiers live = QGuiApplication::keyboardModifiers();
  KeyModifiers mods = KeyModifiersFor(live, m_AppsKey.IsDown());
  mods.alt = false;  // a plain key-down: Alt combinations arrive as system keys
  KeyDown(static_cast<int>(virtualKey), mods);
}

void CMainFrame::OnKeyF10() {
  // All four F10 accelerators come here; the key translation reads the
  // modifiers itself.
  OnKeyDown(VK_F10, 0, 0);
}

void CMainFrame::KeyDown(int virtualKey, const KeyModifiers& mods) {
  switch (LocalKeyActionFor(virtualKey, mods)) {
    case LocalKeyAction::ReturnToLiveView:
      OnVScroll(ScrollCode::Bottom, 0);
      m_pSession->UnloadLineCheckDb();
      return;
    case LocalKeyAction::StartLineCheck:
      // Every key-down, auto-repeat included; a check already running or a
      // switched-off line check makes the new one end at once.
      m_pSession->StartLineCheck();
      return;
    case LocalKeyAction::PageHistoryUp:
    case LocalKeyAction::PageHistoryDown:
      OnSysKeyDown(virtualKey);
      return;
    case LocalKeyAction::PassToSystem:
      return;
    case LocalKeyAction::None:
      break;
  }
  const KeySettings settings{m_pSession->Emulation(), m_bApplicationMode, m_bBackspace};
  // Macros are kept as typed; they go out in the terminal's code page, like
  // the same text typed on the keyboard, or to a UTF-8 host as stored.
  MacroTexts macros;
  if (mods.apps)
    for (std::size_t k = 0; k < macros.size(); ++k)
      macros[k] = m_pSession->HostTextUtf8() ? m_strMacro[k]
                                             : TerminalBytes(m_strMacro[k], TerminalCodePage());
  SendKeyBytes(TranslateKeyDown(virtualKey, mods, settings, macros));
}

bool CMainFrame::OnSysKeyDown(int virtualKey) {
  switch (virtualKey) {
    case VK_PRIOR:
      OnVScroll(ScrollCode::PageUp, 0);
      return true;
    case VK_NEXT:
      OnVScroll(ScrollCode::PageDown, 0);
      return true;
    default:
      return false;  // menu mnemonics, Alt+F4: the window system's
  }
}

void CMainFrame::OnChar(unsigned char character) {
  std::string bytes =
      TranslateChar(character, {m_pSession->Emulation(), m_bApplicationMode, m_bBackspace});
  // Under BINARY a telnet server no longer folds CR LF into one line end, so
  // Enter sends CR alone (the terminal driver makes it the line end).
  if (bytes == "\r\n" && m_pSession->SendsBinary()) bytes = "\r";
  SendKeyBytes(bytes);
  // While the host echoes (it said WILL ECHO), echoing here too would show
  // every character twice, and the password at a password prompt.
  if (!m_bLocalEcho || !m_pSession->IsConnected() || m_pSession->HostEchoes()) return;
  m_pSession->EchoLocally(character);
}

bool CMainFrame::TakesEarlyKeys() const {
  if (!m_pSession->IsConnected() || m_bLocalEcho || m_AppsKey.IsDown()) return false;
  // A screen reader follows typed keys through Qt's key events.
  if (QAccessible::isActive()) return false;
  if (QApplication::focusWidget() != m_pView || QApplication::activePopupWidget() ||
      QApplication::activeModalWidget())
    return false;
  // A printable key with at most Shift that is some command's accelerator
  // belongs to the command.
  const int chords = Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier;
  return std::none_of(m_AcceleratorKeys.begin(), m_AcceleratorKeys.end(), [chords](int keys) {
    const int key = keys & ~Qt::KeyboardModifierMask;
    return (keys & chords) == 0 && key >= Qt::Key_Space && key <= Qt::Key_AsciiTilde;
  });
}

bool CMainFrame::IsAcceleratorKey(const QKeyEvent& event) const {
  const Qt::KeyboardModifiers modifiers =
      event.modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
  const int pressed = QKeyCombination(modifiers, static_cast<Qt::Key>(event.key())).toCombined();
  return std::find(m_AcceleratorKeys.begin(), m_AcceleratorKeys.end(), pressed) !=
         m_AcceleratorKeys.end();
}

void CMainFrame::SendKeyBytes(const std::string& bytes) {
  // One send per keystroke; its result is not examined (a send while
  // disconnected fails at once and is ignored).
  if (!bytes.empty()) m_pSession->SendData(bytes);
}
