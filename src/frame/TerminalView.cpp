#include "frame/TerminalView.h"

#include <QKeyEvent>
#include <QPaintEvent>
#include <QWheelEvent>

#include "frame/MainFrame.h"
#include "terminal/TelnetSession.h"

TerminalView::TerminalView(CMainFrame& frame, QWidget* parent) : QWidget(parent), frame_(frame) {
  setAttribute(Qt::WA_OpaquePaintEvent);
  setFocusPolicy(Qt::StrongFocus);
  setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
  setMinimumSize(1, 1);
}

DrawContext& TerminalView::BeginDraw() {
  if (drawDepth_++ == 0) {
    if (image_.isNull()) image_ = QImage(QSize(1, 1), QImage::Format_RGB32);
    painter_.begin(&image_);
    context_.emplace(painter_, font_, frame_.TerminalCodePage(), cell_.width(), cell_.height());
  }
  return *context_;
}

void TerminalView::EndDraw() {
  if (!FinishDraw()) return;
  update();  // coalesced by Qt: many received blocks, one repaint
}

bool TerminalView::FinishDraw() {
  if (drawDepth_ == 0 || --drawDepth_ > 0) return false;
  context_.reset();
  painter_.end();
  return true;
}

void TerminalView::InvalidateAll() {
  fullRedraw_ = true;
  update();
}

void TerminalView::SetTerminalFont(const QFont& font, QSize cell) {
  font_ = font;
  cell_ = cell;
  InvalidateAll();
}

void TerminalView::RedrawAllIfNeeded() {
  if (!fullRedraw_) return;
  CTelnetSession* session = frame_.Session();
  if (!session) return;
  fullRedraw_ = false;
  if (image_.size() != size()) image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  // Erase with the screen's background, then draw every row over it.
  DrawContext& dc = BeginDraw();
  painter_.fillRect(image_.rect(), ToQColor(session->EraseColour()));
  session->Draw(dc, false);
  FinishDraw();  // already inside a repaint: no new update needed
}

QImage TerminalView::Snapshot() {
  RedrawAllIfNeeded();
  return image_.copy();
}

void TerminalView::paintEvent(QPaintEvent* event) {
  RedrawAllIfNeeded();
  QPainter painter(this);
  painter.drawImage(event->rect(), image_, event->rect());
}

void TerminalView::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  // The next repaint erases the new image and draws everything on it.
  image_ = QImage(size().expandedTo(QSize(1, 1)), QImage::Format_RGB32);
  fullRedraw_ = true;
  frame_.OnSize(width(), height());
}

void TerminalView::wheelEvent(QWheelEvent* event) {
  frame_.OnMouseWheel(event->angleDelta().y());
  event->accept();
}

void TerminalView::keyPressEvent(QKeyEvent* event) { frame_.OnTerminalKey(*event, true); }

void TerminalView::keyReleaseEvent(QKeyEvent* event) { frame_.OnTerminalKey(*event, false); }

bool TerminalView::focusNextPrevChild(bool /*next*/) { return false; }
