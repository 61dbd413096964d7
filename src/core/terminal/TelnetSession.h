#pragma once
// The one telnet session: the connection's state and the emulated screen with
// its history ring. Everything it does to the window, the status bar, the socket
// or message boxes goes through SessionHost and Connection, so the whole engine
// runs and is tested without a window.
#include <algorithm>
#include <atomic>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <thread>
#include <vector>

#include "platform/Colour.h"
#include "platform/Connection.h"
#include "platform/DrawContext.h"
#include "platform/SessionHost.h"
#include "terminal/ScrollCode.h"

class Profile;
class LineCheckDatabase;

// Attribute byte: bit 0 bold, bit 1 reverse, bits 2-4 foreground, bits 5-7 background.
inline constexpr std::uint8_t kDefaultAttr = 0x1C;
inline constexpr int kMaxScreenSide = 255;
inline constexpr int kRecvBufSize = 4096;
// Largest history ring accepted (what the Terminal properties dialog allows).
inline constexpr int kMaxBufferSize = 65536;

class CTelnetSession : public ConnectionEvents {
 public:
  CTelnetSession(SessionHost& frame, Connection& connection, Profile& profile);
  ~CTelnetSession() override;
  CTelnetSession(const CTelnetSession&) = delete;
  CTelnetSession& operator=(const CTelnetSession&) = delete;

  // --- Connection lifecycle -------------------------------------------------
  bool OpenConnection(const std::string& host, unsigned port);
  void Close();
  void OnReceive(int errorCode) override;
  void OnClose(int errorCode) override;
  void UpdateConnectedTime();
  bool IsConnected() const { return m_Connection.IsOpen(); }
  // Sends every byte or nothing useful; failures are ignored by callers.
  // Send puts bytes on the wire as they are (the session's own telnet
  // replies); SendData is for the user's data (keys, macros, paste, send
  // selection), whose bytes 255 go out doubled.
  bool Send(const unsigned char* data, std::size_t len);
  bool Send(const std::string& bytes);
  bool SendData(std::string_view userBytes);

  // --- Screen primitives ----------------------------------------------------
  void PutChar(unsigned char ch);
  void NewLine();
  void EraseLine(int row, int col);
  void EraseBelow(int row);
  void ClearBuffer();
  void SetBufferSize(int n);
  bool IsSelected(int row, int col) const;
  // The cell the cursor stands on. While a wrap is pending (or after a tab
  // took the column past the edge) that is the last column: relative moves
  // start from it, and the cursor is drawn and reported there.
  int CursorCellCol() const { return std::clamp(m_nCursorCol, 0, std::max(m_nWidth - 1, 0)); }

  // --- Parsers (p is the byte after ESC / IAC; they return the last byte used,
  // or nullptr when the data ends before the sequence does) -------------------
  const unsigned char* ParseEscape(const unsigned char* p, const unsigned char* end);
  static int ParseNumber(const unsigned char** pp, const unsigned char* end);
  const unsigned char* ParseTelnetCommand(const unsigned char* p, const unsigned char* end);

  // --- Geometry and the scroll-back view ------------------------------------
  void Resize(int w, int h);
  void SizeToWindow(int cx, int cy);
  void ScrollView(ScrollCode code, int position);
  void MouseWheel(int delta);
  void FitWindow();
  int ScrollMax() const { return static_cast<int>(m_nBufferSize) - m_nHeight + 1; }
  // Writes the screen size to the profile if a change still waits for it.
  void FlushScreenSize();
  // History entry shown on view row r while the view is scrolled back.
  const std::string& HistoryViewRow(int r) const;

  // --- Rendering ------------------------------------------------------------
  void Draw(DrawContext& dc, bool bOnlyDirty);
  void DrawLine(DrawContext& dc, int row);
  // Draws at once on a client context of the frame.
  void DrawNow(bool bOnlyDirty);
  void CreateTerminalFont(FontDescription desc, Colour text, bool bFitWindow);
  Colour PaletteColour(int index) const;
  Colour EraseColour() const { return m_bReverseColor ? m_crForeground : m_crBackground; }

  // --- Selection and buffer text --------------------------------------------
  // Sets the selection between two terminal-area points (cleared when they are
  // equal) and redraws the whole view at once.
  void SetSelection(int x1, int y1, int x2, int y2);
  bool HasSelection() const;
  // The selected text, rows joined with CR LF; empty without a selection.
  std::string GetSelectedText() const;
  // The whole history, oldest first, lines joined with CR LF, trimmed.
  std::string GetBufferText() const;

  // --- Session log ----------------------------------------------------------
  // Stops a running log, or asks chooseFile for a path (nothing: cancelled) and
  // starts one there, emptying an existing file; tells the user when it cannot.
  void ToggleLog(const std::function<std::optional<std::string>()>& chooseFile);
  bool OpenLog(const std::string& path);
  void CloseLog();
  bool IsLogging() const { return m_pLogFile != nullptr; }
  void Log(const unsigned char* data, int count);
  // Hands what the log holds in memory to the file.
  void FlushLog();

