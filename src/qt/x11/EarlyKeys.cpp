// Typed letters leave for the host straight from the X11 key event. Qt's
// handling of a key press and its release (keyboard-map lookups, its
// window-system event queue, delivery through the widgets, and a property
// write that wakes the X server) takes a few tenths of a millisecond on the
// user-interface thread, and the host's echo would wait behind it. A plain
// letter needs none of it. The early path takes only keys whose byte is
// certain: one printable ASCII character from the first layout group, with at
// most Shift and Num Lock held, on a keyboard map without dead keys or a
// compose key (Qt composes those), when the frame says the key would do
// nothing else. Such a key, press and release, is not passed on to Qt; the
// window's last-input time, which window managers read to keep other windows
// from taking the focus while the user types, is written a little later.
// Kept apart from Qt-heavy code: the X11 headers define macros such as
// KeyPress.
#include "x11/EarlyKeys.h"

#if defined(CORVANE_HAVE_XKB)
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QWidget>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>
// clang-format off
#include <xcb/xcb.h>
#include <X11/Xlib.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>
// clang-format on

#include "x11/LastInputTime.h"
#include "x11/X11Connection.h"
#include "x11/XkbMapFingerprint.h"

namespace {

constexpr unsigned kCoreModifierBits = 0xff;  // Shift, Lock, Control, Mod1..Mod5
// After a key press or mouse button the early path leaves to Qt, later keys
// wait their turn behind it for this long (X server time, milliseconds): Qt
// delivers it within the same pass of its event loop, and the host must get
// the bytes in the order they were typed.
constexpr std::uint32_t kOrdinaryInputHoldMs = 50;

// Keys that start a composed character: dead accents and the compose key.
bool StartsComposing(KeySym sym) {
  return (sym >= XK_dead_grave && sym <= 0xfe8f) || sym == XK_Multi_key || sym == XK_Codeinput ||
         sym == XK_SingleCandidate || sym == XK_MultipleCandidate || sym == XK_PreviousCandidate;
}

// Calls `visit(keycode, keysym)` for every symbol of the map.
template <typename Visit>
void ForEachSymbol(XkbDescPtr xkb, Visit visit) {
  for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
    const auto key = static_cast<KeyCode>(code);
    for (int group = 0; group < XkbKeyNumGroups(xkb, key); ++group)
      for (int level = 0; level < XkbKeyGroupWidth(xkb, key, group); ++level)
        visit(key, XkbKeySymEntry(xkb, key, level, group));
  }
}

class X11EarlyKeys final : public EarlyKeys, public QAbstractNativeEventFilter {
 public:
  X11EarlyKeys(Target target, Display* display, int xkbEventBase)
      : target_(std::move(target)), display_(display), xkbEventBase_(xkbEventBase) {
    ReadMap();  // now, rather than on the first key
    QCoreApplication::instance()->installNativeEventFilter(this);
  }
  ~X11EarlyKeys() override {
    if (QCoreApplication* app = QCoreApplication::instance()) app->removeNativeEventFilter(this);
    if (xkb_) XkbFreeKeyboard(xkb_, 0, True);
  }

  bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr*) override {
    if (eventType != "xcb_generic_event_t") return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    const unsigned kind = event->response_type & 0x7fU;
    // A new keyboard map is read again now, while no key waits for it.
    if (kind == XCB_MAPPING_NOTIFY) {
      ReadMap();
      return false;
    }
    if (xkbEventBase_ > 0 && kind == unsigned(xkbEventBase_)) {
      const unsigned xkbKind = reinterpret_cast<const std::uint8_t*>(event)[1];  // XKB's own kind
      if (xkbKind == XkbMapNotify) ReadMap();
      // The server announces a new keyboard whenever typing moves to another
      // device (a second keyboard, XTest), mostly with the same map. Qt then
      // builds its keymap anew, dozens of round trips and a few milliseconds
      // that the key behind the notice waits for; with the same map that
      // work is skipped.
      if (xkbKind == XkbNewKeyboardNotify) return !ReadMap();
      return false;
    }
    if (kind != XCB_KEY_PRESS && kind != XCB_KEY_RELEASE && kind != XCB_BUTTON_PRESS) return false;
    // Key and button events share their layout.
    const auto* key = reinterpret_cast<const xcb_key_press_event_t*>(event);
    if (kind == XCB_KEY_RELEASE) {
      // Qt never saw the press of a taken key, so it does not see its release
      // either, whichever window has the keyboard by then.
      return std::exchange(taken_[key->detail], false);
    }
    if (!target_.window || key->event != target_.window->winId()) return false;
    if (kind == XCB_KEY_PRESS && TrySend(*key)) {
      taken_[key->detail] = true;
      lastInputTime_.Note(key->time);
      return true;
    }
    if (kind == XCB_KEY_PRESS) taken_[key->detail] = false;
    ordinarySeen_ = true;
    lastOrdinary_ = key->time;
    return false;
  }

 private:
  bool TrySend(const xcb_key_press_event_t& key) {
    if (ordinarySeen_ && key.time - lastOrdinary_ < kOrdinaryInputHoldMs) return false;
    if (!xkb_ || composes_) return false;
    // Caps Lock is left to Qt: how it changes a key depends on the key's type.
    const unsigned modifiers = key.state & kCoreModifierBits;
    const unsigned group = (key.state >> 13) & 3U;
    if ((modifiers & ~(ShiftMask | numLock_)) != 0 || group != 0) return false;
    if (!target_.accepts()) return false;
    unsigned consumed = 0;
    KeySym sym = NoSymbol;
    if (!XkbTranslateKeyCode(xkb_, static_cast<KeyCode>(key.detail), modifiers, &consumed, &sym) ||
        sym < 0x20 || sym > 0x7e)  // ASCII keysyms are their characters
      return false;
    target_.send(static_cast<unsigned char>(sym));
    return true;
  }

  // Reads the keyboard map again; false when it is the same as before.
  bool ReadMap() {
    if (xkb_) XkbFreeKeyboard(xkb_, 0, True);
    xkb_ = XkbGetMap(display_, XkbAllMapComponentsMask, XkbUseCoreKbd);
    composes_ = true;
    numLock_ = 0;
    if (!xkb_) {
      fingerprint_.clear();
      return true;
    }
    composes_ = false;
    ForEachSymbol(xkb_, [this](KeyCode key, KeySym sym) {
      composes_ = composes_ || StartsComposing(sym);
      if (sym == XK_Num_Lock) numLock_ |= xkb_->map->modmap[key];
    });
    numLock_ &= ~static_cast<unsigned>(ShiftMask);
    std::vector<unsigned long> print = XkbMapFingerprint(*xkb_);
    const bool changed = print != fingerprint_;
    fingerprint_ = std::move(print);
    return changed;
  }

  Target target_;
  Display* display_;
  int xkbEventBase_;
  XkbDescPtr xkb_ = nullptr;                // the keyboard map, read again after each change
  std::vector<unsigned long> fingerprint_;  // of xkb_, empty without one
  bool composes_ = true;                    // the map has dead keys or a compose key
  unsigned numLock_ = 0;                    // the modifier bits of Num Lock
  bool ordinarySeen_ = false;
  std::uint32_t lastOrdinary_ = 0;  // X time of the last input left to Qt
  std::array<bool, 256> taken_{};   // by keycode: pressed, sent here, release still to come
  LastInputTime lastInputTime_{target_.window};  // for keys Qt never sees
};

}  // namespace

std::unique_ptr<EarlyKeys> EarlyKeys::Install(Target target) {
  Display* display = QtX11Display();
  if (!display) return nullptr;
  // An input method (IBus, Fcitx) composes from plain letters too, so with
  // one every key is left to Qt; Qt's own composing is followed above.
  const QByteArray method = qgetenv("QT_IM_MODULE").toLower();
  if (!(method.isEmpty() || method == "compose") || qEnvironmentVariableIsSet("QT_IM_MODULES"))
    return nullptr;
  const int eventBase = XkbFirstEvent(display);
  if (eventBase < 0) return nullptr;
  return std::make_unique<X11EarlyKeys>(std::move(target), display, eventBase);
}
#else
std::unique_ptr<EarlyKeys> EarlyKeys::Install(Target) { return nullptr; }
#endif
