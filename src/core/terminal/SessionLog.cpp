// The session log: the host's raw bytes with controls dropped and each CR
// written as a CR LF line end. Writes are buffered (the receive path is hot);
// the connected-time tick and the close hand them to the file, so text reaches
// it within about a second of its arrival.
#include "terminal/Controls.h"
#include "terminal/TelnetSession.h"

void CTelnetSession::ToggleLog(const std::function<std::optional<std::string>()>& chooseFile) {
  if (IsLogging()) {
    CloseLog();
    m_pFrame->SetPaneText(kPaneLog, "");
    return;
  }
  const std::optional<std::string> path = chooseFile();
  if (!path) return;
  if (!OpenLog(*path)) {
    m_pFrame->ShowMessage("Cannot open " + *path, MessageKind::Stop);
    return;
  }
  m_pFrame->SetPaneText(kPaneLog, "Logging");
}

bool CTelnetSession::OpenLog(const std::string& path) {
  CloseLog();
  m_pLogFile = std::fopen(path.c_str(), "wb");
  return m_pLogFile != nullptr;
}

void CTelnetSession::CloseLog() {
  if (m_pLogFile == nullptr) return;
  std::fclose(m_pLogFile);
  m_pLogFile = nullptr;
}

void CTelnetSession::FlushLog() {
  if (m_pLogFile != nullptr) std::fflush(m_pLogFile);
}

void CTelnetSession::Log(const unsigned char* data, int count) {
  if (m_pLogFile == nullptr) return;
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
      std::fwrite(out, 1, static_cast<std::size_t>(n), m_pLogFile);
      n = 0;
    }
  }
  if (n > 0) std::fwrite(out, 1, static_cast<std::size_t>(n), m_pLogFile);
}
