#pragma once
// The Font dialog: the fixed-pitch font chooser with a colour box for the
// text, accepted or cancelled together.
#include <QColor>
#include <QDialog>
#include <QFont>

class QFontDialog;
class QPushButton;

class TerminalFontDialog : public QDialog {
  Q_OBJECT

 public:
  TerminalFontDialog(const QFont& font, const QColor& textColour, QWidget* parent = nullptr);

  QFont SelectedFont() const;
  void SetSelectedFont(const QFont& font);
  QColor TextColour() const { return colour_; }
  void SetTextColour(const QColor& colour);

  QFontDialog* FontChooser() const { return fonts_; }
  QPushButton* ColourButton() const { return colourButton_; }

 private:
  void ChooseColour();

  QFontDialog* fonts_ = nullptr;
  QPushButton* colourButton_ = nullptr;
  QColor colour_;
};
