#include "x11/LastInputTime.h"

#include <QWidget>

#if defined(CORVANE_HAVE_XKB)
// clang-format off
#include <X11/Xlib.h>
#include <X11/Xatom.h>
// clang-format on

#include "x11/X11Connection.h"
#endif

namespace {
// At most one write a second while the user types: a write wakes the X server
// and the window manager, and one that met a keystroke would hold up its echo.
constexpr int kWriteDelayMs = 1000;
}  // namespace

LastInputTime::LastInputTime(QWidget* window) : window_(window) {
  timer_.setSingleShot(true);
  timer_.setInterval(kWriteDelayMs);
  timer_.callOnTimeout([this] { Write(); });
}

void LastInputTime::Note(unsigned long time) {
  time_ = time;
  if (!timer_.isActive()) timer_.start();
}

#if defined(CORVANE_HAVE_XKB)
namespace {
// The window Qt keeps the property on: its own small window once the window
// manager supports one (made on the first key or click Qt handles), else the
// frame itself.
Window TimeWindowOf(Display* display, Window frame) {
  const Atom timeWindow = XInternAtom(display, "_NET_WM_USER_TIME_WINDOW", False);
  Atom type = None;
  int format = 0;
  unsigned long count = 0, after = 0;
  unsigned char* data = nullptr;
  Window found = frame;
  if (XGetWindowProperty(display, frame, timeWindow, 0, 1, False, XA_WINDOW, &type, &format, &count,
                         &after, &data) == Success &&
      type == XA_WINDOW && format == 32 && count == 1 && data)
    found = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
  if (data) XFree(data);
  return found;
}
}  // namespace

void LastInputTime::Write() {
  Display* display = QtX11Display();
  if (!display || !window_) return;
  const auto frame = static_cast<Window>(window_->winId());
  // Until Qt has made its own window for the property, the frame is asked again.
  if (frame != frame_ || timeWindow_ == frame) {
    frame_ = frame;
    timeWindow_ = TimeWindowOf(display, frame);
  }
  const auto time = static_cast<long>(time_);  // format 32 properties are longs in Xlib
  XChangeProperty(display, timeWindow_, XInternAtom(display, "_NET_WM_USER_TIME", False),
                  XA_CARDINAL, 32, PropModeReplace, reinterpret_cast<const unsigned char*>(&time),
                  1);
  XFlush(display);
}
#else
void LastInputTime::Write() {}
#endif
