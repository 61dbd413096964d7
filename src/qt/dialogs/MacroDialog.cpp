#include "dialogs/MacroDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <limits>

namespace {

QLabel* PlainLabel(const QString& text, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setTextFormat(Qt::PlainText);  // backslashes and '&' shown as they are
  return label;
}

}  // namespace

CMacroDlg::CMacroDlg(const Texts& macros, QWidget* parent) : QDialog(parent), m_original(macros) {
  setWindowTitle(QStringLiteral("Macro"));
  setModal(true);

  auto* grid = new QGridLayout(this);
  grid->setSizeConstraint(QLayout::SetFixedSize);
  // The fields are about 150 dialog units wide: 150 quarters of an average character.
  const int fieldWidth = 150 * fontMetrics().averageCharWidth() / 4;

  for (int k = 1; k <= kMacroDialogFields; ++k) {
    const auto index = static_cast<std::size_t>(k - 1);
    m_labels[index] = PlainLabel(QStringLiteral("App+F%1").arg(k), this);
    auto* field = new QLineEdit(QString::fromStdString(macros[index]), this);
    field->setObjectName(QStringLiteral("macro%1").arg(300 + k));
    // No limit of our own (Qt's default would cut texts at 32767 characters).
    field->setMaxLength(std::numeric_limits<int>::max());
    field->setMinimumWidth(fieldWidth);
    field->setCursorPosition(0);
    m_fields[index] = field;
    grid->addWidget(m_labels[index], k - 1, 0);
    grid->addWidget(field, k - 1, 1);
  }

  auto* help = new QVBoxLayout;
  help->setSpacing(2);
  help->addWidget(PlainLabel(QString::fromUtf8(kMacroHelpTitle), this));
  QLabel* notation = PlainLabel(QString::fromUtf8(kMacroHelpText), this);
  notation->setContentsMargins(fontMetrics().averageCharWidth(), 0, 0, 0);
  help->addWidget(notation);
  grid->addLayout(help, kMacroDialogFields, 0, 1, 2);

  m_buttonOk = new QPushButton(QStringLiteral("OK"), this);
  m_buttonOk->setDefault(true);
  m_buttonCancel = new QPushButton(QStringLiteral("Cancel"), this);
  connect(m_buttonOk, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_buttonCancel, &QPushButton::clicked, this, &QDialog::reject);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  buttons->addWidget(m_buttonOk);
  buttons->addWidget(m_buttonCancel);
  buttons->addStretch(1);
  grid->addLayout(buttons, kMacroDialogFields + 1, 0, 1, 2);

  // Tab order: the twelve fields top to bottom, then OK and Cancel.
  for (std::size_t i = 1; i < m_fields.size(); ++i) setTabOrder(m_fields[i - 1], m_fields[i]);
  setTabOrder(m_fields.back(), m_buttonOk);
  setTabOrder(m_buttonOk, m_buttonCancel);
  m_fields.front()->setFocus();
}

CMacroDlg::Texts CMacroDlg::Macros() const {
  Texts texts;
  for (std::size_t i = 0; i < texts.size(); ++i) {
    const QString shown = m_fields[i]->text();
    texts[i] = shown == QString::fromStdString(m_original[i]) ? m_original[i] : shown.toStdString();
  }
  return texts;
}
