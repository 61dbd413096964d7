#include "platform/qt/QtDrawContext.h"

#include <QFontMetrics>
#include <QPainter>
#include <QString>

QColor ToQColor(Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

QtDrawContext::QtDrawContext(QPainter& painter, const QFont& font, const CodePage& codePage,
                             int cellWidth, int cellHeight)
    : painter_(painter),
      codePage_(codePage),
      cellWidth_(cellWidth),
      cellHeight_(cellHeight),
      ascent_(QFontMetrics(font).ascent()) {
  painter_.setFont(font);
}

void QtDrawContext::TextOut(int x, int y, const unsigned char* text, std::size_t len) {
  if (len == 0) return;
  painter_.fillRect(x, y, static_cast<int>(len) * cellWidth_, cellHeight_, back_);
  painter_.setPen(text_);
  QString glyph(1, QChar(u' '));
  for (std::size_t i = 0; i < len; ++i) {
    const char16_t ch = codePage_.ToUnicode(text[i]);
    if (ch == u' ') continue;  // the fill already shows a blank
    glyph[0] = QChar(ch);
    painter_.drawText(x + static_cast<int>(i) * cellWidth_, y + ascent_, glyph);
  }
}

void QtDrawContext::HorizontalLine(int x1, int x2, int y, Colour c) {
  if (x2 <= x1) return;
  painter_.fillRect(x1, y, x2 - x1, 1, ToQColor(c));
}

void QtDrawContext::FillRect(int x, int y, int w, int h, Colour c) {
  if (w <= 0 || h <= 0) return;
  painter_.fillRect(x, y, w, h, ToQColor(c));
}
