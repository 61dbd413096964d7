#include "view/QtTerminalFont.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QSize>

QFont ResolveTerminalFont(const FontDescription& desc) {
  const QString face = QString::fromStdString(desc.faceName);
  QFont font = face.compare(QStringLiteral("Terminal"), Qt::CaseInsensitive) == 0
                   ? QFontDatabase::systemFont(QFontDatabase::FixedFont)
                   : QFont(face);
  font.setStyleHint(QFont::TypeWriter);
  font.setFixedPitch(true);
  font.setPointSizeF(desc.heightTenths / 10.0);
  font.setItalic(desc.italic);
  font.setWeight(QFont::Normal);
  font.setUnderline(false);
  font.setStrikeOut(false);
  return font;
}

QSize TerminalCellSize(const QFont& font) {
  const QFontMetrics metrics(font);
  return {metrics.horizontalAdvance(QLatin1Char(' ')), metrics.height()};
}
