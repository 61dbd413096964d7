#pragma once
// The time of the user's last input on a window (_NET_WM_USER_TIME), which
// window managers read to keep other windows from taking the focus while the
// user types. Qt writes it for every key it handles; keys sent before Qt
// sees them have it written here, a little later, once for a burst.
#include <QTimer>

class QWidget;

class LastInputTime {
 public:
  // `window` is the top-level widget whose X11 window receives the keys.
  explicit LastInputTime(QWidget* window);
  // Notes a key press at X server time `time`; written within a second.
  void Note(unsigned long time);

 private:
  void Write();

  QWidget* window_;
  QTimer timer_;
  unsigned long time_ = 0;        // of the last key noted
  unsigned long frame_ = 0;       // the X11 window timeWindow_ was found for
  unsigned long timeWindow_ = 0;  // where frame_ keeps the property
};
