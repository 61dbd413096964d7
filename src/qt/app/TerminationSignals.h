#pragma once
// SIGTERM and SIGHUP (a logout, a service manager, `kill`) reach Corvane as an
// ordinary event on the user-interface thread instead of ending the process
// where it stands, so the program can end the way the Exit command does.
#include <QObject>
#include <functional>

class TerminationSignals : public QObject {
 public:
  // onSignal runs once, on the user-interface thread, for the first signal.
  // A second signal while the first has not been answered (the thread is
  // blocked, say in a connect) ends the process as the signal normally would.
  explicit TerminationSignals(std::function<void()> onSignal, QObject* parent = nullptr);
  ~TerminationSignals() override;
  TerminationSignals(const TerminationSignals&) = delete;
  TerminationSignals& operator=(const TerminationSignals&) = delete;

 private:
  void Arrived();

  std::function<void()> onSignal_;
  bool answered_ = false;
};
