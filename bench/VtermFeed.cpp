#include <algorithm>
#include <string>
#include <vector>

#include "EngineFeed.h"

#ifdef CORVANE_HAVE_VTERM
#include <vterm.h>

namespace {
// What the callbacks keep: a damage count (a renderer would repaint those
// rectangles) and the scroll-back ring.
struct VtermState {
  long damageCalls = 0;
  std::vector<std::string> history;
  std::size_t nextLine = 0;
};

int OnDamage(VTermRect, void* user) {
  ++static_cast<VtermState*>(user)->damageCalls;
  return 1;
}

int OnMoveCursor(VTermPos, VTermPos, int, void*) { return 1; }
int OnSetTermProp(VTermProp, VTermValue*, void*) { return 1; }
int OnBell(void*) { return 1; }

// A line leaving the top of the screen goes into the ring as text.
int OnPushLine(int cols, const VTermScreenCell* cells, void* user) {
  auto* state = static_cast<VtermState*>(user);
  std::string& line = state->history[state->nextLine++ % state->history.size()];
  line.resize(static_cast<std::size_t>(cols));
  for (int i = 0; i < cols; ++i)
    line[i] = static_cast<char>(cells[i].chars[0] ? cells[i].chars[0] : ' ');
  line.erase(line.find_last_not_of(' ') + 1);
  return 1;
}

int OnPopLine(int, VTermScreenCell*, void*) { return 0; }

constexpr VTermScreenCallbacks kCallbacks = {OnDamage, nullptr, OnMoveCursor, OnSetTermProp,
                                             OnBell,   nullptr, OnPushLine,   OnPopLine};
}  // namespace

struct VtermFeed::Parts : VtermState {
  VTerm* vt = nullptr;
  VTermScreen* screen = nullptr;
  int rows = 0, cols = 0;
  FramePacer pacer;
};

VtermFeed::VtermFeed(int cols, int rows, int history, bool) : parts_(std::make_unique<Parts>()) {
  Parts& p = *parts_;
  p.rows = rows;
  p.cols = cols;
  p.history.resize(static_cast<std::size_t>(std::max(history, 1)));
  p.vt = vterm_new(rows, cols);
  vterm_set_utf8(p.vt, 1);
  p.screen = vterm_obtain_screen(p.vt);
  vterm_screen_set_callbacks(p.screen, &kCallbacks, static_cast<VtermState*>(&p));
  vterm_screen_set_damage_merge(p.screen, VTERM_DAMAGE_SCROLL);
  vterm_screen_reset(p.screen, 1);
}

VtermFeed::~VtermFeed() { vterm_free(parts_->vt); }

void VtermFeed::Feed(const std::string& stream) {
  for (std::size_t at = 0; at < stream.size(); at += kReadSize) {
    const std::size_t n = std::min(kReadSize, stream.size() - at);
    vterm_input_write(parts_->vt, stream.data() + at, n);
    if (parts_->pacer.Due()) vterm_screen_flush_damage(parts_->screen);
  }
  vterm_screen_flush_damage(parts_->screen);
}

std::uint64_t VtermFeed::ScreenDigest() const {
  std::uint64_t sum = 0;
  VTermScreenCell cell;
  for (int row = 0; row < parts_->rows; ++row)
    for (int col = 0; col < parts_->cols; ++col)
      if (vterm_screen_get_cell(parts_->screen, VTermPos{row, col}, &cell))
        sum = sum * 31 + cell.chars[0];
  return sum;
}

bool VtermFeed::Available() { return true; }

#else  // without libvterm the comparison cases are not registered

struct VtermFeed::Parts {};
VtermFeed::VtermFeed(int, int, int, bool) {}
VtermFeed::~VtermFeed() = default;
void VtermFeed::Feed(const std::string&) {}
std::uint64_t VtermFeed::ScreenDigest() const { return 0; }
bool VtermFeed::Available() { return false; }

#endif
