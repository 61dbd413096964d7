// Dead keys and input methods on the terminal area. A composed character (a
// dead key followed by a letter, a compose sequence, an input method's
// commit) arrives as committed text rather than as a key press; it is typed
// text like any other. Text still being composed is left to the input method.
// Typed text also skips the search for shortcuts.
#include <QInputMethodEvent>
#include <QKeyEvent>

#include "terminal/TelnetSession.h"
#include "view/TerminalView.h"
#include "view/TerminalViewOwner.h"

bool TerminalView::event(QEvent* event) {
  // Once, before the first show: from then on the window system's input
  // method composes for the terminal area.
  if (event->type() == QEvent::Polish) setAttribute(Qt::WA_InputMethodEnabled);
  // Typed text goes straight to keyPressEvent: accepting the override spares
  // each keystroke Qt's search of the shortcut map, about a fifth of the time
  // from a key press to its byte leaving for the host.
  if (event->type() == QEvent::ShortcutOverride &&
      IsPlainTextKey(*static_cast<QKeyEvent*>(event))) {
    event->accept();
    return true;
  }
  return QWidget::event(event);
}

bool TerminalView::IsPlainTextKey(const QKeyEvent& key) {
  const Qt::KeyboardModifiers chord =
      key.modifiers() & (Qt::ControlModifier | Qt::AltModifier | Qt::MetaModifier);
  const QString text = key.text();
  return chord == Qt::NoModifier && text.size() == 1 && text.at(0).isPrint();
}

void TerminalView::inputMethodEvent(QInputMethodEvent* event) {
  if (!event->commitString().isEmpty()) owner_.OnCommittedText(event->commitString());
  event->accept();
}

QVariant TerminalView::inputMethodQuery(Qt::InputMethodQuery query) const {
  switch (query) {
    case Qt::ImEnabled:
      return true;
    case Qt::ImHints:
      return QVariant::fromValue(Qt::ImhNoAutoUppercase | Qt::ImhNoPredictiveText);
    case Qt::ImCursorRectangle: {
      // The cursor cell, so a candidate window opens beside it (panned with
      // the screen). After tabs or with a wrap pending the cursor's column
      // lies beyond the last one; the cell it stands on is the last.
      const CTelnetSession* session = owner_.Session();
      if (!session) return QRect();
      const TerminalScreen& screen = session->Screen();
      return QRect(screen.CursorCellCol() * cell_.width() - pan_,
                   screen.CursorRow() * cell_.height(), cell_.width(), cell_.height());
    }
    default:
      return QWidget::inputMethodQuery(query);
  }
}
