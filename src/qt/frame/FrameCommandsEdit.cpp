// The Edit menu and the mouse: selecting, the clipboard commands (through the
// terminal's code page), sending the selection, and clearing the buffer.
#include <QAction>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMimeData>

#include "frame/CommandIds.h"
#include "frame/FindBar.h"
#include "frame/MainFrame.h"
#include "terminal/TelnetSession.h"
#include "text/CodePage.h"
#include "view/TerminalView.h"

namespace {

// Screen bytes as clipboard text. Bytes that are control characters (the CR LF
// between rows above all) stay control characters, so pasting the text back
// gives the same bytes; every other byte is shown as the code page shows it.
QString ClipboardTextFromBytes(const std::string& bytes, const CodePage& page) {
  QString text;
  text.reserve(static_cast<qsizetype>(bytes.size()));
  for (const char c : bytes) {
    const auto b = static_cast<unsigned char>(c);
    const bool control = (b >= 1 && b < 0x20) || b == 0x7F;
    text += QChar(control ? char16_t{b} : page.ToUnicode(b));
  }
  return text;
}

bool ClipboardHasText() {
  const QMimeData* data = QGuiApplication::clipboard()->mimeData();
  return data && data->hasText();
}

// Brings Copy and Paste up to date just before a key press is matched against
// the shortcuts, as the menu does when it opens. Only the two commands' own key
// combinations ask, so typing never has to query the clipboard.
class EditShortcutRefresh : public QObject {
 public:
  explicit EditShortcutRefresh(CMainFrame& frame) : QObject(&frame), frame_(frame) {}

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const auto* key =
        event->type() == QEvent::ShortcutOverride ? static_cast<QKeyEvent*>(event) : nullptr;
    if (key != nullptr && !TerminalView::IsPlainTextKey(*key)) {
      // Insert on the keypad (Num Lock off) is the same key to the shortcuts.
      const Qt::KeyboardModifiers modifiers =
          key->modifiers() & ~(Qt::KeypadModifier | Qt::GroupSwitchModifier);
      const QKeySequence pressed(QKeyCombination(modifiers, static_cast<Qt::Key>(key->key())));
      if (pressed == frame_.Action(cmd::ID_EDIT_COPY)->shortcut()) frame_.OnUpdateEditCopy();
      if (pressed == frame_.Action(cmd::ID_EDIT_PASTE)->shortcut()) frame_.OnUpdateEditPaste();
    }
    return QObject::eventFilter(watched, event);
  }

 private:
  CMainFrame& frame_;
};

}  // namespace

void CMainFrame::WireEditCommands() {
  connect(m_pEditMenu, &QMenu::aboutToShow, this, [this] {
    OnUpdateEditCopy();
    OnUpdateEditPaste();
  });
  m_pView->installEventFilter(new EditShortcutRefresh(*this));
  // Nothing selected and nothing connected yet.
  Action(cmd::ID_EDIT_COPY)->setEnabled(false);
  Action(cmd::ID_EDIT_PASTE)->setEnabled(false);
}

void CMainFrame::OnLButtonDown(const QPoint& point) {
  m_ptSelAnchor = point;
  m_pSession->SetSelection(point.x(), point.y(), point.x(), point.y());  // clears it
}

void CMainFrame::OnMouseMove(Qt::MouseButtons buttons, const QPoint& point) {
  if (!(buttons & Qt::LeftButton)) return;
  m_pSession->SetSelection(m_ptSelAnchor.x(), m_ptSelAnchor.y(), point.x(), point.y());
}

void CMainFrame::OnRButtonDown() {
  if (!m_pSession->GetSelectedText().empty())
    OnEditCopy();
  else if (CanPaste())
    OnEditPaste();
}

void CMainFrame::OnMButtonDown() {
  // The selection stays; the bytes go unconverted (CR LF between rows included),
  // or to a UTF-8 host as the characters they show; only a data byte 255 is
  // doubled for telnet.
  const std::string text = m_pSession->GetSelectedText();
  if (text.empty()) return;
  m_pSession->SendData(m_pSession->HostTextUtf8() ? Utf8FromCells(text, TerminalCodePage()) : text);
}

void CMainFrame::OnLButtonUp() {
  QClipboard& clipboard = *QGuiApplication::clipboard();
  if (!clipboard.supportsSelection()) return;
  // A click that selects nothing leaves what other programs may still paste.
  const std::string text = m_pSession->GetSelectedText();
  if (!text.empty())
    clipboard.setText(ClipboardTextFromBytes(text, TerminalCodePage()), QClipboard::Selection);
}

void CMainFrame::CopyToClipboard(const std::string& text) {
  if (text.empty()) return;
  QGuiApplication::clipboard()->setText(ClipboardTextFromBytes(text, TerminalCodePage()));
}

void CMainFrame::OnEditCopy() {
  CopyToClipboard(m_pSession->GetSelectedText());
  m_pSession->SetSelection(0, 0, 0, 0);  // two equal points: cleared and redrawn
}

void CMainFrame::OnEditPaste() {
  // What the clipboard holds: no line-end conversion, no echo; a data byte 255
  // is doubled for telnet.
  const QString text = QGuiApplication::clipboard()->text();
  if (m_pSession->HostTextUtf8()) {
    // The text itself, as UTF-8; it ends at a NUL, as the 8-bit paste does.
    const QByteArray utf8 = text.left(text.indexOf(QChar(u'\0'))).toUtf8();
    if (!utf8.isEmpty()) m_pSession->SendData(utf8.toStdString());
    return;
  }
  const std::string bytes =
      BytesFromClipboardText(std::u16string_view(reinterpret_cast<const char16_t*>(text.utf16()),
                                                 static_cast<std::size_t>(text.size())),
                             TerminalCodePage());
  if (!bytes.empty()) m_pSession->SendData(bytes);
}

void CMainFrame::OnEditCopyBuffer() { CopyToClipboard(m_pSession->GetBufferText()); }

void CMainFrame::OnEditClearBuffer() { m_pSession->ClearBuffer(); }

void CMainFrame::OnUpdateEditCopy() {
  Action(cmd::ID_EDIT_COPY)->setEnabled(!m_pSession->GetSelectedText().empty());
}

bool CMainFrame::CanPaste() const {
  return m_pSession->ScrollBackPos() == 0 && m_pSession->IsConnected() && ClipboardHasText();
}

void CMainFrame::OnUpdateEditPaste() { Action(cmd::ID_EDIT_PASTE)->setEnabled(CanPaste()); }

void CMainFrame::OnEditFind() {
  if (m_pFindBar->isHidden()) {
    m_SinceFindBarToggled.start();
    m_pFindBar->Open();
    m_pSession->FitWindow();
    if (!m_pFindBar->Text().isEmpty()) RunFind();
  } else {
    m_pFindBar->Open();
  }
}

void CMainFrame::RunFind() {
  m_pSession->Find(m_pFindBar->Text().toStdU16String(), m_pFindBar->MatchCase(),
                   TerminalCodePage());
}

void CMainFrame::CloseFindBar() {
  m_FindTimer.stop();
  m_SinceFindBarToggled.start();
  m_pFindBar->hide();
  m_pSession->EndFind();
  m_pSession->FitWindow();
  m_pView->setFocus();
}

void CMainFrame::FindChanged() {
  m_pFindBar->ShowCount(m_pSession->FindNumber(), m_pSession->FindCount());
}
