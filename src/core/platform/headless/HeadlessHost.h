#pragma once
// A window-less host for the session: keeps what a window would show (title,
// panes, scroll bar) so tools and tests can read it, answers message boxes from
// a script, and draws into a DrawContext that can be swapped in.
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "platform/SessionHost.h"
#include "platform/headless/ScriptedAnswers.h"

// A context that draws nothing; used when nobody looks at the pixels.
class NullDrawContext : public DrawContext {
 public:
  void SetTextColour(Colour) override {}
  void SetBackColour(Colour) override {}
  void DrawText(int, int, const unsigned char*, std::size_t) override {}
  void HorizontalLine(int, int, int, Colour) override {}
  void FillRect(int, int, int, int, Colour) override {}
};

class HeadlessHost : public SessionHost, public ScriptedAnswers {
 public:
  // Posted tasks wait until RunPosted (the test's "event loop") runs them.
  void PostToUi(std::function<void()> task) override;
  int RunPosted();

  void SetTitle(const std::string& title) override { this->title = title; }
  void SetPaneText(Pane pane, const std::string& text) override;
  MessageAnswer ShowMessage(const std::string& text, MessageKind kind) override {
    return Answer(text, kind);
  }
  void Beep() override { ++beeps; }
  std::FILE* OpenLogFile(const std::string& path) override {
    return openLog ? openLog(path) : std::fopen(path.c_str(), "wb");
  }
  void StartTimer() override { timerRunning = true; }
  void StopTimer() override { timerRunning = false; }
  std::time_t Now() override { return now; }
  void BeginWaitCursor() override { ++waitCursorDepth; }
  void EndWaitCursor() override { --waitCursorDepth; }
  void PostQuit() override { quitRequested = true; }
  void SetScrollRange(int min, int max) override {
    scrollMin = min;
    scrollMax = max;
  }
  void SetScrollPos(int pos) override { scrollPos = pos; }
  void Invalidate() override { ++invalidations; }
  DrawContext& BeginClientDraw() override { return drawContext ? *drawContext : nullContext_; }
  void EndClientDraw() override { ++clientDraws; }
  // A host nobody looks at can leave received changes undrawn.
  bool DrawChangesLater() override { return drawsLater; }
  bool CreateTerminalFont(const FontDescription& desc, int& cellWidth, int& cellHeight) override;
  bool FitClientArea(int width, int height) override;

  std::string title;
  std::vector<std::string> panes = std::vector<std::string>(8);
  int beeps = 0;
  bool timerRunning = false;
  std::time_t now = 0;
  int waitCursorDepth = 0;
  bool quitRequested = false;
  int scrollMin = 0, scrollMax = 0, scrollPos = 0;
  int invalidations = 0, clientDraws = 0;
  DrawContext* drawContext = nullptr;
  bool drawsLater = false;
  int cellWidth = 8, cellHeight = 16;
  bool fontCreationFails = false;
  // Opens the log in place of a plain fopen when set.
  std::function<std::FILE*(const std::string&)> openLog;
  int clientWidth = 0, clientHeight = 0;

 private:
  NullDrawContext nullContext_;
  std::mutex postedMutex_;
  std::deque<std::function<void()>> posted_;
};
