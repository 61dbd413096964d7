#include "view/QtDrawContext.h"

QColor ToQColor(Colour c) { return QColor(RedOf(c), GreenOf(c), BlueOf(c)); }

Colour FromQColor(const QColor& c) { return MakeColour(c.red(), c.green(), c.blue()); }
