#include "dialogs/TerminalPropertiesDialog.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QVBoxLayout>
#include <algorithm>
#include <iterator>

std::string IntegerRangeMessage(unsigned min, unsigned max) {
  return "Please enter an integer between " + std::to_string(min) + " and " + std::to_string(max) +
         ".";
}

namespace {

// A group box holding two radio buttons one above the other.
QGroupBox* RadioPair(const QString& title, QRadioButton*& first, const QString& firstText,
                     QRadioButton*& second, const QString& secondText, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(box);
  first = new QRadioButton(firstText, box);
  second = new QRadioButton(secondText, box);
  layout->addWidget(first);
  layout->addWidget(second);
  return box;
}

// The index of the checked button of a pair, -1 when neither is.
int CheckedIndex(const QRadioButton* first, const QRadioButton* second) {
  return first->isChecked() ? 0 : second->isChecked() ? 1 : -1;
}

// Checks the button of an index; -1 (or anything else) leaves both unchecked.
void CheckIndex(int index, QRadioButton* first, QRadioButton* second) {
  if (index == 0) first->setChecked(true);
  if (index == 1) second->setChecked(true);
}

}  // namespace

CTerminalPropertiesDlg::CTerminalPropertiesDlg(ShowMessageFn showMessage, QWidget* parent)
    : QDialog(parent), m_ShowMessage(std::move(showMessage)) {
  setWindowTitle(QStringLiteral("Terminal properties"));
  setModal(true);
  BuildControls();
}

void CTerminalPropertiesDlg::BuildControls() {
  auto* grid = new QGridLayout(this);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  grid->addWidget(RadioPair(QStringLiteral("&Emulation"), m_radioVt100, QStringLiteral("VT100"),
                            m_radioAnsi, QStringLiteral("ANSI"), this),
                  0, 0);
  grid->addWidget(
      RadioPair(QStringLiteral("&Arrow keys mode"), m_radioApplication,
                QStringLiteral("Application"), m_radioCursor, QStringLiteral("Cursor"), this),
      0, 1);
  grid->addWidget(RadioPair(QStringLiteral("&Backspace key"), m_radioSendsBackspace,
                            QStringLiteral("Sends backspace"), m_radioSendsDelete,
                            QStringLiteral("Sends delete"), this),
                  0, 2);

  auto* screen = new QGroupBox(QStringLiteral("Screen properties"), this);
  auto* screenLayout = new QGridLayout(screen);
  // Digits only, like the number fields of the platform's dialogs.
  auto* digits =
      new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
  auto numberField = [&](const QString& label, int row) {
    auto* edit = new QLineEdit(screen);
    edit->setValidator(digits);
    edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QStringLiteral("0000000")) + 12);
    auto* text = new QLabel(label, screen);
    text->setBuddy(edit);
    screenLayout->addWidget(text, row, 0);
    screenLayout->addWidget(edit, row, 1);
    return edit;
  };
  m_editWidth = numberField(QStringLiteral("&Width"), 0);
  m_editHeight = numberField(QStringLiteral("&Height"), 1);
  m_editBuffer = numberField(QStringLiteral("Bu&ffer"), 2);
  grid->addWidget(screen, 1, 0);

  auto* other = new QGroupBox(QStringLiteral("Other options"), this);
  auto* otherLayout = new QVBoxLayout(other);
  m_checkLocalEcho = new QCheckBox(QStringLiteral("&Local echo"), other);
  m_checkBlockCursor = new QCheckBox(QStringLiteral("Block &cursor"), other);
  m_checkReverseColor = new QCheckBox(QStringLiteral("&Reverse color"), other);
  otherLayout->addWidget(m_checkLocalEcho);
  otherLayout->addWidget(m_checkBlockCursor);
  otherLayout->addWidget(m_checkReverseColor);
  grid->addWidget(other, 1, 1);

  auto* keepAlive = new QHBoxLayout;
  m_editKeepAlive = new QLineEdit(this);
  m_editKeepAlive->setValidator(digits);
  m_editKeepAlive->setMaximumWidth(m_editBuffer->maximumWidth());
  auto* keepAliveText = new QLabel(QStringLiteral("&Keepalive every N seconds (0 = off)"), this);
  keepAliveText->setBuddy(m_editKeepAlive);
  keepAlive->addWidget(keepAliveText);
  keepAlive->addWidget(m_editKeepAlive);
  keepAlive->addStretch();
  grid->addLayout(keepAlive, 2, 0, 1, 2);

  grid->addWidget(RadioPair(QStringLiteral("Host &text"), m_radioHostText8Bit,
                            QStringLiteral("8-bit (the font's code page)"), m_radioHostTextUtf8,
                            QStringLiteral("UTF-8"), this),
                  3, 0, 1, 2);

  auto* buttons = new QVBoxLayout;
  m_buttonOk = new QPushButton(QStringLiteral("OK"), this);
  m_buttonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  m_buttonOk->setDefault(true);
  buttons->addWidget(m_buttonOk);
  buttons->addWidget(m_buttonCancel);
  buttons->addStretch();
  grid->addLayout(buttons, 1, 2, Qt::AlignRight | Qt::AlignTop);
  connect(m_buttonOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_buttonCancel, &QPushButton::clicked, this, &QDialog::reject);

  // Tab order of the design: the buttons first, then the groups as laid out.
  QWidget* order[] = {
      m_buttonOk,         m_buttonCancel,      m_radioVt100,          m_radioAnsi,
      m_radioApplication, m_radioCursor,       m_radioSendsBackspace, m_radioSendsDelete,
      m_editWidth,        m_editHeight,        m_editBuffer,          m_checkLocalEcho,
      m_checkBlockCursor, m_checkReverseColor, m_editKeepAlive,       m_radioHostText8Bit,
      m_radioHostTextUtf8};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);
}

