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
#include "frame/EarlyKeys.h"

#if defined(CORVANE_HAVE_XKB)
#include <QAbstractNativeEventFilter>
#include <QByteArray>
#include <QCoreApplication>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <utility>
#include <vector>
// clang-format off
#include <xcb/xcb.h>
#include <X11/Xlib.h>
#include <X11/Xatom.h>
#include <X11/XKBlib.h>
#include <X11/keysym.h>
// clang-format on

#include "frame/X11Connection.h"

namespace {

constexpr unsigned kCoreModifierBits = 0xff;  // Shift, Lock, Control, Mod1..Mod5
// After a key press or mouse button the early path leaves to Qt, later keys
// wait their turn behind it for this long (X server time, milliseconds): Qt
// delivers it within the same pass of its event loop, and the host must get
// the bytes in the order they were typed.
constexpr std::uint32_t kOrdinaryInputHoldMs = 50;
// The last-input time of keys taken here is written this much later
// (milliseconds), at most once a second while the user types: a write wakes
// the X server and the window manager, and one that met a keystroke would
// hold up its echo.
constexpr int kUserTimeDelayMs = 1000;

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

// Everything of a keyboard map that decides what a key produces: key types,
// symbols, real and virtual modifier maps, actions, behaviours, explicit
// components. Equal fingerprints mean Qt's keymap still holds.
std::vector<unsigned long> Fingerprint(XkbDescPtr xkb) {
  std::vector<unsigned long> print{xkb->min_key_code, xkb->max_key_code};
  const auto mods = [&print](const XkbModsRec& m) {
    print.insert(print.end(), {m.mask, m.real_mods, m.vmods});
  };
  if (XkbClientMapPtr map = xkb->map) {
    print.push_back(map->num_types);
    for (int t = 0; t < map->num_types; ++t) {
      const XkbKeyTypeRec& type = map->types[t];
      mods(type.mods);
      print.insert(print.end(), {type.num_levels, type.map_count});
      for (int e = 0; e < type.map_count; ++e) {
        print.insert(print.end(), {static_cast<unsigned long>(type.map[e].active), type.map[e].level});
        mods(type.map[e].mods);
        if (type.preserve) mods(type.preserve[e]);
      }
    }
  }
  XkbServerMapPtr server = xkb->server;
  if (server) print.insert(print.end(), server->vmods, server->vmods + XkbNumVirtualMods);
  for (int code = xkb->min_key_code; code <= xkb->max_key_code; ++code) {
    const auto key = static_cast<KeyCode>(code);
    if (XkbClientMapPtr map = xkb->map) {
      const XkbSymMapRec& syms = map->key_sym_map[key];
      print.insert(print.end(), {syms.kt_index[0], syms.kt_index[1], syms.kt_index[2],
                                 syms.kt_index[3], syms.group_info, syms.width});
      print.insert(print.end(), XkbKeySymsPtr(xkb, key), XkbKeySymsPtr(xkb, key) + XkbKeyNumSyms(xkb, key));
      if (map->modmap) print.push_back(map->modmap[key]);
    }
    if (!server) continue;
    print.insert(print.end(), {server->vmodmap ? server->vmodmap[key] : 0UL,
                               server->c_explicit ? server->c_explicit[key] : 0UL});
    if (server->behaviors)
      print.insert(print.end(), {server->behaviors[key].type, server->behaviors[key].data});
    if (!server->key_acts || !XkbKeyHasActions(xkb, key)) continue;
    const XkbAction* actions = XkbKeyActionsPtr(xkb, key);
    for (int a = 0; a < XkbKeyNumActions(xkb, key); ++a) {
      print.push_back(actions[a].any.type);
      print.insert(print.end(), actions[a].any.data, actions[a].any.data + XkbAnyActionDataSize);
    }
  }
  return print;
}

class X11EarlyKeys final : public EarlyKeys, public QAbstractNativeEventFilter {
 public:
  X11EarlyKeys(Target target, Display* display, int xkbEventBase)
      : target_(std::move(target)), display_(display), xkbEventBase_(xkbEventBase) {
    ReadMap();  // now, rather than on the first key
    userTimeAtom_ = XInternAtom(display_, "_NET_WM_USER_TIME", False);
    userTimeWindowAtom_ = XInternAtom(display_, "_NET_WM_USER_TIME_WINDOW", False);
    userTimeTimer_.setSingleShot(true);
    userTimeTimer_.setInterval(kUserTimeDelayMs);
    userTimeTimer_.callOnTimeout([this] { WriteUserTime(); });
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
    if (kind == XCB_MAPPING_NOTIFY || (xkbEventBase_ > 0 && kind == unsigned(xkbEventBase_))) {
      // A new keyboard map (XKB's own kinds are in the second byte): it is
      // read again now, while no key waits for it.
      const unsigned xkbKind = reinterpret_cast<const std::uint8_t*>(event)[1];
      if (kind == XCB_MAPPING_NOTIFY || xkbKind == XkbMapNotify) ReadMap();
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
      userTime_ = key->time;
      if (!userTimeTimer_.isActive()) userTimeTimer_.start();
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

  // What Qt writes on each key press it handles: the time of the user's last
  // input, on the window it keeps for that property or else on the frame.
  void WriteUserTime() {
    if (!target_.window || userTimeAtom_ == None) return;
    // Qt creates its window for the property on the first key or click it
    // handles, so until it has one the frame is asked again each time.
    const auto frame = static_cast<Window>(target_.window->winId());
    if (frame != userTimeFrame_ || userTimeWindow_ == frame) {
      userTimeFrame_ = frame;
      userTimeWindow_ = UserTimeWindowOf(frame);
    }
    const Window window = userTimeWindow_;
    const auto time = static_cast<long>(userTime_);  // format 32 properties are longs in Xlib
    XChangeProperty(display_, window, userTimeAtom_, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&time), 1);
    XFlush(display_);
  }

  Window UserTimeWindowOf(Window frame) {
    Atom type = None;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    Window found = frame;
    if (userTimeWindowAtom_ != None &&
        XGetWindowProperty(display_, frame, userTimeWindowAtom_, 0, 1, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) == Success &&
        type == XA_WINDOW && format == 32 && count == 1 && data)
      found = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return found;
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
    std::vector<unsigned long> print = Fingerprint(xkb_);
    const bool changed = print != fingerprint_;
    fingerprint_ = std::move(print);
    return changed;
  }

  Target target_;
  Display* display_;
  int xkbEventBase_;
  XkbDescPtr xkb_ = nullptr;  // the keyboard map, read again after each change
  std::vector<unsigned long> fingerprint_;  // of xkb_, empty without one
  bool composes_ = true;      // the map has dead keys or a compose key
  unsigned numLock_ = 0;      // the modifier bits of Num Lock
  bool ordinarySeen_ = false;
  std::uint32_t lastOrdinary_ = 0;  // X time of the last input left to Qt
  std::array<bool, 256> taken_{};   // by keycode: pressed, sent here, release still to come
  Atom userTimeAtom_ = None;
  Atom userTimeWindowAtom_ = None;
  QTimer userTimeTimer_;
  std::uint32_t userTime_ = 0;  // X time of the last key taken here
  Window userTimeFrame_ = None;
  Window userTimeWindow_ = None;  // where userTimeFrame_ keeps its last-input time
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
