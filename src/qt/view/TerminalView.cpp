#include "view/TerminalView.h"

#include <QBackingStore>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QWheelEvent>
#include <algorithm>
#include <cmath>

#include "terminal/TelnetSession.h"
#include "view/TerminalViewOwner.h"

namespace {
constexpr int kSettleDelayMs = 3;
// Text cells are drawn ahead of need once the screen has been quiet this long.
constexpr int kPrepareQuietMs = 50;
// The longest frame FrameIntervalMs gives (a display slower than 20 Hz).
constexpr int kLongestFrameMs = 50;
}  // namespace

TerminalView::TerminalView(TerminalViewOwner& owner, QWidget* parent)
    : QWidget(parent), owner_(owner) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMinimumSize(1, 1);
  image_ = QImage(QSize(1, 1), QImage::Format_RGB32);
  display_.Reset(cell_.width(), cell_.height());
  rasteriser_.SetFont(font(), cell_, owner_.TerminalCodePage());
  frameTimer_.setSingleShot(true);
  frameTimer_.setTimerType(Qt::PreciseTimer);
  connect(&frameTimer_, &QTimer::timeout, this, [this] { RequestFrame(); });
  settlesBackingStore_ = QGuiApplication::platformName() == QLatin1String("xcb");
  settleTimer_.setSingleShot(true);
  settleTimer_.setTimerType(Qt::PreciseTimer);
  connect(&settleTimer_, &QTimer::timeout, this, [this] { SettleBackingStore(); });
  prepareTimer_.setSingleShot(true);
  connect(&prepareTimer_, &QTimer::timeout, this, [this] { PrepareCells(); });
  sinceFrame_.start();
}

DrawContext& TerminalView::BeginDraw() {
  ++drawDepth_;
  return context_;
}

void TerminalView::EndDraw() {
  if (FinishDraw() && display_.HasChanges()) ScheduleFrame();
}

void TerminalView::SessionChanged() {
  sessionChanged_ = true;
  ScheduleFrame();
}

void TerminalView::DrawSessionChanges() {
  if (!sessionChanged_) return;
  sessionChanged_ = false;
  CTelnetSession* session = owner_.Session();
  if (!session) return;
  BeginDraw();
  session->Draw(context_, true);
  FinishDraw();  // drawn for the frame being made: no new frame needed
}

bool TerminalView::FinishDraw() { return drawDepth_ > 0 && --drawDepth_ == 0; }

int TerminalView::FrameIntervalMs() const {
  // One frame of the display the window is on; 60 Hz when it cannot say.
  const QScreen* shown = screen();
  const qreal hz = shown && shown->refreshRate() >= 1 ? shown->refreshRate() : 60.0;
  return std::clamp(static_cast<int>(std::lround(1000.0 / hz)), 4, kLongestFrameMs);
}

qint64 TerminalView::FrameWaitMs(qint64 since) const {
  // After a quiet moment every frame's time has passed: asking the screen
  // for its rate would cost the first byte's repaint a few microseconds.
  return since >= kLongestFrameMs ? 0 : std::max<qint64>(0, FrameIntervalMs() - since);
}

// Many draws, one frame: the first change after a frame was painted asks for
// a repaint at once if a frame's time has passed, else when it has. Changes
// that come while a repaint is on its way simply join it.
void TerminalView::ScheduleFrame() {
  if (FramePending()) return;
  const qint64 wait = FrameWaitMs(sinceFrame_.elapsed());
  if (wait > 0) {
    frameTimer_.start(static_cast<int>(wait));
    return;
  }
  RequestFrame();
}

void TerminalView::RequestFrame() {
  DrawSessionChanges();
  const QRect due = (unshown_ | RowsRect(display_.FirstChanged(), display_.LastChanged())) & rect();
  unshown_ = QRect();
  // A repaint from outside (an expose) may have shown it all before this
  // frame came: update() of nothing paints nothing, and a frame marked as on
  // its way would then hold back every later change.
  if (due.isEmpty()) return;
  // Painted now rather than on the event loop's next pass: a frame is only
  // asked for once a frame's time has passed since the last one.
  if (PaintDirect(due)) return;
  updateQueued_ = true;
  repaint(due);
}

QRect TerminalView::RowsRect(int first, int last) const {
  if (first > last) return {};
  return QRect(0, first * cell_.height(), width(), (last - first + 1) * cell_.height());
}

void TerminalView::SetPan(int x) {
  if (x == pan_) return;
  pan_ = x;
  InvalidateAll();
}

void TerminalView::InvalidateAll() {
  fullRedraw_ = true;
  updateQueued_ = true;
  update();
}

void TerminalView::SetTerminalFont(const QFont& font, QSize cell) {
  cell_ = cell.expandedTo(QSize(1, 1));
  rasteriser_.SetFont(font, cell_, owner_.TerminalCodePage());
  // What was recorded in the old cell size is drawn again in full.
  display_.Reset(cell_.width(), cell_.height());
  InvalidateAll();
}

