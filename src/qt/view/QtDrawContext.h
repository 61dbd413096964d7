#pragma once
// The terminal area's DrawContext. It paints nothing itself: every call is
// recorded in the screen's display list, row by row, and the window paints
// the rows that changed once per display frame. So a host that streams fast
// is never held up by the screen.
#include <QColor>

#include "platform/DrawContext.h"
#include "view/ScreenDisplayList.h"

QColor ToQColor(Colour c);
Colour FromQColor(const QColor& c);

class QtDrawContext : public DrawContext {
 public:
  explicit QtDrawContext(ScreenDisplayList& list) : list_(list) {}

  void SetTextColour(Colour c) override { text_ = c; }
  void SetBackColour(Colour c) override { back_ = c; }
  void DrawText(int x, int y, const unsigned char* text, std::size_t len) override {
    list_.AddText(x, y, text, len, text_, back_);
  }
  void HorizontalLine(int x1, int x2, int y, Colour c) override { list_.AddLine(x1, x2, y, c); }
  void FillRect(int x, int y, int w, int h, Colour c) override { list_.AddFill(x, y, w, h, c); }

 private:
  ScreenDisplayList& list_;
  Colour text_ = MakeColour(255, 255, 255);
  Colour back_ = 0;
};
