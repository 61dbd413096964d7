#include "view/PanArea.h"

#include <QScrollBar>
#include <QVBoxLayout>
#include <algorithm>

#include "view/TerminalView.h"

PanArea::PanArea(QWidget* parent) : QWidget(parent), bar_(new QScrollBar(Qt::Horizontal, this)) {
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  layout->addWidget(bar_);
  bar_->setFocusPolicy(Qt::NoFocus);  // the keyboard stays with the terminal
  bar_->hide();
  connect(bar_, &QScrollBar::valueChanged, this, [this](int value) {
    if (view_) view_->SetPan(value);
  });
}

void PanArea::SetView(TerminalView* view) {
  view_ = view;
  static_cast<QVBoxLayout*>(layout())->insertWidget(0, view_, 1);
  Place();
}

void PanArea::SetContentWidth(int width) {
  if (width == contentWidth_) return;
  contentWidth_ = width;
  Place();
}

int PanArea::PanBarHeight() const { return bar_->sizeHint().height(); }

void PanArea::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  Place();
}

void PanArea::Place() {
  // Whether the bar is needed depends on the area's width alone, which the
  // bar does not change: showing it never asks for itself again.
  const int shownWidth = width();
  const bool wide = contentWidth_ > shownWidth;
  bar_->setRange(0, wide ? contentWidth_ - shownWidth : 0);
  bar_->setPageStep(std::max(shownWidth, 1));
  bar_->setSingleStep(std::max(shownWidth / 20, 1));
  bar_->setHidden(!wide);
  if (view_) view_->SetPan(wide ? bar_->value() : 0);
}
