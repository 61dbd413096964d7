#include "dialogs/AboutDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "cmdline/CommandLine.h"

// Makes sure the icon's resources are linked in and registered, as they live
// in a static library that nothing else may reference. (The macro declares a
// function, so it must stand outside any namespace.)
static void InitResources() { Q_INIT_RESOURCE(corvane); }

namespace {

QGroupBox* NoteBox(const QString& title, const char* text, QWidget* parent) {
  auto* box = new QGroupBox(title, parent);
  auto* layout = new QVBoxLayout(box);
  auto* label = new QLabel(QString::fromUtf8(text), box);
  label->setWordWrap(true);
  label->setTextFormat(Qt::PlainText);
  layout->addWidget(label);
  return box;
}

}  // namespace

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
  InitResources();
  setWindowTitle(QStringLiteral("About Corvane"));
  setModal(true);

  auto* grid = new QGridLayout(this);
  grid->setSizeConstraint(QLayout::SetFixedSize);

  m_iconLabel = new QLabel(this);
  m_iconLabel->setPixmap(QPixmap(QStringLiteral(":/corvane/corvane.png"))
                             .scaled(32, 32, Qt::KeepAspectRatio, Qt::SmoothTransformation));
  grid->addWidget(m_iconLabel, 0, 0, Qt::AlignTop);

  // Plain text: an '&' in the text would be shown, not taken as a mnemonic.
  m_versionLabel = new QLabel(QString::fromStdString(VersionText()), this);
  m_versionLabel->setTextFormat(Qt::PlainText);
  grid->addWidget(m_versionLabel, 0, 1, Qt::AlignTop);

  m_buttonOk = new QPushButton(QStringLiteral("OK"), this);
  m_buttonOk->setDefault(true);
  connect(m_buttonOk, &QPushButton::clicked, this, &QDialog::accept);
  grid->addWidget(m_buttonOk, 0, 2, Qt::AlignTop);

  grid->addWidget(NoteBox(QStringLiteral("Program Information"), kAboutProgramText, this), 1, 0, 1,
                  3);
  grid->addWidget(NoteBox(QStringLiteral("Contact Information"), kAboutContactText, this), 2, 0, 1,
                  3);
  grid->setColumnStretch(1, 1);
  setMinimumWidth(300);
}
