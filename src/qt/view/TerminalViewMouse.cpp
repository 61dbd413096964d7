// Mouse input of the terminal area, handed to the frame: the left button
// selects, the right button copies or pastes, the middle button sends the
// selection to the host. Releasing the left button offers the selection to
// other programs as the primary selection, where the desktop has one.
#include <QMouseEvent>

#include "frame/MainFrame.h"
#include "view/TerminalView.h"

void TerminalView::mousePressEvent(QMouseEvent* event) {
  // A double click arrives here too (QWidget's default), as a second press.
  const QPoint point = event->position().toPoint();
  switch (event->button()) {
    case Qt::LeftButton:
      frame_.OnLButtonDown(point);
      break;
    case Qt::RightButton:
      frame_.OnRButtonDown();
      break;
    case Qt::MiddleButton:
      frame_.OnMButtonDown();
      break;
    default:
      break;
  }
  QWidget::mousePressEvent(event);
}

void TerminalView::mouseMoveEvent(QMouseEvent* event) {
  frame_.OnMouseMove(event->buttons(), event->position().toPoint());
  QWidget::mouseMoveEvent(event);
}

void TerminalView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) frame_.OnLButtonUp();
  QWidget::mouseReleaseEvent(event);
}
