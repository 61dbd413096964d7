#pragma once
// A main frame on an in-memory profile whose message boxes, quit request and
// clock are answered by the test, plus a telnet host on loopback; and the
// seeded recent hosts that dialog tests use too.
#include <QByteArray>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>
#include <QTest>
#include <ctime>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "cmdline/CommandLine.h"
#include "frame/MainFrame.h"
#include "platform/headless/ScriptedAnswers.h"
#include "settings/MemoryProfile.h"
#include "settings/RecentHostList.h"

// Writes `entries` to the profile as the recent-host list keeps them, the
// first in slot 1.
inline void SeedRecentHosts(MemoryProfile& profile, const std::vector<RecentHost>& entries) {
  for (std::size_t i = 0; i < entries.size(); ++i) {
    const std::string n = std::to_string(i + 1);
    profile.Set("Recent Host List", "Host" + n, entries[i].host);
    profile.Set("Recent Host List", "Port" + n, std::to_string(entries[i].port));
    profile.Set("Recent Host List", "Desc" + n, entries[i].description);
  }
}

struct FrameRig : ScriptedAnswers {
  MemoryProfile profile;
  int quits = 0;
  std::time_t now = 1'000'000;
  std::function<int(QDialog&)> dialogs;  // answers the frame's modal dialogs
  std::unique_ptr<CMainFrame> frame;

  FrameHooks Hooks() {
    FrameHooks hooks;
    hooks.messageBox = Hook();
    hooks.quit = [this] { ++quits; };
    hooks.now = [this] { return now; };
    // Modal dialogs of the frame: answered by `dialogs`, else cancelled at
    // once, so a command that opens one never waits for a user.
    hooks.runDialog = [this](QDialog& dialog) {
      return dialogs ? dialogs(dialog) : static_cast<int>(QDialog::Rejected);
    };
    return hooks;
  }

  CMainFrame& Start(const std::string& host = {}, unsigned port = 23) {
    CommandLine line;
    line.host = host;
    line.port = port;
    frame = std::make_unique<CMainFrame>(profile, line, Hooks());
    return *frame;
  }

  int CountMessages(const std::string& text) const {
    int n = 0;
    for (const Shown& m : messages) n += m.text == text;
    return n;
  }
};

// A telnet host on 127.0.0.1 that takes one client at a time.
class LoopbackHost : public QObject {
 public:
  LoopbackHost() {
    server_.listen(QHostAddress::LocalHost, 0);
    connect(&server_, &QTcpServer::newConnection, this, [this] {
      peer_ = server_.nextPendingConnection();
      connect(peer_, &QTcpSocket::readyRead, this, [this] { received_ += peer_->readAll(); });
    });
  }
  unsigned Port() const { return server_.serverPort(); }
  bool WaitForPeer(int ms = 5000) {
    return QTest::qWaitFor([this] { return peer_ != nullptr; }, ms);
  }
  bool HasPeer() const { return peer_ != nullptr; }
  bool PeerConnected() const { return peer_ && peer_->state() == QAbstractSocket::ConnectedState; }
  void Send(const QByteArray& bytes) {
    peer_->write(bytes);
    peer_->flush();
  }
  // Waits until the client has sent at least n bytes more than were taken, then takes them.
  QByteArray Take(int n, int ms = 5000) {
    (void)QTest::qWaitFor([this, n] { return received_.size() >= n; }, ms);
    const QByteArray out = received_.left(n);
    received_.remove(0, n);
    return out;
  }
  QByteArray Pending() const { return received_; }
  void CloseClient() {
    peer_->flush();
    peer_->disconnectFromHost();
  }
  void StopListening() { server_.close(); }

 private:
  QTcpServer server_;
  QPointer<QTcpSocket> peer_;
  QByteArray received_;
};
