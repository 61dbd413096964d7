#pragma once
// The status bar's panes: the message area (pane 0), which takes the room the
// fixed panes leave and elides what does not fit, and the fixed panes 1 .. 7,
// each at least its nominal width and as wide as the texts it shows in the
// bar's current font. CAP, NUM and SCRL light with the lock keys where the
// window system can be asked (X11), and stay dimmed elsewhere.
#include <QLabel>
#include <array>
#include <functional>
#include <optional>

class QStatusBar;

// Pane 0: shows the command prompt of a highlighted menu item over its own
// text, either elided with "…" when the pane is too narrow.
class MessagePane : public QLabel {
 public:
  using QLabel::QLabel;
  void SetPrompt(const QString& prompt);
  QString Shown() const { return prompt_.isEmpty() ? text() : prompt_; }
  QSize minimumSizeHint() const override;
  QSize sizeHint() const override;

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  QString prompt_;
};

struct LockKeys {
  bool caps = false;
  bool num = false;
  bool scroll = false;
};

// The lock keys' state as the window system shows it on the keyboard's
// lights; nothing when the platform cannot be asked.
std::optional<LockKeys> QueryLockKeys();
// Calls `changed` whenever the window system reports that the keyboard's
// lights changed, in any window; false when it cannot. Ends with `owner`.
bool WatchLockKeys(QObject& owner, std::function<void()> changed);

class StatusPanes : public QObject {
 public:
  static constexpr int kCount = 8;
  // Builds the panes in `bar`; `panes` receives them, pane 0 first.
  StatusPanes(QStatusBar& bar, std::array<QLabel*, kCount>& panes);

  // Reads the lock keys again and lights or dims their panes.
  void RefreshLockKeys();
  // Widens the fixed panes to the texts they show in the bar's font.
  void FitWidths();
  // Gives the fixed panes the message pane's height, which the bar sets.
  void FollowMessageHeight();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QStatusBar& bar_;
  std::array<QLabel*, kCount>& panes_;
};
