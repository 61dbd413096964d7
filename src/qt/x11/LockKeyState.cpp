// The lock keys' state from the X server's keyboard lights (XKB indicators),
// read through the connection Qt's X11 platform already has open, and read
// again when the server reports that the lights changed. Kept apart from
// Qt-heavy code: the X11 headers define macros such as KeyPress.
#include "frame/StatusPanes.h"

#if defined(CORVANE_HAVE_XKB)
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <array>
#include <cstdint>
#include <utility>
// clang-format off
#include <xcb/xcb.h>
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
// clang-format on

#include "x11/X11Connection.h"

namespace {

// Passes the server's reports of changed lights on; Qt reads them with its
// other events, and every native event filter sees them first.
class LightsWatch final : public QObject, public QAbstractNativeEventFilter {
 public:
  LightsWatch(QObject& owner, int xkbEventBase, std::function<void()> changed)
      : QObject(&owner), xkbEventBase_(xkbEventBase), changed_(std::move(changed)) {
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~LightsWatch() override {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
  }
  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const std::uint8_t*>(message);
    // XKB's own kind of event is in its second byte.
    if ((event[0] & 0x7fU) == unsigned(xkbEventBase_) && event[1] == XkbIndicatorStateNotify)
      changed_();
    return false;
  }

 private:
  int xkbEventBase_;
  std::function<void()> changed_;
};

}  // namespace

bool WatchLockKeys(QObject& owner, std::function<void()> changed) {
  Display* display = QtX11Display();
  const int eventBase = XkbFirstEvent(display);
  if (eventBase < 0) return false;
  // Only this kind is added to what the connection already receives.
  if (!XkbSelectEvents(display, XkbUseCoreKbd, XkbIndicatorStateNotifyMask,
                       XkbIndicatorStateNotifyMask))
    return false;
  XFlush(display);
  new LightsWatch(owner, eventBase, std::move(changed));
  return true;
}

std::optional<LockKeys> QueryLockKeys() {
  Display* display = QtX11Display();
  if (!display) return std::nullopt;  // another platform (offscreen, Wayland)
  // Which light is which is asked once per display; after that one request
  // (one round trip to the server) reads them all.
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
bool WatchLockKeys(QObject&, std::function<void()>) { return false; }
#endif
