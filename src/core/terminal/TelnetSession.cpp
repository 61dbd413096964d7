// Construction, destruction and the primitive screen operations.
#include "terminal/TelnetSession.h"

#include <algorithm>
#include <cstring>

#include "linecheck/LineCheckDatabase.h"
#include "settings/Profile.h"
#include "settings/ProfileKeys.h"
#include "terminal/ByteClasses.h"
#include "terminal/TelnetData.h"

namespace {
// Row handles of rows top..bottom move one place up (down), the first (last)
// one going to the other end: the single-step rotations of scrolling, done
// with one move per row instead of std::rotate's general swaps.
void RotateRowsUp(std::vector<std::string>& rows, int top, int bottom) {
  std::string first = std::move(rows[static_cast<std::size_t>(top)]);
  std::move(rows.begin() + top + 1, rows.begin() + bottom + 1, rows.begin() + top);
  rows[static_cast<std::size_t>(bottom)] = std::move(first);
}
void RotateRowsDown(std::vector<std::string>& rows, int top, int bottom) {
  std::string last = std::move(rows[static_cast<std::size_t>(bottom)]);
  std::move_backward(rows.begin() + top, rows.begin() + bottom, rows.begin() + bottom + 1);
  rows[static_cast<std::size_t>(top)] = std::move(last);
}
}  // namespace

CTelnetSession::CTelnetSession(SessionHost& frame, Connection& connection, Profile& profile)
    : m_pFrame(&frame), m_Connection(connection), m_Profile(profile) {
  // The line check stays switched off while the catalogue has no capacity.
  m_bLineCheckBusy = LineCheckDatabase::CapacityFor(keys::DBSize.Read(profile)) == 0;
  m_pFrame->SetPaneText(kPaneLog, "");

  m_bAutoClose = keys::AutoClose.Read(profile) != 0;
  m_bBlockCursor = keys::BlockCursor.Read(profile) != 0;
  m_bDisconnectNotify = keys::DisconnectNotify.Read(profile) != 0;
  m_bReverseColor = keys::ReverseColor.Read(profile) != 0;
  const int emulation = keys::Emulation.Read(profile);
  m_nEmulation = (emulation == 0 || emulation == 1) ? emulation : 0;
  m_bWinSizeWarning = keys::WinSizeWarning.Read(profile) != 0;

  FontDescription desc;
  desc.heightTenths = keys::FontSize.Read(profile);
  desc.italic = keys::FontItalic.Read(profile) != 0;
  desc.charSet = keys::FontCharSet.Read(profile) & 0xFF;
  desc.faceName = keys::FontName.Read(profile).substr(0, 31);
  const Colour text = MakeColour(keys::ForegroundR.Read(profile), keys::ForegroundG.Read(profile),
                                 keys::ForegroundB.Read(profile));
  CreateTerminalFont(desc, text, false);

  m_crBackground = MakeColour(keys::BackgroundR.Read(profile), keys::BackgroundG.Read(profile),
                              keys::BackgroundB.Read(profile));

  SetBufferSize(keys::BufferSize.Read(profile));

  m_nWidth = m_nHeight = 0;
  m_nWantedWidth = keys::Width.Read(profile);
  m_nWantedHeight = keys::Height.Read(profile);
  m_bNawsActive = m_bNawsOffered = true;
  m_nCursorCol = m_nCursorRow = m_nSavedCol = m_nSavedRow = 0;
  m_nSavedAttr = kDefaultAttr;
  Resize(m_nWantedWidth, m_nWantedHeight);
}

CTelnetSession::~CTelnetSession() {
  // A running check ends at its next row; nothing it posted runs after this.
  m_bStopping = true;
  if (m_LineCheckThread.joinable()) m_LineCheckThread.join();
  *m_Alive = false;
  FlushScreenSize();
  CloseLog();
  m_pLineCheckDb.reset();
  m_Connection.Close();
}

bool CTelnetSession::Send(const unsigned char* data, std::size_t len) {
  if (len == 0) return true;
  return m_Connection.Send(data, len);
}

