#include "dialogs/OpenConnectionDialog.h"

#include <QFontMetrics>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QVBoxLayout>
#include <algorithm>

#include "cmdline/PortText.h"

namespace {

// Refusal of an over-long description, worded like the port field's.
std::string TooLongMessage(int limit) {
  return "Please enter no more than " + std::to_string(limit) + " characters.";
}

QString Text(const std::string& text) { return QString::fromStdString(text); }

// The layout keeps the proportions of a dialog measured in dialog units: a
// quarter of the font's average character width across, an eighth of its
// height down.
class DialogUnits {
 public:
  explicit DialogUnits(const QFontMetrics& metrics)
      : x_(metrics.horizontalAdvance(
               QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz")) /
           26.0 / 2.0),
        y_(metrics.height()) {}
  int X(int units) const { return static_cast<int>(units * x_ / 4.0 + 0.5); }
  int Y(int units) const { return static_cast<int>(units * y_ / 8.0 + 0.5); }

 private:
  double x_, y_;
};

}  // namespace

COpenConnectionDlg::COpenConnectionDlg(RecentHostList& hosts, Profile& profile,
                                       ShowMessageFn showMessage, QWidget* parent)
    : QDialog(parent),
      m_nPort(hosts.At(0).port),
      m_Hosts(hosts),
      m_Profile(profile),
      m_ShowMessage(std::move(showMessage)) {
  BuildControls();

  // Loading direction: the members into the fields, then the list, with its
  // first line chosen so the fields show the newest entry.
  m_editPort->setText(Text(PortText(m_nPort)));
  m_editHost->setText(Text(m_strHost));
  m_editDescription->setText(Text(m_strDescription));
  FillHistory();
  if (m_listHistory->count() > 0) {
    m_listHistory->setCurrentRow(0);
    OnSelChangeHistory();
  }
}

void COpenConnectionDlg::BuildControls() {
  setWindowTitle(QStringLiteral("Open Connection"));
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                 Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
  const DialogUnits du(fontMetrics());

  auto* historyLabel = new QLabel(QStringLiteral("&Session history"), this);
  m_listHistory = new QListWidget(this);
  m_listHistory->setObjectName(QStringLiteral("history"));
  m_listHistory->setSelectionMode(QAbstractItemView::SingleSelection);
  m_listHistory->setSortingEnabled(false);
  m_listHistory->setMinimumSize(du.X(236), du.Y(85));
  historyLabel->setBuddy(m_listHistory);

  auto* hostLabel = new QLabel(QStringLiteral("&Host"), this);
  m_editHost = new QLineEdit(this);
  m_editHost->setObjectName(QStringLiteral("host"));
  m_editHost->setMinimumWidth(du.X(150));
  hostLabel->setBuddy(m_editHost);

  auto* portLabel = new QLabel(QStringLiteral("&Port"), this);
  m_editPort = new QLineEdit(this);
  m_editPort->setObjectName(QStringLiteral("port"));
  m_editPort->setFixedWidth(
      std::max(du.X(25), fontMetrics().horizontalAdvance(QStringLiteral("000000"))));
  // Digits only, as typed or pasted; the value itself is checked on OK.
  m_editPort->setValidator(
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), m_editPort));
  portLabel->setBuddy(m_editPort);

  auto* descriptionLabel = new QLabel(QStringLiteral("&Description"), this);
  m_editDescription = new QLineEdit(this);
  m_editDescription->setObjectName(QStringLiteral("description"));
  m_editDescription->setMaxLength(kMaxDescriptionChars);
  m_editDescription->setMinimumWidth(du.X(193));
  descriptionLabel->setBuddy(m_editDescription);

  m_buttonOk = new QPushButton(QStringLiteral("OK"), this);
  m_buttonOk->setObjectName(QStringLiteral("ok"));
  m_buttonOk->setDefault(true);  // Enter in a field means OK
  m_buttonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_buttonCancel->setObjectName(QStringLiteral("cancel"));
  m_buttonDelete = new QPushButton(QStringLiteral("De&lete"), this);
  m_buttonDelete->setObjectName(QStringLiteral("delete"));
  m_buttonDelete->setAutoDefault(false);
  for (QPushButton* button : {m_buttonOk, m_buttonCancel}) button->setMinimumWidth(du.X(50));

  // History label and Delete on one line above the list.
  auto* top = new QHBoxLayout;
  top->addWidget(historyLabel);
  top->addStretch(1);
  top->addWidget(m_buttonDelete);

  auto* hostRow = new QHBoxLayout;
  hostRow->addWidget(hostLabel);
  hostRow->addWidget(m_editHost, 1);
  hostRow->addSpacing(du.X(11));
  hostRow->addWidget(portLabel);
  hostRow->addWidget(m_editPort);

  auto* descriptionRow = new QHBoxLayout;
  descriptionRow->addWidget(descriptionLabel);
  descriptionRow->addWidget(m_editDescription, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_buttonOk);
  buttons->addSpacing(du.X(16));
  buttons->addWidget(m_buttonCancel);
  buttons->addStretch(1);

  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(du.X(7), du.Y(7), du.X(7), du.Y(7));
  layout->addLayout(top);
  layout->addWidget(m_listHistory, 1);
  layout->addSpacing(du.Y(4));
  layout->addLayout(hostRow);
  layout->addLayout(descriptionRow);
  layout->addSpacing(du.Y(4));
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);  // a fixed frame, like the original

  // Tab order of the controls: list, host, port, description, OK, Cancel, Delete.
  setTabOrder(m_listHistory, m_editHost);
  setTabOrder(m_editHost, m_editPort);
  setTabOrder(m_editPort, m_editDescription);
  setTabOrder(m_editDescription, m_buttonOk);
  setTabOrder(m_buttonOk, m_buttonCancel);
  setTabOrder(m_buttonCancel, m_buttonDelete);

  connect(m_listHistory, &QListWidget::itemSelectionChanged, this,
          &COpenConnectionDlg::OnSelChangeHistory);
  connect(m_listHistory, &QListWidget::itemDoubleClicked, this,
          &COpenConnectionDlg::OnDblClkHistory);
  connect(m_buttonDelete, &QPushButton::clicked, this, &COpenConnectionDlg::OnDelete);
  connect(m_buttonOk, &QPushButton::clicked, this, &COpenConnectionDlg::accept);
  connect(m_buttonCancel, &QPushButton::clicked, this, &COpenConnectionDlg::reject);
  connect(m_editDescription, &QLineEdit::textEdited, this,
          &COpenConnectionDlg::LimitDescriptionTyping);
}

