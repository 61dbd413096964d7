#pragma once
// The find bar under the terminal: the text to find, "Match case", the count
// ("3 of 17"), previous and next. It only edits and reports; the frame runs
// the search. Its keys: Enter and F3 next, with Shift previous, Escape closes.
// It may be narrower than its contents, so it never widens the window.
#include <QWidget>

class QCheckBox;
class QLabel;
class QLineEdit;
class QToolButton;

class FindBar : public QWidget {
  Q_OBJECT

 public:
  explicit FindBar(QWidget* parent);

  // Shows the bar with the keyboard in its text, all of it selected.
  void Open();
  QString Text() const;
  bool MatchCase() const;
  // "3 of 17", "No matches", or nothing while there is no text.
  void ShowCount(int number, int count);
  QString CountText() const;

 signals:
  void QueryChanged();  // the text or "Match case"
  void Step(bool forward);
  void CloseAsked();

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* edit_;
  QCheckBox* matchCase_;
  QLabel* count_;
  QToolButton* previous_;
  QToolButton* next_;
  QToolButton* close_;
};