bool CTelnetSession::Send(const std::string& bytes) {
  return Send(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

bool CTelnetSession::SendData(std::string_view userBytes) { return Send(DoubleIac(userBytes)); }

void CTelnetSession::PutChar(unsigned char ch) {
  if (ch == 8) {
    m_nCursorCol = std::max(CursorCellCol() - 1, 0);
    return;
  }
  if (ch == 13) {
    NewLine();
    m_nCursorCol = 0;
    return;
  }
  if (m_bLineDrawing) ch = kLineDrawing[ch];
  if (m_nCursorCol >= m_nWidth) {
    NewLine();
    m_nCursorCol = 0;
  }
  m_Text[m_nCursorRow][m_nCursorCol] = static_cast<char>(ch);
  m_Attrs[m_nCursorRow][m_nCursorCol] = static_cast<char>(m_nAttr);
  ++m_nCursorCol;
}

// Stores a run of printable bytes exactly as PutChar would one by one, a row
// segment at a time.
void CTelnetSession::PutRun(const unsigned char* p, int n) {
  while (n > 0) {
    if (m_nCursorCol >= m_nWidth) {
      NewLine();
      m_nCursorCol = 0;
    }
    const int k = std::min(n, m_nWidth - m_nCursorCol);
    char* text = m_Text[m_nCursorRow].data() + m_nCursorCol;
    if (m_bLineDrawing) {
      for (int i = 0; i < k; ++i) text[i] = static_cast<char>(kLineDrawing[p[i]]);
    } else {
      std::memcpy(text, p, static_cast<std::size_t>(k));
    }
    std::memset(m_Attrs[m_nCursorRow].data() + m_nCursorCol, m_nAttr, static_cast<std::size_t>(k));
    m_DirtyLines[m_nCursorRow] = 1;
    m_nCursorCol += k;
    p += k;
    n -= k;
  }
}

void CTelnetSession::NewLine() {
  const std::string& row = m_Text[m_nCursorRow];
  m_History[m_nLineCount % m_nBufferSize].assign(row, 0, TrimmedLength(row));
  ++m_nLineCount;

  ++m_nCursorRow;
  if (m_nCursorRow < m_nScrollBottom) return;
  ScrollRegionUp();
  m_nCursorRow = m_nScrollBottom - 1;
}

void CTelnetSession::BlankRow(int row) {
  m_Text[row].assign(static_cast<std::size_t>(m_nWidth), ' ');
  m_Attrs[row].assign(static_cast<std::size_t>(m_nWidth), static_cast<char>(kDefaultAttr));
}

void CTelnetSession::MarkDirty(int first, int last) {
  first = std::max(first, 0);
  last = std::min(last, m_nHeight - 1);
  for (int r = first; r <= last; ++r) m_DirtyLines[r] = 1;
}

// Removes the region's top row and inserts a blank one at its bottom: row
// handles move, characters do not.
void CTelnetSession::ScrollRegionUp() { ScrollRowsUp(m_nScrollTop - 1, m_nScrollBottom - 1); }

void CTelnetSession::ScrollRowsUp(int top, int bottom) {
  RotateRowsUp(m_Text, top, bottom);
  RotateRowsUp(m_Attrs, top, bottom);
  BlankRow(bottom);
  MarkDirty(top, bottom);
}

void CTelnetSession::ScrollRegionDown() {
  const int top = m_nScrollTop - 1, bottom = m_nScrollBottom - 1;
  RotateRowsDown(m_Text, top, bottom);
  RotateRowsDown(m_Attrs, top, bottom);
  BlankRow(top);
  MarkDirty(top, bottom);
}

void CTelnetSession::EraseLine(int row, int col) {
  if (row < 0 || row >= m_nHeight) return;
  if (col <= 0) {
    BlankRow(row);
  } else if (col < m_nWidth) {
    const auto n = static_cast<std::size_t>(m_nWidth - col);
    std::memset(m_Text[row].data() + col, ' ', n);
    std::memset(m_Attrs[row].data() + col, kDefaultAttr, n);
  }
  m_DirtyLines[row] = 1;
}

void CTelnetSession::EraseBelow(int row) {
  for (int r = std::max(row, 0); r < m_nHeight; ++r) EraseLine(r, 0);
}

void CTelnetSession::ClearBuffer() {
  {
    std::lock_guard lock(m_ScreenLock);
    EraseBelow(0);
    for (std::string& entry : m_History) entry.assign(static_cast<std::size_t>(m_nWidth), ' ');
  }
  DrawNow(true);
}

void CTelnetSession::SetBufferSize(int n) {
  // A ring needs at least one slot; a hand-edited huge value must not exhaust memory.
  n = std::clamp(n, 1, kMaxBufferSize);
  m_nBufferSize = static_cast<unsigned>(n);
  m_History.resize(m_nBufferSize);
  m_nScrollBackPos = 0;
  m_nLineCount = 0;
  keys::BufferSize.Write(m_Profile, n);
  m_pFrame->SetScrollRange(0, std::max(0, ScrollMax()));
  // The view is live again: the thumb belongs at the bottom of the new range.
  m_pFrame->SetScrollPos(std::max(0, ScrollMax()));
}

bool CTelnetSession::IsSelected(int row, int col) const {
  if ((m_nSelStartCol == -1 && m_nSelStartRow == -1) || (m_nSelEndCol == -1 && m_nSelEndRow == -1))
    return false;
  if (row < m_nSelStartRow || row > m_nSelEndRow) return false;
  if (row == m_nSelStartRow && col < m_nSelStartCol) return false;
  if (row == m_nSelEndRow && col > m_nSelEndCol) return false;
  return true;
}

void CTelnetSession::ClearSelection() {
  m_nSelStartCol = m_nSelStartRow = m_nSelEndCol = m_nSelEndRow = -1;
}
