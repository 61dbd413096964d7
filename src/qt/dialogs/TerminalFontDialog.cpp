#include "dialogs/TerminalFontDialog.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>
#include <cmath>

#include "view/QtTerminalFont.h"

namespace {

const QString kTerminalFace = QStringLiteral("Terminal");

QStringList FixedPitchFamilies() {
  QStringList families;
  for (const QString& family : QFontDatabase::families())
    if (QFontDatabase::isFixedPitch(family) && !QFontDatabase::isPrivateFamily(family))
      families << family;
  return families;
}

QLabel* BuddyLabel(const QString& text, QWidget* buddy, QWidget* parent) {
  auto* label = new QLabel(text, parent);
  label->setBuddy(buddy);
  return label;
}

}  // namespace

TerminalFontDialog::TerminalFontDialog(const FontDescription& font, const QColor& textColour,
                                       QWidget* parent)
    : QDialog(parent) {
  setWindowTitle(tr("Font"));

  faces_ = new QListWidget(this);
  faces_->addItem(kTerminalFace);
  faces_->addItems(FixedPitchFamilies());
  styles_ = new QListWidget(this);
  styles_->addItems({tr("Regular"), tr("Italic")});
  size_ = new QDoubleSpinBox(this);
  size_->setDecimals(1);
  size_->setRange(1.0, 200.0);
  script_ = new QComboBox(this);
  script_->addItems({tr("Western"), tr("OEM/DOS")});

  sample_ = new QLabel(QStringLiteral("AaBbYyZz"), this);
  sample_->setAlignment(Qt::AlignCenter);
  sample_->setMinimumHeight(48);
  auto* sampleBox = new QGroupBox(tr("Sample"), this);
  (new QVBoxLayout(sampleBox))->addWidget(sample_);

  colourButton_ = new QPushButton(this);
  colourButton_->setIconSize(QSize(40, 14));
  connect(colourButton_, &QPushButton::clicked, this, &TerminalFontDialog::ChooseColour);
  SetTextColour(textColour);
  auto* colourRow = new QHBoxLayout;
  colourRow->addWidget(BuddyLabel(tr("C&olor:"), colourButton_, this));
  colourRow->addWidget(colourButton_);
  colourRow->addStretch(1);

  auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto* grid = new QGridLayout;
  grid->addWidget(BuddyLabel(tr("&Font:"), faces_, this), 0, 0);
  grid->addWidget(faces_, 1, 0);
  grid->addWidget(BuddyLabel(tr("Font st&yle:"), styles_, this), 0, 1);
  grid->addWidget(styles_, 1, 1);
  grid->addWidget(BuddyLabel(tr("&Size:"), size_, this), 0, 2);
  grid->addWidget(size_, 1, 2, Qt::AlignTop);
  grid->addWidget(sampleBox, 2, 1, 2, 2);
  grid->addWidget(BuddyLabel(tr("Sc&ript:"), script_, this), 2, 0, Qt::AlignBottom);
  grid->addWidget(script_, 3, 0, Qt::AlignTop);
  grid->setColumnStretch(0, 3);
  grid->setColumnStretch(1, 2);

  auto* layout = new QVBoxLayout(this);
  layout->addLayout(grid);
  layout->addLayout(colourRow);
  layout->addWidget(buttons);

  // The preset: the stored face when it is listed, else the family it
  // resolves to, else "Terminal".
  if (!SetFace(QString::fromStdString(font.faceName)) &&
      !SetFace(QFontInfo(ResolveTerminalFont(font)).family()))
    SetFace(kTerminalFace);
  styles_->setCurrentRow(font.italic ? 1 : 0);
  size_->setValue(font.heightTenths / 10.0);
  const int charSet = font.charSet & 0xFF;
  if (charSet != kOemCharSet) westernCharSet_ = charSet;
  SetOemScript(charSet == kOemCharSet);

  connect(faces_, &QListWidget::currentRowChanged, this, &TerminalFontDialog::UpdateSample);
  connect(styles_, &QListWidget::currentRowChanged, this, &TerminalFontDialog::UpdateSample);
  connect(size_, &QDoubleSpinBox::valueChanged, this, &TerminalFontDialog::UpdateSample);
  UpdateSample();
  faces_->setFocus();
}

FontDescription TerminalFontDialog::Description() const {
  FontDescription desc;
  desc.faceName = Face().toStdString();
  desc.heightTenths = static_cast<int>(std::lround(size_->value() * 10));
  desc.italic = styles_->currentRow() == 1;
  desc.charSet = CharSet();
  return desc;
}

QFont TerminalFontDialog::SelectedFont() const {
  const FontDescription desc = Description();
  QFont font(QFontInfo(ResolveTerminalFont(desc)).family());
  font.setPointSizeF(desc.heightTenths / 10.0);
  font.setItalic(desc.italic);
  return font;
}

void TerminalFontDialog::SetSelectedFont(const QFont& font) {
  if (font.family() != QFontInfo(ResolveTerminalFont(Description())).family())
    SetFace(font.family());
  size_->setValue(font.pointSizeF());
  styles_->setCurrentRow(font.italic() ? 1 : 0);
}

QString TerminalFontDialog::Face() const {
  const QListWidgetItem* item = faces_->currentItem();
  return item ? item->text() : kTerminalFace;
}

bool TerminalFontDialog::SetFace(const QString& face) {
  if (face.isEmpty()) return false;
  // Face names compare without case, as font names do on the desktop.
  const QList<QListWidgetItem*> found = faces_->findItems(face, Qt::MatchFixedString);
  if (found.isEmpty()) return false;
  faces_->setCurrentItem(found.front());
  return true;
}

int TerminalFontDialog::CharSet() const {
  return script_->currentIndex() == 1 ? kOemCharSet : westernCharSet_;
}

void TerminalFontDialog::SetOemScript(bool oem) { script_->setCurrentIndex(oem ? 1 : 0); }

void TerminalFontDialog::SetTextColour(const QColor& colour) {
  colour_ = colour;
  QPixmap swatch(colourButton_->iconSize());
  swatch.fill(colour_);
  colourButton_->setIcon(swatch);
  colourButton_->setToolTip(colour_.name());
}

void TerminalFontDialog::UpdateSample() { sample_->setFont(SelectedFont()); }

void TerminalFontDialog::ChooseColour() {
  const QColor chosen = QColorDialog::getColor(colour_, this, tr("Text color"));
  if (chosen.isValid()) SetTextColour(chosen);
}
