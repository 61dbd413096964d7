// The short way to the screen for rows that changed: from the view's image
// straight into the window's backing store and out to the window system,
// with no paint event. A widget repaint spends longer in Qt's machinery
// (the repaint manager, event delivery, a painter set up for the widget)
// than the rows take to draw, and a byte from the host or an echoed key
// waits for all of it. Anything this path cannot do simply goes through an
// ordinary repaint instead: a full redraw, a window not shown, a backing
// store that is not a plain image in the view's pixel format, a fractional
// pixel ratio.
#include <QBackingStore>
#include <QWindow>
#include <cmath>
#include <cstring>

#include "view/TerminalView.h"

namespace {

// Formats that store an opaque pixel of the view's image (0xffRRGGBB) as the
// same 32 bits, so rows can be copied as they are.
bool HoldsOpaquePixelsAsIs(QImage::Format format) {
  return format == QImage::Format_RGB32 || format == QImage::Format_ARGB32 ||
         format == QImage::Format_ARGB32_Premultiplied;
}

}  // namespace

bool TerminalView::PaintDirect(const QRect& due) {
  if (fullRedraw_ || !isVisible() || testAttribute(Qt::WA_NativeWindow)) return false;
  const QWindow* shown = window()->windowHandle();
  QBackingStore* store = backingStore();
  if (!shown || !shown->isExposed() || !store) return false;
  const qreal ratio = devicePixelRatioF();
  if (ratio < 1 || ratio != std::floor(ratio) || image_.format() != QImage::Format_RGB32 ||
      image_.devicePixelRatio() != ratio || image_.size() != DeviceSize())
    return false;

  const QRect area = due.translated(mapTo(window(), QPoint(0, 0)));  // in the window
  store->beginPaint(area);
  QPaintDevice* device = store->paintDevice();
  auto* target =
      device && device->devType() == QInternal::Image ? static_cast<QImage*>(device) : nullptr;
  if (!target || !HoldsOpaquePixelsAsIs(target->format()) || target->devicePixelRatio() != ratio) {
    store->endPaint();
    return false;
  }
  RenderPending();
  const int scale = static_cast<int>(ratio);
  const QRect from(due.topLeft() * scale, due.size() * scale);
  const QPoint offset = (area.topLeft() - due.topLeft()) * scale;
  const QRect copied = from & image_.rect() & target->rect().translated(-offset);
  constexpr int bytesPerPixel = 4;
  const auto rowBytes = static_cast<std::size_t>(copied.width() * bytesPerPixel);
  for (int y = copied.top(); y <= copied.bottom(); ++y)
    std::memcpy(target->scanLine(y + offset.y()) + (copied.left() + offset.x()) * bytesPerPixel,
                image_.constScanLine(y) + copied.left() * bytesPerPixel, rowBytes);
  store->endPaint();
  store->flush(area);
  FrameShown();
  return true;
}