  // --- Line check --------------------------------------------------------------
  // Starts a check of the visible rows on a worker thread unless one is running
  // or the check is switched off; returns at once.
  void StartLineCheck();
  // The whole check on the calling thread (the worker's body, with its busy test).
  void CheckScreenLines();
  // Deletes an idle database ("Database unloaded" when it held entries).
  void UnloadLineCheckDb();
  // For the window's close: a running check (and a catalogue load in progress)
  // ends soon, and no box of the check is shown from now on.
  void StopLineCheck();

  // Serialises the screen between the user-interface thread and a worker.
  std::recursive_mutex& ScreenLock() const { return m_ScreenLock; }

  // --- State (declaration order of the screen model) ------------------------
  std::unique_ptr<LineCheckDatabase> m_pLineCheckDb;
  int m_nCharWidth = 8;
  int m_nCharHeight = 16;
  SessionHost* m_pFrame;
  std::FILE* m_pLogFile = nullptr;
  int m_nWidth = 0;
  int m_nHeight = 0;
  int m_nWantedWidth = 80;
  int m_nWantedHeight = 24;
  int m_nCursorCol = 0;
  int m_nCursorRow = 0;
  int m_nSavedCol = 0;
  int m_nSavedRow = 0;
  int m_nScrollTop = 1;
  int m_nScrollBottom = 1;
  unsigned m_nLineCount = 0;
  unsigned m_nBufferSize = 0;
  int m_nScrollBackPos = 0;
  int m_nEmulation = 0;
  std::uint8_t m_nAttr = kDefaultAttr;
  std::uint8_t m_nSavedAttr = kDefaultAttr;
  bool m_bNawsActive = true;
  bool m_bNawsOffered = true;
  std::atomic<bool> m_bLineCheckBusy{true};
  bool m_bSelfResize = false;
  bool m_bLineDrawing = false;
  bool m_bAutoClose = false;
  bool m_bBlockCursor = false;
  bool m_bReverseColor = false;
  bool m_bDisconnectNotify = true;
  bool m_bWinSizeWarning = true;
  std::vector<std::uint8_t> m_DirtyLines;
  std::vector<std::string> m_Text;
  std::vector<std::string> m_Attrs;
  std::vector<std::string> m_History;
  int m_nSelStartCol = -1;
  int m_nSelStartRow = -1;
  int m_nSelEndCol = -1;
  int m_nSelEndRow = -1;
  bool m_bHasFont = false;
  FontDescription m_Font;
  std::time_t m_timeConnected = 0;
  Colour m_crBackground = 0;
  Colour m_crForeground = MakeColour(192, 192, 192);

  // --- Writes held back from a host that changes things many times a second --
  bool m_bWinSizeWarned = false;      // the refusal was shown on this connection
  bool m_bScreenSizeUnsaved = false;  // the size changed since the profile was written

  Profile& profile() { return m_Profile; }
  Connection& connection() { return m_Connection; }

 private:
  void ReceiveBlock();
  void Walk(unsigned char* begin, unsigned char* end);
  void PutRun(const unsigned char* p, int n);
  void ClearSelection();
  void PointToCell(int x, int y, int& col, int& row) const;
  void ScrollRegionUp();
  void ScrollRowsUp(int top, int bottom);  // rows top..bottom (0-based) up one
  void ScrollRegionDown();
  void BlankRow(int row);
  void MarkDirty(int first, int last);
  void ApplyControlSequence(unsigned char final, const int* params, int count);
  void SetAttributes(const int* params, int count);
  void SetScrollRegion(int top, int bottom);
  void Reshape(int w, int h);
  void StoreScreenSize();
  void SendWindowSize(int w, int h);
  void DrawHistoryView(DrawContext& dc);
  void DrawCursor(DrawContext& dc);
  void UpdateCursorPanes();
  void RunLineCheck();
  void ShowMessageFromAnyThread(const std::string& text);
  void PostMessageText(const std::string& text);
  void PostDraw();

  Connection& m_Connection;
  Profile& m_Profile;
  mutable std::recursive_mutex m_ScreenLock;

  // Receive buffer and the bytes carried over from the previous read.
  unsigned char m_RecvBuf[kRecvBufSize] = {};
  int m_nCarry = 0;
  bool m_bInReceive = false;
  bool m_bReceivePending = false;

  // The line-check worker and what lets it end when the session goes away.
  std::thread m_LineCheckThread;
  std::atomic<bool> m_bStopping{false};
  std::thread::id m_UiThread = std::this_thread::get_id();
  // Tasks posted to the user-interface thread run only while this is true.
  std::shared_ptr<std::atomic<bool>> m_Alive = std::make_shared<std::atomic<bool>>(true);
};
