#include "dialogs/TerminalFontDialog.h"

#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFontDialog>
#include <QFontInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

TerminalFontDialog::TerminalFontDialog(const QFont& font, const QColor& textColour,
                                       QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Font"));

  // Qt's own chooser, shown inside this dialog without its buttons.
  fonts_ = new QFontDialog(this);
  fonts_->setWindowFlags(Qt::Widget);
  fonts_->setOptions(QFontDialog::NoButtons | QFontDialog::MonospacedFonts |
                     QFontDialog::DontUseNativeDialog);
  SetSelectedFont(font);

  colourButton_ = new QPushButton(this);
  colourButton_->setIconSize(QSize(40, 14));
  auto* colourLabel = new QLabel(tr("C&olor:"), this);
  colourLabel->setBuddy(colourButton_);
  connect(colourButton_, &QPushButton::clicked, this, &TerminalFontDialog::ChooseColour);
  SetTextColour(textColour);

  auto* colourRow = new QHBoxLayout;
  colourRow->addWidget(colourLabel);
  colourRow->addWidget(colourButton_);
  colourRow->addStretch(1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* layout = new QVBoxLayout(this);
  layout->addWidget(fonts_);
  layout->addLayout(colourRow);
  layout->addWidget(buttons);
}

QFont TerminalFontDialog::SelectedFont() const { return fonts_->currentFont(); }

void TerminalFontDialog::SetSelectedFont(const QFont& font) {
  // The chooser lists styles by name; without one it would fall back to the
  // first style of the family (often an oblique one), so name the style the
  // font really resolves to.
  QFont named = font;
  if (named.styleName().isEmpty()) named.setStyleName(QFontInfo(font).styleName());
  fonts_->setCurrentFont(named);
}

void TerminalFontDialog::SetTextColour(const QColor& colour) {
  colour_ = colour;
  QPixmap swatch(colourButton_->iconSize());
  swatch.fill(colour_);
  colourButton_->setIcon(swatch);
  colourButton_->setToolTip(colour_.name());
}

void TerminalFontDialog::ChooseColour() {
  const QColor chosen = QColorDialog::getColor(colour_, this, tr("Text color"));
  if (chosen.isValid()) SetTextColour(chosen);
}
