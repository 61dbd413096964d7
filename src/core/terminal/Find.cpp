// The session's find: a search over the history and the screen, the view
// following its current match, and counting again as output arrives.
#include <algorithm>

#include "terminal/TelnetSession.h"

void CTelnetSession::Find(std::u16string_view text, bool matchCase, const CodePage& page) {
  {
    std::lock_guard lock(m_ScreenLock);
    // From the bottom of what is shown: the newest match the user can see or
    // has just scrolled past comes first.
    std::optional<FindMatch> near;
    if (m_nScrollBackPos != 0) near = FindMatch{false, m_nScrollBackPos, kMaxScreenSide};
    if (const auto current = m_Find.Current()) near = current;
    m_Find.Start(FindPattern(text, matchCase, page), m_Screen, near);
  }
  ShowCurrentMatch();
}

void CTelnetSession::FindStep(bool forward) {
  {
    std::lock_guard lock(m_ScreenLock);
    m_Find.Step(forward);
  }
  ShowCurrentMatch();
}

void CTelnetSession::RefreshFind() {
  if (!m_Find.Active()) return;
  std::lock_guard lock(m_ScreenLock);
  const auto before = m_Find.Current();
  const int count = m_Find.Count(), number = m_Find.CurrentNumber();
  m_Find.Recount(m_Screen);
  const auto after = m_Find.Current();
  const bool moved = before.has_value() != after.has_value() ||
                     (before && (before->onScreen != after->onScreen ||
                                 before->line != after->line || before->col != after->col));
  // The marks of every row are drawn with the rows; only the current one's
  // place needs a full repaint.
  if (moved) m_pFrame->Invalidate();
  if (moved || count != m_Find.Count() || number != m_Find.CurrentNumber()) m_pFrame->FindChanged();
}

void CTelnetSession::EndFind() {
  m_Find.Stop();
  ScrollView(ScrollCode::Bottom, 0);
  m_pFrame->FindChanged();
}

void CTelnetSession::ShowCurrentMatch() {
  const auto current = m_Find.Current();
  const int height = m_Screen.Height(), M = std::max(ScrollMax(), 0);
  if (current && current->onScreen && m_nScrollBackPos != 0) {
    ScrollView(ScrollCode::Bottom, 0);
  } else if (current && !current->onScreen) {
    // History entry d lines back shows on view row o + height - 1 - d.
    const int d = current->line, o = m_nScrollBackPos;
    const int row = o + height - 1 - d;
    if (o == 0 || row < 0 || row >= height) {
      const int lowest = std::max(1, d - height + 1), highest = std::min(d, M);
      const int centred =
          std::clamp(d - height + 1 + height / 2, lowest, std::max(lowest, highest));
      ScrollView(ScrollCode::ThumbPosition, M - centred);
    }
  }
  m_pFrame->Invalidate();
  m_pFrame->FindChanged();
}

FindMarks CTelnetSession::CurrentFindMarks() const {
  FindMarks marks;
  if (!m_Find.Active()) return marks;
  marks.pattern = &m_Find.Pattern();
  if (const auto current = m_Find.Current()) {
    const int row = current->onScreen ? current->line
                                      : m_nScrollBackPos + m_Screen.Height() - 1 - current->line;
    if (current->onScreen == (m_nScrollBackPos == 0)) {
      marks.currentRow = row;
      marks.currentCol = current->col;
    }
  }
  return marks;
}
