#include "frame/StatusPanes.h"

#include <QEvent>
#include <QMetaObject>
#include <QPainter>
#include <QStatusBar>
#include <QStyle>
#include <algorithm>

#include "frame/CommandIds.h"
#include "frame/MainFrame.h"

namespace {

struct PaneSpec {
  int id;
  const char* text;    // shown until the session writes the pane
  int nominalWidth;    // pixels
  const char* widest;  // the widest text it shows later, if wider than `text`
};

// Panes 1 .. 7; pane 0 is the message area.
constexpr std::array<PaneSpec, StatusPanes::kCount - 1> kPanes = {{
    {cmd::ID_INDICATOR_CURSOR, "Cursor position:", 90, "Ln 255, Col 256"},
    {cmd::ID_INDICATOR_TIME, "00:00:00", 50, "88:88:88"},
    {cmd::ID_INDICATOR_SIZE, "Screen size:", 50, "255x255"},
    {cmd::ID_INDICATOR_LOG, "Logging", 50, nullptr},
    {cmd::ID_INDICATOR_CAPS, "CAP", 0, nullptr},
    {cmd::ID_INDICATOR_NUM, "NUM", 0, nullptr},
    {cmd::ID_INDICATOR_SCRL, "SCRL", 0, nullptr},
}};
constexpr std::size_t kFirstLockPane = 5;

QSize TextSize(QLabel& label, const QString& text) {
  // The label's own size hint for the text: font, frame, margin and indent.
  const QString kept = label.text();
  label.setText(text);
  const QSize size = label.sizeHint();
  label.setText(kept);
  return size;
}

}  // namespace

void MessagePane::SetPrompt(const QString& prompt) {
  if (prompt == prompt_) return;
  prompt_ = prompt;
  update();
}

QSize MessagePane::minimumSizeHint() const { return {0, QLabel::minimumSizeHint().height()}; }

QSize MessagePane::sizeHint() const { return {0, QLabel::sizeHint().height()}; }

void MessagePane::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const int m = margin();
  const QRect area = contentsRect().adjusted(m, m, -m, -m);
  const QString shown = fontMetrics().elidedText(Shown(), Qt::ElideRight, area.width());
  style()->drawItemText(&painter, area, static_cast<int>(alignment()), palette(), isEnabled(),
                        shown, foregroundRole());
}

StatusPanes::StatusPanes(QStatusBar& bar, std::array<QLabel*, kCount>& panes)
    : QObject(&bar), bar_(bar), panes_(panes) {
  auto* message = new MessagePane(QStringLiteral("Ready"), &bar);
  message->setTextFormat(Qt::PlainText);
  // Permanent like the others, so the bar's own prompt drawing has no room;
  // the message pane shows the prompt itself, elided like its text.
  bar.addPermanentWidget(message, 1);
  connect(&bar, &QStatusBar::messageChanged, message, &MessagePane::SetPrompt);
  panes_[0] = message;
  message->installEventFilter(this);  // its height, for the fixed panes
  for (std::size_t i = 0; i < kPanes.size(); ++i) {
    auto* label = new QLabel(QString::fromUtf8(kPanes[i].text), &bar);
    label->setTextFormat(Qt::PlainText);
    label->setObjectName(QStringLiteral("pane%1").arg(kPanes[i].id));
    label->setFrameShape(QFrame::Panel);
    label->setFrameShadow(QFrame::Sunken);
    label->installEventFilter(this);  // font changes
    bar.addPermanentWidget(label);
    panes_[i + 1] = label;
  }
  FitWidths();

  // Lock panes are dimmed unless the window system says a lock is on.
  RefreshLockKeys();
  WatchLockKeys(*this, [this] { RefreshLockKeys(); });
}

void StatusPanes::FitWidths() {
  for (std::size_t i = 0; i < kPanes.size(); ++i) {
    QLabel& label = *panes_[i + 1];
    const QSize shown = TextSize(label, QString::fromUtf8(kPanes[i].text));
    int width = std::max(kPanes[i].nominalWidth, shown.width());
    if (kPanes[i].widest)
      width = std::max(width, TextSize(label, QString::fromUtf8(kPanes[i].widest)).width());
    // Fixed in both directions, a pane repaints alone when its text changes;
    // a pane that may change size makes every new text lay out the whole bar
    // again, with the size hints of all its panes (the clock's tick held the
    // interface thread for most of a millisecond each second). Once the bar
    // is laid out, the height follows the message pane's (eventFilter).
    label.setFixedSize(width, shown.height());
  }
}

void StatusPanes::RefreshLockKeys() {
  const std::optional<LockKeys> locks = QueryLockKeys();
  const std::array<bool, 3> lit =
      locks ? std::array<bool, 3>{locks->caps, locks->num, locks->scroll} : std::array<bool, 3>{};
  for (std::size_t k = 0; k < lit.size(); ++k) panes_[kFirstLockPane + k]->setEnabled(lit[k]);
}

void StatusPanes::FollowMessageHeight() {
  for (std::size_t i = 1; i < panes_.size(); ++i) panes_[i]->setFixedHeight(panes_[0]->height());
}

bool StatusPanes::eventFilter(QObject* watched, QEvent* event) {
  // After the label itself has taken the new font (its size hint is stale
  // until then, and a fixed size would cut the text off), and then once the
  // bar is laid out again in it; a bar not shown yet is laid out on showing.
  if (event->type() == QEvent::FontChange)
    QMetaObject::invokeMethod(
        this,
        [this] {
          FitWidths();
          QMetaObject::invokeMethod(
              this,
              [this] {
                if (panes_[0]->isVisible()) FollowMessageHeight();
              },
              Qt::QueuedConnection);
        },
        Qt::QueuedConnection);
  if (event->type() == QEvent::Resize && watched == panes_[0]) FollowMessageHeight();
  return false;
}

void CMainFrame::BuildStatusBar() {
  static_assert(StatusPanes::kCount == kStatusPaneCount);
  m_pStatusBar = statusBar();
  new StatusPanes(*m_pStatusBar, m_Panes);
  for (std::size_t pane = 0; pane < m_Panes.size(); ++pane)
    m_PaneText[pane] = m_Panes[pane]->text().toStdString();
}