QRect TerminalView::RenderPending() {
  QRect changed;
  if (fullRedraw_) {
    CTelnetSession* session = owner_.Session();
    if (!session) return changed;
    if (image_.size() != DeviceSize() || image_.devicePixelRatio() != devicePixelRatioF())
      NewImage();
    fullRedraw_ = false;
    sessionChanged_ = false;
    // Erase with the screen's background, then draw every row over it.
    display_.Reset(cell_.width(), cell_.height());
    image_.fill(ToQColor(session->EraseColour()));
    BeginDraw();
    session->Draw(context_, false);
    FinishDraw();  // already painting: no new frame needed
    changed = rect();
  }
  DrawSessionChanges();
  if (display_.HasChanges()) {
    const int ch = cell_.height();
    const int shown = static_cast<int>(std::ceil(image_.deviceIndependentSize().height()));
    const int last = std::min(display_.LastChanged(), (shown - 1) / ch);
    for (int r = display_.FirstChanged(); r <= last; ++r)
      if (display_.IsChanged(r)) rasteriser_.PaintRow(image_, r * ch, display_.Row(r), pan_);
    changed |= RowsRect(display_.FirstChanged(), display_.LastChanged());
    display_.TakeChanged();
  }
  return changed;
}

QImage TerminalView::Snapshot() {
  RenderPending();
  return image_.copy();
}

void TerminalView::FrameShown() {
  updateQueued_ = false;
  sinceFrame_.restart();
  ++frameCount_;
  // Runs a few milliseconds after this frame has gone to the window system:
  // by then the server has shown it, and the round trip does not compete
  // with that for the processor.
  if (settlesBackingStore_) settleTimer_.start(kSettleDelayMs);
  prepareTimer_.start(kPrepareQuietMs);
}

// The first host byte or keystroke echo that shows a letter would otherwise
// pay for drawing its cell. One cell per pass of the event loop, so a byte or
// key that arrives meanwhile waits for one cell at most.
void TerminalView::PrepareCells() {
  if (FramePending()) {
    prepareTimer_.start(kPrepareQuietMs);
    return;
  }
  if (rasteriser_.PrepareNext()) prepareTimer_.start(0);
}

void TerminalView::paintEvent(QPaintEvent* event) {
  FrameShown();
  // Moved to a screen of another pixel density: everything is drawn anew.
  if (image_.devicePixelRatio() != devicePixelRatioF()) NewImage();
  const QRect changed = RenderPending();
  QPainter painter(this);
  const QRect area = event->rect();
  const qreal ratio = image_.devicePixelRatio();
  if (ratio == 1)
    painter.drawImage(area, image_, area);
  else  // the image's pixels one to one onto the device's
    painter.drawImage(
        QRectF(area), image_,
        QRectF(area.x() * ratio, area.y() * ratio, area.width() * ratio, area.height() * ratio));
  // Rows that changed after this repaint was asked for are in the image now;
  // they are shown with the next frame.
  if (!event->region().contains(changed)) unshown_ |= changed;
  if (!unshown_.isEmpty()) ScheduleFrame();
}

// The X11 backing store hands its image to the server through shared memory,
// and before painting over a part it has sent it waits for the server to be
// done reading it: a round trip. A terminal repaints the same rows again and
// again, so the next byte's frame would pay that wait. Paying it now, while
// nothing is waiting to be shown, keeps it off the time from byte to screen.
// Between the frames of a stream it changes nothing: each frame waits once.
void TerminalView::SettleBackingStore() {
  if (FramePending() || !isVisible()) return;
  QBackingStore* store = backingStore();
  if (!store) return;
  const QRegion area(QRect(mapTo(window(), QPoint(0, 0)), size()));
  store->beginPaint(area);  // nothing is painted: only the wait is done
  store->endPaint();
}

void TerminalView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  NewImage();
  owner_.OnSize(width(), height());
}

QSize TerminalView::DeviceSize() const {
  const qreal ratio = devicePixelRatioF();
  return QSize(static_cast<int>(std::ceil(width() * ratio)),
               static_cast<int>(std::ceil(height() * ratio)))
      .expandedTo(QSize(1, 1));
}

void TerminalView::NewImage() {
  // The next repaint erases the new image and draws everything on it.
  image_ = QImage(DeviceSize(), QImage::Format_RGB32);
  image_.setDevicePixelRatio(devicePixelRatioF());
  fullRedraw_ = true;
}

void TerminalView::wheelEvent(QWheelEvent* event) {
  owner_.OnMouseWheel(event->angleDelta().y());
  event->accept();
}

void TerminalView::keyPressEvent(QKeyEvent* event) { owner_.OnTerminalKey(*event, true); }

void TerminalView::keyReleaseEvent(QKeyEvent* event) { owner_.OnTerminalKey(*event, false); }

bool TerminalView::focusNextPrevChild(bool /*next*/) { return false; }
