// The lock keys' state from the X server's keyboard lights (XKB indicators),
// read through the connection Qt's X11 platform already has open. Kept apart
// from Qt-heavy code: the X11 headers define macros such as KeyPress.
#include "frame/StatusPanes.h"

#if defined(CORVANE_HAVE_XKB)
#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>
#include <array>
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

std::optional<LockKeys> QueryLockKeys() {
  const auto* x11 =
      qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  Display* display = x11 ? x11->display() : nullptr;
  if (!display) return std::nullopt;  // another platform (offscreen, Wayland)
  // Which light is which is asked once per display; after that one request
  // (one round trip to the server) reads them all. The panes are polled a
  // few times a second.
  static Display* indexedFor = nullptr;
  static std::array<int, 3> index{};
  if (indexedFor != display) {
    const char* const names[] = {"Caps Lock", "Num Lock", "Scroll Lock"};
    for (std::size_t i = 0; i < index.size(); ++i) {
      const Atom indicator = XInternAtom(display, names[i], True);
      int ndx = -1;
      const bool known = indicator != None &&
                         XkbGetNamedIndicator(display, indicator, &ndx, nullptr, nullptr, nullptr);
      index[i] = known ? ndx : -1;
    }
    indexedFor = display;
  }
  unsigned state = 0;
  if (XkbGetIndicatorState(display, XkbUseCoreKbd, &state) != Success) return LockKeys{};
  auto lit = [state](int ndx) { return ndx >= 0 && ndx < 32 && ((state >> ndx) & 1U) != 0; };
  return LockKeys{lit(index[0]), lit(index[1]), lit(index[2])};
}
#else
std::optional<LockKeys> QueryLockKeys() { return std::nullopt; }
#endif
