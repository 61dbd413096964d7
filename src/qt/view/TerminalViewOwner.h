#pragma once
// What the terminal area asks of the window that owns it: the session it
// shows, and where its size, keys, typed text and mouse go. The view knows
// nothing else of its owner, so it can be shown and tested without the frame.
#include <QPoint>
#include <QString>
#include <Qt>

class CTelnetSession;
class CodePage;
class QKeyEvent;

class TerminalViewOwner {
 public:
  // The session whose screen is shown; null before it exists.
  virtual CTelnetSession* Session() const = 0;
  // The code page that turns screen bytes into characters and typed text into bytes.
  virtual const CodePage& TerminalCodePage() const = 0;

  // The terminal area's new size in logical pixels.
  virtual void OnSize(int cx, int cy) = 0;
  virtual void OnTerminalKey(QKeyEvent& event, bool pressed) = 0;
  // Text committed by an input method or a dead key.
  virtual void OnCommittedText(const QString& text) = 0;
  // Mouse on the terminal area; points in its logical pixels.
  virtual void OnLButtonDown(const QPoint& point) = 0;
  virtual void OnMouseMove(Qt::MouseButtons buttons, const QPoint& point) = 0;
  virtual void OnLButtonUp() = 0;
  virtual void OnRButtonDown() = 0;
  virtual void OnMButtonDown() = 0;
  virtual void OnMouseWheel(int delta) = 0;

 protected:
  ~TerminalViewOwner() = default;
};
