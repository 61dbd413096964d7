#include "x11/X11Connection.h"

#if defined(CORVANE_HAVE_XKB)
#include <QtGui/qguiapplication_platform.h>

#include <QGuiApplication>
// clang-format off
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

_XDisplay* QtX11Display() {
  const auto* x11 =
      qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
  return x11 ? x11->display() : nullptr;
}

int XkbFirstEvent(_XDisplay* display) {
  int opcode = 0, eventBase = 0, errorBase = 0, major = XkbMajorVersion, minor = XkbMinorVersion;
  return display && XkbQueryExtension(display, &opcode, &eventBase, &errorBase, &major, &minor)
             ? eventBase
             : -1;
}
#else
_XDisplay* QtX11Display() { return nullptr; }
int XkbFirstEvent(_XDisplay*) { return -1; }
#endif
