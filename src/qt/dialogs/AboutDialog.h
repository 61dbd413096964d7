#pragma once
// The About box: Corvane's icon, name and version, and two short notes.
#include <QDialog>

class QLabel;
class QPushButton;

class CAboutDlg : public QDialog {
  Q_OBJECT

 public:
  explicit CAboutDlg(QWidget* parent = nullptr);

  QLabel* IconLabel() const { return m_iconLabel; }
  QLabel* VersionLabel() const { return m_versionLabel; }
  QPushButton* OkButton() const { return m_buttonOk; }

 private:
  QLabel* m_iconLabel = nullptr;
  QLabel* m_versionLabel = nullptr;
  QPushButton* m_buttonOk = nullptr;
};

inline constexpr const char* kAboutProgramText =
    "A telnet client with a VT100 and ANSI terminal: scroll-back history, "
    "copy and paste, macro keys, a session log and a line check against a "
    "catalogue of files.";
inline constexpr const char* kAboutContactText =
    "Questions, problems and ideas are welcome at the Corvane project's issue tracker.";
