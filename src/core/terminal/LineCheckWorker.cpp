// The screen line check on its worker thread: loads the catalogue when needed
// and marks catalogue names and sizes found in the visible rows.
//
// The worker holds the screen lock only while it copies one row and while it
// marks one row; searching runs unlocked. Rows are re-counted before each one,
// so a resize during the check never lets it touch rows that are gone. Status
// texts, message boxes and drawing are handed to the user-interface thread.
#include <chrono>
#include <future>

#include "linecheck/LineCheck.h"
#include "linecheck/LineCheckDatabase.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

namespace {
class SessionScreen : public linecheck::Screen {
 public:
  SessionScreen(TerminalScreen& screen, std::recursive_mutex& lock,
                const std::atomic<bool>& stopping, std::function<void()> draw)
      : screen_(screen), lock_(lock), stopping_(stopping), draw_(std::move(draw)) {}

  int RowCount() override {
    if (stopping_) return 0;
    std::lock_guard lock(lock_);
    return screen_.Height();
  }
  bool ReadRow(int row, std::string& text) override {
    std::lock_guard lock(lock_);
    if (stopping_ || row >= screen_.Height()) return false;
    text = screen_.Row(row).text;
    return true;
  }
  void MarkRow(int row, const std::string& text, const std::vector<linecheck::Span>& spans,
               std::uint8_t mark) override {
    {
      std::lock_guard lock(lock_);
      // The host may have rewritten or removed the row since it was read.
      if (row >= screen_.Height() || screen_.Row(row).text != text) return;
      std::string attrs = screen_.Row(row).attrs;
      if (!linecheck::ApplyMarks(attrs, spans, mark)) return;
      screen_.SetRowAttrs(row, attrs);
    }
    draw_();
  }

 private:
  TerminalScreen& screen_;
  std::recursive_mutex& lock_;
  const std::atomic<bool>& stopping_;
  std::function<void()> draw_;
};
}  // namespace

void CTelnetSession::StartLineCheck() {
  bool idle = false;
  if (!m_bLineCheckBusy.compare_exchange_strong(idle, true)) return;
  // The previous worker cleared the busy flag as its last step: it is ending.
  if (m_LineCheckThread.joinable()) m_LineCheckThread.join();
  m_LineCheckThread = std::thread([this] { RunLineCheck(); });
}

void CTelnetSession::CheckScreenLines() {
  bool idle = false;
  if (!m_bLineCheckBusy.compare_exchange_strong(idle, true)) return;
  RunLineCheck();
}

void CTelnetSession::RunLineCheck() {
  PostMessageText(linecheck::kLoadingDatabaseText);
  if (!m_pLineCheckDb)
    m_pLineCheckDb = std::make_unique<LineCheckDatabase>(
        m_Profile, [this](const std::string& text) { ShowMessageFromAnyThread(text); },
        &m_bStopping);
  const std::uint8_t mark = linecheck::MarkAttribute(keys::MarkColor.Read(m_Profile));
  SessionScreen screen(m_Screen, m_ScreenLock, m_bStopping, [this] { PostDraw(); });
  linecheck::CheckScreen(screen, *m_pLineCheckDb, mark,
                         [this](const std::string& text) { PostMessageText(text); });
  PostMessageText("Ready");
  m_bLineCheckBusy = false;
}

void CTelnetSession::StopLineCheck() { m_bStopping = true; }

void CTelnetSession::UnloadLineCheckDb() {
  if (!m_pLineCheckDb || m_bLineCheckBusy) return;
  m_pLineCheckDb.reset();
}

// A box from the worker waits until the user has closed it on the
// user-interface thread, or until the session is going away. Once it is going
// (the window was closed), no box of the check is shown any more.
void CTelnetSession::ShowMessageFromAnyThread(const std::string& text) {
  if (m_bStopping) return;
  if (std::this_thread::get_id() == m_UiThread) {
    m_pFrame->ShowMessage(text, MessageKind::Information);
    return;
  }
  auto closed = std::make_shared<std::promise<void>>();
  std::future<void> done = closed->get_future();
  SessionHost* host = m_pFrame;
  // `this` is only touched while the session is alive (the flag is cleared in
  // its destructor on this same thread).
  m_pFrame->PostToUi([this, host, text, closed, alive = m_Alive] {
    if (*alive && !m_bStopping)
      host->ShowNotice(text, [closed] { closed->set_value(); });
    else
      closed->set_value();
  });
  while (!m_bStopping &&
         done.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready) {
  }
}

void CTelnetSession::PostMessageText(const std::string& text) {
  SessionHost* host = m_pFrame;
  m_pFrame->PostToUi([host, text, alive = m_Alive] {
    if (*alive) host->SetPaneText(kPaneMessage, text);
  });
}

void CTelnetSession::PostDraw() {
  m_pFrame->PostToUi([this, alive = m_Alive] {
    if (*alive) DrawNow(true);
  });
}
