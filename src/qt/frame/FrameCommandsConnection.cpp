// Connection commands: connecting (from the command line, the Open dialog or
// a recent-host item), closing, the recent-host menu, the connected-time tick,
// and the enabling of Open and Close.
#include <QAction>
#include <QMenu>

#include "dialogs/OpenConnectionDialog.h"
#include "frame/CommandIds.h"
#include "frame/MainFrame.h"
#include "terminal/TelnetSession.h"

void CMainFrame::ConnectAndRemember(const std::string& host, unsigned port,
                                    const std::string& description) {
  const bool connected = m_pSession->OpenConnection(host, port);
  UpdateConnectionCommands();
  if (!connected) return;
  const RecentHost entry{host, port, description};
  SetTitle(ConnectedTitle(entry, kApplicationName));
  m_RecentHosts.Remember(m_Profile, entry);
  RebuildRecentHostMenu();
}

void CMainFrame::RebuildRecentHostMenu() {
  // The separator below "Exit" and the numbered items go; the list decides
  // whether they come back.
  const QList<QAction*> items = m_pConnectionMenu->actions();
  for (qsizetype i = 0; i < items.size(); ++i) {
    QAction* item = items[i];
    const int id = item->data().toInt();
    const bool recent = id >= cmd::ID_RECENT_HOST_1 && id <= cmd::ID_RECENT_HOST_4;
    if (i == 4 || recent) {
      m_pConnectionMenu->removeAction(item);
      if (recent) m_Actions.erase(id);
      item->deleteLater();  // it may be the item being triggered right now
    }
  }
  if (m_RecentHosts.Count() == 0) return;
  m_pConnectionMenu->addSeparator();
  for (int slot = 0; slot < m_RecentHosts.MenuCount(); ++slot) {
    const int id = cmd::ID_RECENT_HOST_1 + slot;
    auto* item = new QAction(QString::fromStdString(m_RecentHosts.MenuText(slot)), this);
    item->setData(id);
    connect(item, &QAction::triggered, this, [this, slot] { OnRecentHost(slot); });
    m_pConnectionMenu->addAction(item);
    m_Actions[id] = item;
  }
}

void CMainFrame::OnFileOpen() {
  COpenConnectionDlg dialog(
      m_RecentHosts, m_Profile,
      [this](const std::string& text, MessageKind kind) { return ShowMessage(text, kind); }, this);
  const bool ok = RunDialog(dialog) == QDialog::Accepted;
  if (ok && !dialog.m_strHost.empty()) {
    ConnectAndRemember(dialog.m_strHost, dialog.m_nPort, dialog.m_strDescription);
    if (m_pSession->IsConnected()) return;  // the menu was rebuilt on the way
  }
  // Cancel, an empty host or a failed connect: Delete may still have changed the list.
  RebuildRecentHostMenu();
}

void CMainFrame::OnFileClose() { m_pSession->Close(); }

void CMainFrame::OnAppExit() { close(); }

void CMainFrame::OnRecentHost(int slot) {
  const RecentHost entry = m_RecentHosts.At(slot);  // a copy: the list changes on connect
  if (entry.host.empty()) return;
  ConnectAndRemember(entry.host, entry.port, entry.description);
}

void CMainFrame::OnTimer() { m_pSession->UpdateConnectedTime(); }

void CMainFrame::UpdateConnectionCommands() {
  // Runs when the menu opens and at every change of the connection, so the
  // accelerators Alt+Home and Alt+End follow the same state.
  const bool connected = m_pSession && m_pSession->IsConnected();
  Action(cmd::ID_FILE_OPEN)->setEnabled(!connected);
  Action(cmd::ID_FILE_CLOSE)->setEnabled(connected);
}
