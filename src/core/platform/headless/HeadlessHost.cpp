#include "platform/headless/HeadlessHost.h"

void HeadlessHost::SetPaneText(Pane pane, const std::string& text) {
  if (pane >= 0 && pane < static_cast<int>(panes.size())) panes[pane] = text;
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
