#pragma once
// DrawContext over a QPainter: the session's text calls become glyphs on a
// fixed cell grid, each byte shown through the terminal's code page.
#include <QColor>
#include <QFont>

#include "app/CodePage.h"
#include "platform/DrawContext.h"

class QPainter;

QColor ToQColor(Colour c);

class QtDrawContext : public DrawContext {
 public:
  QtDrawContext(QPainter& painter, const QFont& font, const CodePage& codePage, int cellWidth,
                int cellHeight);

  void SetTextColour(Colour c) override { text_ = ToQColor(c); }
  void SetBackColour(Colour c) override { back_ = ToQColor(c); }
  // Fills the cells with the back colour, then draws each glyph at its cell,
  // so a glyph from a fallback font never shifts the ones after it.
  void TextOut(int x, int y, const unsigned char* text, std::size_t len) override;
  void HorizontalLine(int x1, int x2, int y, Colour c) override;
  void FillRect(int x, int y, int w, int h, Colour c) override;

 private:
  QPainter& painter_;
  const CodePage& codePage_;
  int cellWidth_;
  int cellHeight_;
  int ascent_;
  QColor text_{Qt::white};
  QColor back_{Qt::black};
};
