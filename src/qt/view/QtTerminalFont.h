#pragma once
// The terminal font from its profile description.
#include <QFont>

#include "platform/SessionHost.h"

// "Terminal" (the classic console face) resolves to the system's fixed-pitch
// font; any other face is asked for by name with a typewriter fallback. Size
// is the description's tenths of a point; weight is always normal.
QFont ResolveTerminalFont(const FontDescription& desc);

// The cell of a fixed-pitch font: the advance of one blank by the line height.
QSize TerminalCellSize(const QFont& font);
