#include "ScreenInvariants.h"

#include <algorithm>
#include <string>

#include "SessionTestAccess.h"
#include "terminal/TelnetSession.h"

namespace {
std::string Describe(const char* rule, long long a, long long b) {
  return std::string(rule) + " (" + std::to_string(a) + ", " + std::to_string(b) + ")";
}
}  // namespace

std::string FindInvariantViolation(const CTelnetSession& session) {
  const SessionTestAccess s = Peek(session);
  const int w = session.Screen().Width(), h = session.Screen().Height();
  if (w < 1 || w > kMaxScreenSide) return Describe("width outside 1..255", w, h);
  if (h < 1 || h > kMaxScreenSide) return Describe("height outside 1..255", w, h);

  const auto rows = static_cast<std::size_t>(h);
  if (s.m_Text.size() != rows) return Describe("m_Text rows != height", s.m_Text.size(), h);
  if (s.m_Attrs.size() != rows) return Describe("m_Attrs rows != height", s.m_Attrs.size(), h);
  if (s.m_DirtyLines.size() != rows)
    return Describe("m_DirtyLines rows != height", s.m_DirtyLines.size(), h);
  for (int r = 0; r < h; ++r) {
    if (s.m_Text[r].size() != static_cast<std::size_t>(w))
      return Describe("m_Text row length != width (row, length)", r, s.m_Text[r].size());
    if (s.m_Attrs[r].size() != static_cast<std::size_t>(w))
      return Describe("m_Attrs row length != width (row, length)", r, s.m_Attrs[r].size());
  }

  if (s.m_nCursorRow < 0 || s.m_nCursorRow >= h)
    return Describe("cursor row outside the screen (row, height)", s.m_nCursorRow, h);
  if (s.m_nCursorCol < 0) return Describe("cursor column negative (col, width)", s.m_nCursorCol, w);

  if (s.m_nScrollTop < 1 || s.m_nScrollTop > s.m_nScrollBottom || s.m_nScrollBottom > h)
    return Describe("scroll region not within 1 <= top <= bottom <= height (top, bottom)",
                    s.m_nScrollTop, s.m_nScrollBottom);

  const unsigned slots = session.Screen().BufferSize();
  if (slots < 1) return Describe("history ring without a slot", slots, 0);
  if (s.m_History.size() != slots)
    return Describe("m_History size != m_nBufferSize", s.m_History.size(), slots);

  const int maxOffset = std::max(session.ScrollMax(), 0);
  if (session.ScrollBackPos() < 0 || session.ScrollBackPos() > maxOffset)
    return Describe("scroll-back offset outside 0..max(M,0) (offset, M)", session.ScrollBackPos(),
                    session.ScrollMax());
  return {};
}
