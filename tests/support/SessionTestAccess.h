#pragma once
// Tests only: the session's and its screen's private state by their own
// names, for cases that set up a state no public operation reaches (or look at
// one nothing reports). What has a public reader (the screen's size, the
// settings' getters) is read there instead.
// Peek(session).m_nCursorCol reads or writes the field in place.
#include <atomic>
#include <cstdint>
#include <ctime>
#include <memory>
#include <string>
#include <vector>

#include "terminal/TelnetSession.h"

struct SessionTestAccess {
  explicit SessionTestAccess(CTelnetSession& s)
      : m_nCursorCol(s.m_Screen.m_nCursorCol),
        m_nCursorRow(s.m_Screen.m_nCursorRow),
        m_nSavedCol(s.m_Screen.m_nSavedCol),
        m_nSavedRow(s.m_Screen.m_nSavedRow),
        m_nScrollTop(s.m_Screen.m_nScrollTop),
        m_nScrollBottom(s.m_Screen.m_nScrollBottom),
        m_nLineCount(s.m_Screen.m_nLineCount),
        m_nAttr(s.m_Screen.m_nAttr),
        m_nSavedAttr(s.m_Screen.m_nSavedAttr),
        m_bLineDrawing(s.m_Screen.m_bLineDrawing),
        m_bG0LineDrawing(s.m_Screen.m_bG0LineDrawing),
        m_bG1LineDrawing(s.m_Screen.m_bG1LineDrawing),
        m_bShiftOut(s.m_Screen.m_bShiftOut),
        m_nLastPrinted(s.m_Screen.m_nLastPrinted),
        m_DirtyLines(s.m_Screen.m_DirtyLines),
        m_Text(s.m_Screen.m_Text),
        m_Attrs(s.m_Screen.m_Attrs),
        m_History(s.m_Screen.m_History),
        m_pLineCheckDb(s.m_pLineCheckDb),
        m_nCharWidth(s.m_nCharWidth),
        m_nCharHeight(s.m_nCharHeight),
        m_nWantedWidth(s.m_nWantedWidth),
        m_nWantedHeight(s.m_nWantedHeight),
        m_nScrollBackPos(s.m_nScrollBackPos),
        m_bNawsActive(s.m_bNawsActive),
        m_bNawsOffered(s.m_bNawsOffered),
        m_bLineCheckBusy(s.m_bLineCheckBusy),
        m_bSelfResize(s.m_bSelfResize),
        m_bAutoClose(s.m_bAutoClose),
        m_bBlockCursor(s.m_bBlockCursor),
        m_bReverseColor(s.m_bReverseColor),
        m_bDisconnectNotify(s.m_bDisconnectNotify),
        m_nSelStartCol(s.m_Selection.startCol),
        m_nSelStartRow(s.m_Selection.startRow),
        m_nSelEndCol(s.m_Selection.endCol),
        m_nSelEndRow(s.m_Selection.endRow),
        m_bHasFont(s.m_bHasFont),
        m_timeConnected(s.m_timeConnected),
        m_crBackground(s.m_crBackground),
        m_crForeground(s.m_crForeground) {}

  // The screen.
  int& m_nCursorCol;
  int& m_nCursorRow;
  int& m_nSavedCol;
  int& m_nSavedRow;
  int& m_nScrollTop;
  int& m_nScrollBottom;
  std::uint64_t& m_nLineCount;
  std::uint8_t& m_nAttr;
  std::uint8_t& m_nSavedAttr;
  bool& m_bLineDrawing;
  bool& m_bG0LineDrawing;
  bool& m_bG1LineDrawing;
  bool& m_bShiftOut;
  int& m_nLastPrinted;
  std::vector<std::uint8_t>& m_DirtyLines;
  std::vector<std::string>& m_Text;
  std::vector<std::string>& m_Attrs;
  std::vector<std::string>& m_History;
  // The session.
  std::unique_ptr<LineCheckDatabase>& m_pLineCheckDb;
  int& m_nCharWidth;
  int& m_nCharHeight;
  int& m_nWantedWidth;
  int& m_nWantedHeight;
  int& m_nScrollBackPos;
  bool& m_bNawsActive;
  bool& m_bNawsOffered;
  std::atomic<bool>& m_bLineCheckBusy;
  bool& m_bSelfResize;
  bool& m_bAutoClose;
  bool& m_bBlockCursor;
  bool& m_bReverseColor;
  bool& m_bDisconnectNotify;
  int& m_nSelStartCol;
  int& m_nSelStartRow;
  int& m_nSelEndCol;
  int& m_nSelEndRow;
  bool& m_bHasFont;
  std::time_t& m_timeConnected;
  Colour& m_crBackground;
  Colour& m_crForeground;
};

inline SessionTestAccess Peek(CTelnetSession& s) { return SessionTestAccess(s); }
// Tests that hold the session as const only read through this.
inline SessionTestAccess Peek(const CTelnetSession& s) {
  return SessionTestAccess(const_cast<CTelnetSession&>(s));
}
