#include "platform/headless/HeadlessHost.h"

void HeadlessHost::SetPaneText(Pane pane, const std::string& text) {
  if (pane >= 0 && pane < static_cast<int>(panes.size())) panes[pane] = text;
}

MessageAnswer HeadlessHost::ShowMessage(const std::string& text, MessageKind kind) {
  messages.push_back({text, kind});
  if (kind != MessageKind::Question) return MessageAnswer::Ok;
  if (answers.empty()) return MessageAnswer::Yes;
  const MessageAnswer answer = answers.front();
  answers.pop_front();
  return answer;
}

bool HeadlessHost::CreateTerminalFont(const FontDescription&, int& w, int& h) {
  if (fontCreationFails) return false;
  w = cellWidth;
  h = cellHeight;
  return true;
}

bool HeadlessHost::FitClientArea(int width, int height) {
  const bool changed = width != clientWidth || height != clientHeight;
  clientWidth = width;
  clientHeight = height;
  return changed;
}

void HeadlessHost::PostToUi(std::function<void()> task) {
  std::lock_guard lock(postedMutex_);
  posted_.push_back(std::move(task));
}

int HeadlessHost::RunPosted() {
  int ran = 0;
  for (;;) {
    std::function<void()> task;
    {
      std::lock_guard lock(postedMutex_);
      if (posted_.empty()) return ran;
      task = std::move(posted_.front());
      posted_.pop_front();
    }
    task();
    ++ran;
  }
}
