// The find bar's widgets and keys.
#include "frame/FindBar.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

FindBar::FindBar(QWidget* parent)
    : QWidget(parent),
      edit_(new QLineEdit(this)),
      matchCase_(new QCheckBox(tr("Match case"), this)),
      count_(new QLabel(this)),
      previous_(new QToolButton(this)),
      next_(new QToolButton(this)),
      close_(new QToolButton(this)) {
  auto* layout = new QHBoxLayout(this);
  layout->setContentsMargins(4, 2, 4, 2);
  edit_->setPlaceholderText(tr("Find"));
  edit_->setObjectName("findText");
  matchCase_->setObjectName("findMatchCase");
  count_->setObjectName("findCount");
  previous_->setText(QStringLiteral("\u25b2"));
  previous_->setToolTip(tr("Previous (Shift+Enter, Shift+F3)"));
  next_->setText(QStringLiteral("\u25bc"));
  next_->setToolTip(tr("Next (Enter, F3)"));
  close_->setText(QStringLiteral("\u2715"));
  close_->setToolTip(tr("Close (Escape)"));
  layout->addWidget(edit_, 1);
  layout->addWidget(matchCase_);
  layout->addWidget(count_);
  layout->addWidget(previous_);
  layout->addWidget(next_);
  layout->addWidget(close_);
  // The window's width follows the terminal's, never the bar's.
  setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  for (QWidget* child : {static_cast<QWidget*>(edit_), static_cast<QWidget*>(matchCase_),
                         static_cast<QWidget*>(previous_), static_cast<QWidget*>(next_),
                         static_cast<QWidget*>(close_)})
    child->installEventFilter(this);
  connect(edit_, &QLineEdit::textChanged, this, &FindBar::QueryChanged);
  connect(matchCase_, &QCheckBox::toggled, this, &FindBar::QueryChanged);
  connect(previous_, &QToolButton::clicked, this, [this] { emit Step(false); });
  connect(next_, &QToolButton::clicked, this, [this] { emit Step(true); });
  connect(close_, &QToolButton::clicked, this, &FindBar::CloseAsked);
}

void FindBar::Open() {
  show();
  edit_->setFocus(Qt::ShortcutFocusReason);
  edit_->selectAll();
}

QString FindBar::Text() const { return edit_->text(); }

bool FindBar::MatchCase() const { return matchCase_->isChecked(); }

void FindBar::ShowCount(int number, int count) {
  if (edit_->text().isEmpty())
    count_->clear();
  else if (count == 0)
    count_->setText(tr("No matches"));
  else
    count_->setText(tr("%1 of %2").arg(number).arg(count));
}

QString FindBar::CountText() const { return count_->text(); }

bool FindBar::eventFilter(QObject* watched, QEvent* event) {
  // Taken before the line edit or a button acts on them: F3 and Enter step,
  // Escape closes, wherever in the bar the keyboard is.
  if (event->type() == QEvent::KeyPress) {
    const auto* key = static_cast<QKeyEvent*>(event);
    const bool shift = (key->modifiers() & Qt::ShiftModifier) != 0;
    switch (key->key()) {
      case Qt::Key_Return:
      case Qt::Key_Enter:
        if (watched != edit_) break;  // a button's own Enter presses it
        [[fallthrough]];
      case Qt::Key_F3:
        emit Step(!shift);
        return true;
      case Qt::Key_Escape:
        emit CloseAsked();
        return true;
      default:
        break;
    }
  }
  return QWidget::eventFilter(watched, event);
}
