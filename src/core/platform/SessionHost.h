#pragma once
// What the session needs from the window it lives in: title, status-bar panes,
// scroll bar, timer, message boxes, drawing contexts, the font and the window size.
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

#include "platform/DrawContext.h"
#include "platform/FontDescription.h"
#include "platform/Messages.h"

// Status-bar panes, left to right (their numbers index the status bar).
enum Pane : int {
  kPaneMessage = 0,
  kPaneCursor = 1,
  kPaneTime = 2,
  kPaneSize = 3,
  kPaneLog = 4,
};

// Every operation runs on the user-interface thread, except PostToUi, which the
// line-check worker uses to hand work to that thread.
class SessionHost {
 public:
  virtual ~SessionHost() = default;

  // Runs task on the user-interface thread soon (never inside this call when
  // called from another thread). Tasks still pending when the host goes away
  // are dropped.
  virtual void PostToUi(std::function<void()> task) = 0;

  virtual void SetTitle(const std::string& title) = 0;
  virtual void SetPaneText(Pane pane, const std::string& text) = 0;
  virtual MessageAnswer ShowMessage(const std::string& text, MessageKind kind) = 0;
  // A notice that leaves the keyboard and the window to the user while it is
  // up; `closed` runs once it is gone. By default an ordinary message box.
  // By value: a window's override keeps the callback until the notice closes.
  // NOLINTNEXTLINE(performance-unnecessary-value-param)
  virtual void ShowNotice(const std::string& text, std::function<void()> closed) {
    ShowMessage(text, MessageKind::Information);
    closed();
  }
  virtual void Beep() = 0;

  // Opens path as the session log, created or emptied, for binary writing.
  // Null when it cannot; the platform may also refuse what is no log (a FIFO,
  // a device), and never waits for the file to become ready.
  virtual std::FILE* OpenLogFile(const std::string& path) = 0;

  virtual void StartTimer() = 0;  // the 1000 ms connected-time timer
  virtual void StopTimer() = 0;
  virtual std::time_t Now() = 0;

  virtual void BeginWaitCursor() = 0;
  virtual void EndWaitCursor() = 0;
  virtual void PostQuit() = 0;

  // Vertical scroll bar of the terminal area.
  virtual void SetScrollRange(int min, int max) = 0;
  virtual void SetScrollPos(int pos) = 0;
  // Asks for a full repaint (erase first when asked).
  virtual void Invalidate() = 0;

  // A context drawing on the terminal area now. Every Begin is paired with End.
  virtual DrawContext& BeginClientDraw() = 0;
  virtual void EndClientDraw() = 0;
  // Rows changed by received data. A host that shows the screen at its own
  // pace (once per display frame) notes it, calls the session's Draw with
  // bOnlyDirty when it shows the next frame, and returns true; a host that
  // returns false has the session draw them now. Drawing once per frame
  // rather than once per read saves redrawing rows no one will see.
  virtual bool DrawChangesLater() { return false; }

  // The find's count or current match changed (new output, a cleared or
  // resized history, a step).
  virtual void FindChanged() {}

  // Creates the terminal font; false when the platform cannot. On success the
  // cell size is the extent of one blank.
  virtual bool CreateTerminalFont(const FontDescription& desc, int& cellWidth, int& cellHeight) = 0;
  // Sizes the window so its terminal area is exactly width x height pixels.
  // Returns true when that changes the window's size (a size notification follows).
  virtual bool FitClientArea(int width, int height) = 0;
};
