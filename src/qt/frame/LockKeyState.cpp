// The lock keys' state from the X server's keyboard lights (XKB indicators),
// read through the connection Qt's X11 platform already has open. Kept apart
// from Qt-heavy code: the X11 headers define macros such as KeyPress.
#include "frame/StatusPanes.h"

#if defined(CORVANE_HAVE_XKB)
#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

std::optional<LockKeys> QueryLockKeys() {
  const auto* x11 =
      qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;  // another platform (offscreen, Wayland)
  auto lit = [display](const char* name) {
    const Atom indicator = XInternAtom(display, name, True);
    Bool on = False;
    return indicator != None &&
           XkbGetNamedIndicator(display, indicator, nullptr, &on, nullptr, nullptr) && on;
  };
  return LockKeys{lit("Caps Lock"), lit("Num Lock"), lit("Scroll Lock")};
}
#else
std::optional<LockKeys> QueryLockKeys() { return std::nullopt; }
#endif
