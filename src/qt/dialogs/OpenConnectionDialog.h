#pragma once
// The Open Connection dialog: the recent-host list with its fields. It edits
// the frame's list in place (Delete takes effect at once, also on Cancel) and,
// on OK, leaves the chosen host, port and description in its members for the
// caller to connect to.
#include <QDialog>
#include <functional>
#include <string>

#include "platform/Messages.h"
#include "settings/Profile.h"
#include "settings/RecentHostList.h"

class QLineEdit;
class QListWidget;
class QPushButton;

class COpenConnectionDlg : public QDialog {
  Q_OBJECT

 public:
  // Every question and refusal goes through this, so the frame's one
  // message-box operation (and a test's answers) apply here too.

  // Longest description the field takes.
  static constexpr int kMaxDescriptionChars = 100;

  COpenConnectionDlg(RecentHostList& hosts, Profile& profile, ShowMessageFn showMessage,
                     QWidget* parent = nullptr);

  // The fields as read on OK (the port field is seeded from slot 0's port).
  std::string m_strHost;
  unsigned m_nPort = kDefaultTelnetPort;
  std::string m_strDescription;

  // A history line was chosen: its entry goes into the three fields.
  void OnSelChangeHistory();
  // A double click on a history line does what OK does.
  void OnDblClkHistory();
  // Removes the selected entry from the list and the profile after asking.
  void OnDelete();

  // OK: reads the fields; a refused field keeps the dialog open with that
  // field focused.
  void accept() override;

  // The line of the history list that is selected, or -1.
  int SelectedLine() const;

  QListWidget* HistoryList() const { return m_listHistory; }
  QLineEdit* HostEdit() const { return m_editHost; }
  QLineEdit* PortEdit() const { return m_editPort; }
  QLineEdit* DescriptionEdit() const { return m_editDescription; }
  QPushButton* OkButton() const { return m_buttonOk; }
  QPushButton* CancelButton() const { return m_buttonCancel; }
  QPushButton* DeleteButton() const { return m_buttonDelete; }

 private:
  void BuildControls();
  void FillHistory();
  void ShowEntry(const RecentHost& entry);
  void LimitDescriptionTyping();
  void Refuse(QLineEdit* field, const std::string& message);

  RecentHostList& m_Hosts;
  Profile& m_Profile;
  ShowMessageFn m_ShowMessage;

  QListWidget* m_listHistory = nullptr;
  QLineEdit* m_editHost = nullptr;
  QLineEdit* m_editPort = nullptr;
  QLineEdit* m_editDescription = nullptr;
  QPushButton* m_buttonOk = nullptr;
  QPushButton* m_buttonCancel = nullptr;
  QPushButton* m_buttonDelete = nullptr;
};
