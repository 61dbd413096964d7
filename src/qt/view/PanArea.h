#pragma once
// The terminal area as the window shows it: the view and, only while the
// screen is wider than the area (a screen wider than the display, or a window
// the user narrowed while the host has not agreed to a new size), a
// horizontal scroll bar under it that pans the screen in the view. A pan
// never resizes the view, so no new screen size is asked for.
#include <QWidget>

class QScrollBar;
class TerminalView;

class PanArea : public QWidget {
  Q_OBJECT

 public:
  explicit PanArea(QWidget* parent);

  // The view whose screen is panned (it becomes this area's child).
  void SetView(TerminalView* view);
  // The width in pixels of everything the view shows: the screen's width.
  void SetContentWidth(int width);
  // The height the scroll bar takes under the view while it is shown.
  int PanBarHeight() const;
  QScrollBar* PanBar() const { return bar_; }

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void Place();  // the bar's range and visibility, the view's pan

  QScrollBar* bar_;
  TerminalView* view_ = nullptr;
  int contentWidth_ = 0;
};
