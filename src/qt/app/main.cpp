// Corvane: a telnet client with a VT100/ANSI terminal.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string>
#include <vector>

#include "app/TerminalApp.h"
#include "app/TerminationSignals.h"
#include "cmdline/CommandLine.h"
#include "terminal/TelnetSession.h"

namespace {

// Help, version and errors are answered before any window system is needed.
bool AnswerWithoutWindow(const CommandLine& line, int& exitCode) {
  switch (line.action) {
    case CommandLine::Action::Run:
      return false;
    case CommandLine::Action::Help:
      std::fputs(UsageText().c_str(), stdout);
      exitCode = 0;
      return true;
    case CommandLine::Action::Version:
      std::printf("%s\n", VersionText().c_str());
      exitCode = 0;
      return true;
    case CommandLine::Action::Error:
      std::fprintf(stderr, "corvane: %s\n", line.error.c_str());
      exitCode = 2;
      return true;
  }
  return false;
}

// What Exit does after the user has said Yes: the connection closed (so no
// question is asked), the window position saved by the close, and the event
// loop ended, modal boxes included; the session's end then closes the log.
void EndAsExitWithoutQuestion(CMainFrame* frame) {
  if (frame != nullptr) {
    if (CTelnetSession* session = frame->Session(); session && session->IsConnected())
      session->Close();
    frame->close();
  }
  QCoreApplication::exit(0);
}

// Qt's own event loop on poll() instead of GLib's main loop: nothing in
// Corvane needs GLib sources, and each wake-up (a key press, the host's
// answer) reaches our code about a tenth of a millisecond sooner. A user's
// own QT_NO_GLIB setting is left as it is.
void PreferQtEventLoop() {
  if (!qEnvironmentVariableIsSet("QT_NO_GLIB")) qputenv("QT_NO_GLIB", "1");
}

}  // namespace

int main(int argc, char** argv) {
  int exitCode = 0;
  if (AnswerWithoutWindow(ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc)),
                          exitCode))
    return exitCode;

  PreferQtEventLoop();
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane"));
  QApplication::setApplicationVersion(QStringLiteral(CORVANE_VERSION));
  QApplication::setWindowIcon(QIcon(QStringLiteral(":/corvane/corvane.png")));

  // Qt has taken its own options (-platform, -display ...) out; read the rest.
  std::vector<std::string> words;
  const QStringList arguments = QApplication::arguments();
  for (qsizetype i = 1; i < arguments.size(); ++i) words.push_back(arguments[i].toStdString());
  const CommandLine line = ParseCommandLine(words);
  if (AnswerWithoutWindow(line, exitCode)) return exitCode;

  CTerminalApp theApp(line);
  if (!theApp.InitInstance()) return 1;
  const TerminationSignals terminationSignals(
      [&theApp] { EndAsExitWithoutQuestion(theApp.MainFrame()); });
  return QApplication::exec();
}
