#pragma once
// The Font dialog: face, style, size and script of the terminal font with a
// colour box for the text, accepted or cancelled together. "Terminal" (the
// classic console face, shown through CP437) is listed first, then every
// installed fixed-pitch family.
#include <QColor>
#include <QDialog>
#include <QFont>
#include <QString>

#include "platform/FontDescription.h"

class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QListWidget;
class QPushButton;

class TerminalFontDialog : public QDialog {
  Q_OBJECT

 public:
  // The script choice: "Western" keeps character set 0 or 1, "OEM/DOS" is 255.
  static constexpr int kOemCharSet = 255;
  static constexpr int kWesternCharSet = 0;  // what Western becomes when leaving OEM/DOS

  TerminalFontDialog(const FontDescription& font, const QColor& textColour,
                     QWidget* parent = nullptr);

  // What OK stores: face, size in tenths of a point, italic flag, character set.
  FontDescription Description() const;

  // The chosen font as Qt resolves it (its real family).
  QFont SelectedFont() const;
  // Takes size and italic from the font, and its family unless that is the
  // family the current face already resolves to ("Terminal" stays "Terminal").
  void SetSelectedFont(const QFont& font);

  QString Face() const;
  // False when the face is not listed (not an installed fixed-pitch family).
  bool SetFace(const QString& face);
  int CharSet() const;
  void SetOemScript(bool oem);

  QColor TextColour() const { return colour_; }
  void SetTextColour(const QColor& colour);

  QListWidget* FaceList() const { return faces_; }
  QComboBox* ScriptBox() const { return script_; }
  QPushButton* ColourButton() const { return colourButton_; }

 private:
  void ChooseColour();
  void UpdateSample();

  QListWidget* faces_ = nullptr;
  QListWidget* styles_ = nullptr;
  QDoubleSpinBox* size_ = nullptr;
  QComboBox* script_ = nullptr;
  QLabel* sample_ = nullptr;
  QPushButton* colourButton_ = nullptr;
  QColor colour_;
  int westernCharSet_ = kWesternCharSet;  // the stored 0 or 1 that Western keeps
};