void COpenConnectionDlg::FillHistory() {
  // Unsorted, so line i is slot i.
  for (int slot = 0; slot < m_Hosts.Count(); ++slot)
    m_listHistory->addItem(Text(m_Hosts.EntryText(slot)));
}

int COpenConnectionDlg::SelectedLine() const {
  const QList<QListWidgetItem*> selected = m_listHistory->selectedItems();
  return selected.isEmpty() ? -1 : m_listHistory->row(selected.front());
}

void COpenConnectionDlg::OnSelChangeHistory() {
  // A selection that was cleared leaves the fields as they are.
  const int line = SelectedLine();
  if (line < 0) return;
  ShowEntry(m_Hosts.At(line));
}

void COpenConnectionDlg::ShowEntry(const RecentHost& entry) {
  m_editHost->setText(Text(entry.host));
  m_editPort->setText(Text(PortText(entry.port)));
  // A stored description longer than the limit (only by editing the profile)
  // is shown whole rather than cut; OK then refuses it.
  const QString description = Text(entry.description);
  m_editDescription->setMaxLength(std::max<int>(kMaxDescriptionChars, description.size()));
  m_editDescription->setText(description);
  LimitDescriptionTyping();
}

void COpenConnectionDlg::LimitDescriptionTyping() {
  // The limit stops typing beyond 100 characters; a longer text may still be
  // shortened, but never lengthened.
  m_editDescription->setMaxLength(
      std::max<int>(kMaxDescriptionChars, m_editDescription->text().size()));
}

void COpenConnectionDlg::OnDblClkHistory() { accept(); }

void COpenConnectionDlg::OnDelete() {
  // With no line chosen there is nothing to delete, so nothing is asked.
  const int line = SelectedLine();
  if (line < 0 || line >= m_Hosts.Count()) return;
  if (m_ShowMessage("Are you sure?", MessageKind::Question) != MessageAnswer::Yes) return;

  m_Hosts.Delete(m_Profile, line);
  {
    // Removing the line must not choose another one: afterwards none is chosen.
    const QSignalBlocker quiet(m_listHistory);
    delete m_listHistory->takeItem(line);
    m_listHistory->clearSelection();
    m_listHistory->setCurrentItem(nullptr);
  }
  ShowEntry(RecentHost{});  // empty host, port 23, empty description
}

void COpenConnectionDlg::Refuse(QLineEdit* field, const std::string& message) {
  m_ShowMessage(message, MessageKind::Stop);
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
}

void COpenConnectionDlg::accept() {
  // Saving direction, in the order port, host, description; the first field
  // that cannot be taken is reported and the dialog stays open.
  const PortTextResult port = ParsePortText(m_editPort->text().toStdString());
  if (!port.ok) {
    Refuse(m_editPort, port.message);
    return;
  }
  const QString description = m_editDescription->text();
  if (description.size() > kMaxDescriptionChars) {
    Refuse(m_editDescription, TooLongMessage(kMaxDescriptionChars));
    return;
  }
  m_nPort = port.port;
  // Blanks around a typed or pasted name are never part of it; inside, the
  // host is taken as typed (no syntax check).
  m_strHost = m_editHost->text().trimmed().toStdString();
  m_strDescription = description.toStdString();
  QDialog::accept();
}
