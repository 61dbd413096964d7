#pragma once
// The X11 connection Qt's platform already has open, for the few XKB requests
// Corvane makes itself. Declared without the X11 headers, whose macros (such
// as KeyPress) clash with Qt's names.
struct _XDisplay;

// Qt's X11 display; null on other platforms (offscreen, Wayland).
_XDisplay* QtX11Display();
// The first event number of the XKB extension on `display`, or -1 without it.
int XkbFirstEvent(_XDisplay* display);
