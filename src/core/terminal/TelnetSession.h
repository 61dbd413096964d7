#pragma once
// The one telnet session: the connection's state, the telnet layer, the escape
// interpreter and the emulated screen they drive (telnet -> escape interpreter
// -> TerminalScreen). Everything it does to the window, the status bar, the
// socket or message boxes goes through SessionHost and Connection, so the whole
// engine runs and is tested without a window. Its state is its own: callers
// read it through const getters and the const screen, and change it through
// operations, each of which stores what it changed in the profile.
#include <algorithm>
#include <array>
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
#include "terminal/EscapeInterpreter.h"
#include "terminal/ReceiveFastPath.h"
#include "terminal/Screen.h"
#include "terminal/ScreenPainter.h"
#include "terminal/ScrollCode.h"
#include "terminal/ScrollbackSearch.h"
#include "terminal/SelectionRange.h"
#include "terminal/SgrMemo.h"
#include "text/CodePage.h"
#include "text/Utf8Decoder.h"

class Profile;
class LineCheckDatabase;
struct SessionTestAccess;

inline constexpr int kRecvBufSize = 4096;
// The longest keepalive period, in seconds.
inline constexpr int kMaxKeepAlive = 3600;

// The log the user chose: its file, and whether it holds the host's data bytes
// exactly as received (telnet commands taken out) rather than the text log.
struct LogChoice {
  // Implicit: a plain path chooses the text log.
  LogChoice(std::string file, bool rawBytes = false)  // NOLINT(google-explicit-constructor)
      : path(std::move(file)), raw(rawBytes) {}
  std::string path;
  bool raw;
};

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
  // The one-second tick: the connected time, the held-back writes, and the
  // keepalive when one is due.
  void UpdateConnectedTime();
  bool IsConnected() const { return m_Connection.IsOpen(); }
  // Sends every byte or nothing useful; failures are ignored by callers.
  // Send puts bytes on the wire as they are (the session's own telnet
  // replies); SendData is for the user's data (keys, macros, paste, send
  // selection), whose bytes 255 go out doubled.
  bool Send(const unsigned char* data, std::size_t len);
  bool Send(const std::string& bytes);
  bool SendData(std::string_view userBytes);

  // --- The screen -----------------------------------------------------------
  // Read-only: drawing, dumps, invariant checks. Take ScreenLock() while a
  // worker may be running.
  const TerminalScreen& Screen() const { return m_Screen; }
  void PutChar(unsigned char ch) { m_Screen.PutChar(ch); }
  void EraseLine(int row, int col) { m_Screen.EraseLine(row, col); }
  void EraseBelow(int row) { m_Screen.EraseBelow(row); }
  // A typed byte shown as if the host had echoed it, drawn at once.
  void EchoLocally(unsigned char ch);
  void ClearBuffer();
  void SetBufferSize(int n);
  bool IsSelected(int row, int col) const;
  int CursorCellCol() const { return m_Screen.CursorCellCol(); }

  // Whether the receive loop takes its shortcuts for text, colour changes,
  // cursor positions and erasing (on unless the build left them out). Off
  // gives the same screen, only slower: checks compare the two.
  void UseFastPath(bool on);
  bool FastPath() const { return m_bFastPath; }

  // --- Settings the session owns; each setter stores its value ---------------
  int Emulation() const { return m_nEmulation; }  // 0 VT100, 1 ANSI
  void SetEmulation(int emulation);
  bool BlockCursor() const { return m_bBlockCursor; }
  void SetBlockCursor(bool on);
  bool ReverseColor() const { return m_bReverseColor; }
  void SetReverseColor(bool on);
  bool AutoClose() const { return m_bAutoClose; }
  void SetAutoClose(bool on);
  bool DisconnectNotify() const { return m_bDisconnectNotify; }
  void SetDisconnectNotify(bool on);
  bool WinSizeWarning() const { return m_bWinSizeWarning; }
  void SetWinSizeWarning(bool on);
  // Seconds without sending after which an IAC NOP goes out; 0 never.
  int KeepAlive() const { return m_nKeepAlive; }
  void SetKeepAlive(int seconds);
  // Whether the host's text is UTF-8 (decoded into the code page's cells, and
  // typed text sent as UTF-8) rather than the code page's own bytes.
  bool HostTextUtf8() const { return m_bUtf8Host; }
  void SetHostTextUtf8(bool on);
  // The page the cells are shown in: the terminal font's.
  const CodePage& CellCodePage() const { return *m_pCodePage; }
  // Whether what we send goes as BINARY (offered, and not refused): a
  // telnet server then passes CR LF on as two line ends.
  bool SendsBinary() const { return m_bBinaryOut; }
  Colour BackgroundColour() const { return m_crBackground; }
  void SetBackgroundColour(Colour colour);
  Colour ForegroundColour() const { return m_crForeground; }
  const FontDescription& Font() const { return m_Font; }

  // --- Geometry and the scroll-back view ------------------------------------
  void Resize(int w, int h);
  void SizeToWindow(int cx, int cy);
  void ScrollView(ScrollCode code, int position);
  void MouseWheel(int delta);
  void FitWindow();
  int ScrollMax() const { return m_Screen.ScrollMax(); }
  int ScrollBackPos() const { return m_nScrollBackPos; }
  // Whether a size asked for now is applied (and negotiated) at once.
  bool SizeChangesApply() const { return m_bNawsActive && m_bNawsOffered; }
  // Whether the host does the echoing now (it said WILL ECHO and we agreed);
  // local echo waits while it does.
  bool HostEchoes() const { return m_bHostEchoes; }
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

  // --- Find in the history and on the screen ---------------------------------
  // Searches for text as the code page shows the cells (empty text: nothing
  // found); the current match is the last one at or before the bottom of the
  // view, and the view moves to show it.
  void Find(std::u16string_view text, bool matchCase, const CodePage& page);
  // The next match (toward the newest) or the previous one, wrapping.
  void FindStep(bool forward);
  // Counts again after the screen or the history changed.
  void RefreshFind();
  // No more marks; the live screen again.
  void EndFind();
  bool Finding() const { return m_Find.Active(); }
  int FindCount() const { return m_Find.Count(); }
  int FindNumber() const {
    std::lock_guard lock(m_ScreenLock);  // it reads the current match's row
    return m_Find.CurrentNumber();
  }

  // --- Session log ----------------------------------------------------------
  // Stops a running log, or asks chooseFile for a path (nothing: cancelled) and
  // starts one there, emptying an existing file; tells the user when it cannot.
  void ToggleLog(const std::function<std::optional<LogChoice>()>& chooseFile);
  bool OpenLog(const std::string& path, bool raw = false);
  void CloseLog();
  bool IsLogging() const { return m_pLogFile != nullptr; }
  bool IsLoggingRaw() const { return m_pLogFile != nullptr && m_bLogRaw; }
  // The text log: every byte the host sent, controls dropped, CR as CR LF.
  void Log(const unsigned char* data, int count);
  // The raw log: the data bytes the telnet layer hands on, as they are.
  void LogData(const unsigned char* data, std::size_t count) {
    if (m_bLogRaw && m_pLogFile != nullptr && count > 0) WriteLog(data, static_cast<int>(count));
  }
  // Hands what the log holds in memory to the file.
  void FlushLog();
  bool WriteLog(const unsigned char* bytes, int count);
  // Ends the log after a failed write and tells the user, once, after this call.
  void LogWriteFailed();

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

  Profile& profile() { return m_Profile; }
  Connection& connection() { return m_Connection; }

 private:
  // --- State -----------------------------------------------------------------
  friend struct SessionTestAccess;
  TerminalScreen m_Screen;
  // Drives m_Screen; a CHA beyond the last column widens it through Resize (NAWS).
  EscapeInterpreter m_Escape{m_Screen, [this](int w, int h) {
                               const bool applies = SizeChangesApply();
                               Resize(w, h);
                               return applies;
                             }};
  SgrMemo m_SgrMemo;  // what recent colour changes did, for the walk
  std::unique_ptr<LineCheckDatabase> m_pLineCheckDb;
  int m_nCharWidth = 8;
  int m_nCharHeight = 16;
  SessionHost* m_pFrame;
  std::FILE* m_pLogFile = nullptr;
  std::string m_strLogPath;  // as chosen, for the message when a write fails
  bool m_bLogRaw = false;    // the log holds data bytes as received, not text
  // The size the user or the profile asked for; applied once the host agrees
  // to NAWS (until then the screen keeps its current size).
  int m_nWantedWidth = 80;
  int m_nWantedHeight = 24;
  // How many lines the view is scrolled back, counted back from the live
  // screen: 0 shows the live screen, ScrollMax() the oldest history entries.
  int m_nScrollBackPos = 0;
  int m_nEmulation = 0;
  // Size changes are applied (and announced) at once; cleared while a host
  // has not agreed to NAWS.
  bool m_bNawsActive = true;
  // The NAWS offer went out on this connection (or no connection needs one).
  bool m_bNawsOffered = true;
  // The host answered the offer (DO or DONT NAWS) on this connection; until
  // then a request only replaces the wanted size.
  bool m_bNawsAnswered = false;
  // The host said WILL ECHO on this connection and has not taken it back:
  // it echoes what is typed, so local echo is suspended.
  bool m_bHostEchoes = false;
  // A check is running; also set for good when the line check is switched off
  // (a catalogue without capacity), so no check ever starts.
  std::atomic<bool> m_bLineCheckBusy{true};
  // Our own fit of the window is on its way: the size notification it brings
  // is swallowed rather than taken as the user's resize.
  bool m_bSelfResize = false;
  bool m_bAutoClose = false;
  bool m_bBlockCursor = false;
  bool m_bReverseColor = false;
  bool m_bDisconnectNotify = true;
  bool m_bWinSizeWarning = true;
  bool m_bUtf8Host = false;
  // BINARY (RFC 856) agreed on this connection for what we send and for what
  // the host sends; only ever under UTF-8.
  bool m_bBinaryOut = false;
  bool m_bBinaryIn = false;
  Utf8Decoder m_Utf8;  // a host character cut by the end of a read waits here
  const CodePage* m_pCodePage = &CodePage::Cp437();
  SelectionRange m_Selection;  // in view cells
  bool m_bHasFont = false;
  FontDescription m_Font;
  std::time_t m_timeConnected = 0;
  int m_nKeepAlive = 0;
  std::time_t m_timeLastSent = 0;  // of the last bytes sent on this connection
  Colour m_crBackground = 0;
  Colour m_crForeground = MakeColour(192, 192, 192);
  ScreenPainter m_Painter;
  ScrollbackSearch m_Find;

  // --- Writes held back from a host that changes things many times a second --
  bool m_bWinSizeWarned = false;      // the refusal was shown on this connection
  bool m_bScreenSizeUnsaved = false;  // the size changed since the profile was written

  // --- Internals ---------------------------------------------------------------
  void ReceiveBlock();
  void Walk(unsigned char* begin, unsigned char* end);
  template <bool kFast, bool kUtf8>
  void WalkBytes(unsigned char* begin, unsigned char* end);
  // Text bytes [p, end) decoded from UTF-8 and put as cells.
  template <bool kFast>
  void PutUtf8(TerminalScreen::Lane& lane, const unsigned char* p, const unsigned char* end);
  void CarryOver(const unsigned char* from, const unsigned char* end);
  void ClearSelection();
  void PointToCell(int x, int y, int& col, int& row) const;
  // The telnet layer: takes the commands out of the fresh bytes [from, end),
  // which follow the interpreter's carried bytes in m_RecvBuf, and walks the
  // data between them, so a command never interrupts an escape sequence.
  void TakeTelnetCommands(unsigned char* from, const unsigned char* end);
  // One whole command from the host: its command byte, option byte (SB,
  // WILL, WONT, DO, DONT and commands below SE) and, for SB TERMINAL-TYPE,
  // the byte after the option.
  void ExecuteTelnetCommand(unsigned char command, unsigned char option, unsigned char code);
  void Reshape(int w, int h);
  void StoreScreenSize();
  void SendWindowSize(int w, int h);
  // Hands the painter the current cell size, colours and cursor shape.
  void PreparePainter();
  void UpdateCursorPanes();
  // Scrolls the view so the current match is in it, and repaints the marks.
  void ShowCurrentMatch();
  FindMarks CurrentFindMarks() const;
  void SendKeepAliveWhenDue();
  void RunLineCheck();
  void ShowMessageFromAnyThread(const std::string& text);
  void PostMessageText(const std::string& text);
  void PostDraw();

  Connection& m_Connection;
  Profile& m_Profile;
  mutable std::recursive_mutex m_ScreenLock;

  // Receive buffer and the bytes of an unfinished escape sequence carried
  // over from the previous read.
  unsigned char m_RecvBuf[kRecvBufSize] = {};
  int m_nCarry = 0;
  // Where the telnet layer stands in a command that the previous read cut:
  // after IAC, waiting for an option byte, or for SB TERMINAL-TYPE's code.
  enum class TelnetState : std::uint8_t { Data, Command, Option, TerminalTypeCode };
  TelnetState m_TelnetState = TelnetState::Data;
  unsigned char m_TelnetCommand = 0;
  bool m_bInReceive = false;
  bool m_bFastPath = kFastPathBuilt;
  bool m_bReceivePending = false;

  // The line-check worker and what lets it end when the session goes away.
  std::thread m_LineCheckThread;
  std::atomic<bool> m_bStopping{false};
  std::thread::id m_UiThread = std::this_thread::get_id();
  // Tasks posted to the user-interface thread run only while this is true.
  std::shared_ptr<std::atomic<bool>> m_Alive = std::make_shared<std::atomic<bool>>(true);
};
