// Corvane: a telnet client with a VT100/ANSI terminal.
#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <string>
#include <vector>

#include "app/CommandLine.h"
#include "app/qt/TerminalApp.h"

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

}  // namespace

int main(int argc, char** argv) {
  int exitCode = 0;
  if (AnswerWithoutWindow(ParseCommandLine(std::vector<std::string>(argv + 1, argv + argc)),
                          exitCode))
    return exitCode;

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
  return QApplication::exec();
}
