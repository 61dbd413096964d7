// Mouse input of the terminal area, handed to its owner: the left button
// selects, the right button copies or pastes, the middle button sends the
// selection to the host. Releasing the left button offers the selection to
// other programs as the primary selection, where the desktop has one.
#include <QMouseEvent>

#include "view/TerminalView.h"
#include "view/TerminalViewOwner.h"

void TerminalView::mousePressEvent(QMouseEvent* event) {
  // A double click arrives here too (QWidget's default), as a second press.
  // Points in the screen's terms: a panned screen starts left of the view.
  const QPoint point = event->position().toPoint() + QPoint(pan_, 0);
  switch (event->button()) {
    case Qt::LeftButton:
      owner_.OnLButtonDown(point);
      break;
    case Qt::RightButton:
      owner_.OnRButtonDown();
      break;
    case Qt::MiddleButton:
      owner_.OnMButtonDown();
      break;
    default:
      break;
  }
  QWidget::mousePressEvent(event);
}

void TerminalView::mouseMoveEvent(QMouseEvent* event) {
  owner_.OnMouseMove(event->buttons(), event->position().toPoint() + QPoint(pan_, 0));
  QWidget::mouseMoveEvent(event);
}

void TerminalView::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) owner_.OnLButtonUp();
  QWidget::mouseReleaseEvent(event);
}
