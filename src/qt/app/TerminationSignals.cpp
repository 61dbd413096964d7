#include "app/TerminationSignals.h"

#include <QtGlobal>

#ifdef Q_OS_UNIX
#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <csignal>

namespace {
constexpr int kSignals[] = {SIGTERM, SIGHUP};

// The self-pipe: the handler writes one byte, the event loop reads it.
int g_pipe[2] = {-1, -1};
volatile std::sig_atomic_t g_pending = 0;

extern "C" void OnTerminationSignal(int signal) {
  if (g_pending != 0) {
    // The first one is still waiting for the event loop: do not make the user
    // wait for a thread that may be stuck.
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  g_pending = signal;
  const char byte = 1;
  const int saved = errno;
  (void)!::write(g_pipe[0], &byte, 1);
  errno = saved;
}
}  // namespace

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {
  if (g_pipe[0] < 0 && ::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, g_pipe) != 0) return;
  ::fcntl(g_pipe[0], F_SETFL, O_NONBLOCK);  // the handler must never block
  auto* notifier = new QSocketNotifier(g_pipe[1], QSocketNotifier::Read, this);
  connect(notifier, &QSocketNotifier::activated, this, [this] { Arrived(); });
  struct sigaction action = {};
  action.sa_handler = OnTerminationSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (const int signal : kSignals) ::sigaction(signal, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
  for (const int signal : kSignals) std::signal(signal, SIG_DFL);
}

void TerminationSignals::Arrived() {
  char byte = 0;
  (void)!::read(g_pipe[1], &byte, 1);
  if (answered_) return;
  answered_ = true;
  if (onSignal_) onSignal_();
}

#else  // no such signals: nothing to watch

TerminationSignals::TerminationSignals(std::function<void()> onSignal, QObject* parent)
    : QObject(parent), onSignal_(std::move(onSignal)) {}
TerminationSignals::~TerminationSignals() = default;
void TerminationSignals::Arrived() {}

#endif
