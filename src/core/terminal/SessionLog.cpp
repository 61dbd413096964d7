// The session log: the host's raw bytes with controls dropped and each CR
// written as a CR LF line end; or, as a raw log, the data bytes the telnet
// layer hands on (commands out, a doubled IAC as one 255), for replay.
// Writes are buffered (the receive path is hot); the connected-time tick and
// the close hand them to the file, so text reaches it within about a second of
// its arrival. The first write that fails (a full disk) ends the log, so
// "Logging" is never shown over a file that no longer grows.
#include <cerrno>
#include <cstring>

#include "terminal/Controls.h"
#include "terminal/TelnetSession.h"

void CTelnetSession::ToggleLog(const std::function<std::optional<LogChoice>()>& chooseFile) {
  if (IsLogging()) {
    FlushLog();  // a last write that fails is told, as any other
    CloseLog();
    m_pFrame->SetPaneText(kPaneLog, "");
    return;
  }
  const std::optional<LogChoice> choice = chooseFile();
  if (!choice) return;
  if (!OpenLog(choice->path, choice->raw)) {
    m_pFrame->ShowMessage("Cannot open " + choice->path, MessageKind::Stop);
    return;
  }
  m_pFrame->SetPaneText(kPaneLog, "Logging");
}

bool CTelnetSession::OpenLog(const std::string& path, bool raw) {
  CloseLog();
  m_pLogFile = m_pFrame->OpenLogFile(path);
  m_strLogPath = path;
  m_bLogRaw = raw;
  return m_pLogFile != nullptr;
}

void CTelnetSession::LogWriteFailed() {
  const std::string text = "Cannot write " + m_strLogPath + ": " + std::strerror(errno);
  std::fclose(m_pLogFile);
  m_pLogFile = nullptr;
  m_pFrame->SetPaneText(kPaneLog, "");
  // Told once the current call is over: this may be inside the receive loop,
  // where a modal box would let more host data arrive beneath it.
  m_pFrame->PostToUi([frame = m_pFrame, text] { frame->ShowMessage(text, MessageKind::Stop); });
}

void CTelnetSession::CloseLog() {
  if (m_pLogFile == nullptr) return;
  std::fclose(m_pLogFile);
  m_pLogFile = nullptr;
}

void CTelnetSession::FlushLog() {
  if (m_pLogFile != nullptr && std::fflush(m_pLogFile) != 0) LogWriteFailed();
}

void CTelnetSession::Log(const unsigned char* data, int count) {
  if (m_pLogFile == nullptr || m_bLogRaw) return;
  unsigned char out[2 * kRecvBufSize];
  int n = 0;
  for (int i = 0; i < count; ++i) {
    const unsigned char b = data[i];
    if (b >= 0x20) {  // everything from the space up, controls dropped
      out[n++] = b;
    } else if (b == ctl::kCr) {
      out[n++] = ctl::kCr;
      out[n++] = ctl::kLf;
    }
    if (n >= static_cast<int>(sizeof out) - 2) {
      if (!WriteLog(out, n)) return;
      n = 0;
    }
  }
  if (n > 0) WriteLog(out, n);
}

bool CTelnetSession::WriteLog(const unsigned char* bytes, int count) {
  if (std::fwrite(bytes, 1, static_cast<std::size_t>(count), m_pLogFile) ==
      static_cast<std::size_t>(count))
    return true;
  LogWriteFailed();
  return false;
}