bool CTerminalPropertiesDlg::EditSettings(TerminalSettings& settings, const RunFn& run) {
  m_nRadioEmulation = settings.nEmulation;
  m_nRadioArrowKeys = settings.bApplicationMode ? 0 : 1;
  m_nRadioBackspace = settings.bBackspace ? 0 : 1;
  m_uWidth = static_cast<unsigned>(std::max(settings.nWidth, 0));
  m_uHeight = static_cast<unsigned>(std::max(settings.nHeight, 0));
  m_uBufferSize = static_cast<unsigned>(std::max(settings.nBufferSize, 0));
  m_bCheckLocalEcho = settings.bLocalEcho;
  m_bCheckBlockCursor = settings.bBlockCursor;
  m_bCheckReverseColor = settings.bReverseColor;
  m_uKeepAlive = static_cast<unsigned>(std::max(settings.nKeepAlive, 0));
  m_nRadioHostText = settings.bHostTextUtf8 ? 1 : 0;
  ShowValues();

  const int result = run ? run(*this) : exec();
  if (result != QDialog::Accepted) return false;

  // A group left without a checked button keeps the setting it had.
  if (m_nRadioEmulation >= 0) settings.nEmulation = m_nRadioEmulation;
  if (m_nRadioArrowKeys >= 0) settings.bApplicationMode = m_nRadioArrowKeys == 0;
  if (m_nRadioBackspace >= 0) settings.bBackspace = m_nRadioBackspace == 0;
  settings.nWidth = static_cast<int>(m_uWidth);
  settings.nHeight = static_cast<int>(m_uHeight);
  settings.nBufferSize = static_cast<int>(m_uBufferSize);
  settings.bLocalEcho = m_bCheckLocalEcho;
  settings.bBlockCursor = m_bCheckBlockCursor;
  settings.bReverseColor = m_bCheckReverseColor;
  settings.nKeepAlive = static_cast<int>(m_uKeepAlive);
  if (m_nRadioHostText >= 0) settings.bHostTextUtf8 = m_nRadioHostText == 1;
  return true;
}

void CTerminalPropertiesDlg::ShowValues() {
  m_editBuffer->setText(QString::number(m_uBufferSize));
  m_checkLocalEcho->setChecked(m_bCheckLocalEcho);
  m_checkReverseColor->setChecked(m_bCheckReverseColor);
  m_checkBlockCursor->setChecked(m_bCheckBlockCursor);
  CheckIndex(m_nRadioArrowKeys, m_radioApplication, m_radioCursor);
  CheckIndex(m_nRadioBackspace, m_radioSendsBackspace, m_radioSendsDelete);
  CheckIndex(m_nRadioEmulation, m_radioVt100, m_radioAnsi);
  m_editHeight->setText(QString::number(m_uHeight));
  m_editWidth->setText(QString::number(m_uWidth));
  m_editKeepAlive->setText(QString::number(m_uKeepAlive));
  CheckIndex(m_nRadioHostText, m_radioHostText8Bit, m_radioHostTextUtf8);
}

bool CTerminalPropertiesDlg::TakeNumber(QLineEdit* field, unsigned min, unsigned max,
                                        unsigned& value) {
  const QString text = field->text();
  bool digitsOnly = !text.isEmpty();
  for (const QChar c : text) digitsOnly = digitsOnly && c >= u'0' && c <= u'9';
  std::string message;
  if (!digitsOnly) {
    message = kEnterIntegerMessage;
  } else {
    // Too many digits for any number is simply out of range.
    bool fits = false;
    const qulonglong number = text.toULongLong(&fits);
    if (fits && number >= min && number <= max) {
      value = static_cast<unsigned>(number);
      return true;
    }
    message = IntegerRangeMessage(min, max);
  }
  m_ShowMessage(message, MessageKind::Stop);
  field->setFocus(Qt::OtherFocusReason);
  field->selectAll();
  return false;
}

void CTerminalPropertiesDlg::accept() {
  // Nothing is kept unless every field is taken: a refusal leaves the members
  // as they were when the dialog opened.
  unsigned buffer = 0, height = 0, width = 0, keepAlive = 0;
  if (!TakeNumber(m_editBuffer, kMinBuffer, kMaxBuffer, buffer)) return;
  if (!TakeNumber(m_editHeight, kMinSide, kMaxSide, height)) return;
  if (!TakeNumber(m_editWidth, kMinSide, kMaxSide, width)) return;
  if (!TakeNumber(m_editKeepAlive, 0, kMaxKeepAliveSeconds, keepAlive)) return;
  m_uBufferSize = buffer;
  m_bCheckLocalEcho = m_checkLocalEcho->isChecked();
  m_bCheckReverseColor = m_checkReverseColor->isChecked();
  m_bCheckBlockCursor = m_checkBlockCursor->isChecked();
  m_nRadioArrowKeys = CheckedIndex(m_radioApplication, m_radioCursor);
  m_nRadioBackspace = CheckedIndex(m_radioSendsBackspace, m_radioSendsDelete);
  m_nRadioEmulation = CheckedIndex(m_radioVt100, m_radioAnsi);
  m_uHeight = height;
  m_uWidth = width;
  m_uKeepAlive = keepAlive;
  m_nRadioHostText = CheckedIndex(m_radioHostText8Bit, m_radioHostTextUtf8);
  QDialog::accept();
}
