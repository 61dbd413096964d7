#pragma once
// Typed letters sent from the window system's key event, in place of Qt's own
// key handling (see EarlyKeys.cpp).
#include <functional>
#include <memory>

class QWidget;

class EarlyKeys {
 public:
  // What the early path asks of the frame.
  struct Target {
    // The widget whose X11 window receives the keys (the top-level frame).
    QWidget* window = nullptr;
    // True when a printable ASCII key typed now would only send its byte:
    // the terminal area has the focus, the session is connected, no local
    // echo, no menu or dialog open, no accelerator on a plain key.
    std::function<bool()> accepts;
    // Sends one typed character, as the ordinary key path would.
    std::function<void(unsigned char)> send;
  };

  // Null on platforms other than X11 and with an input method. While the
  // keyboard map has dead keys or a compose key, every key is left to Qt
  // (its composing must see them). Keys sent here never reach Qt.
  static std::unique_ptr<EarlyKeys> Install(Target target);
  virtual ~EarlyKeys() = default;
};
