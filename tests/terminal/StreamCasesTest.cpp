// Runs the byte-stream cases of tests/data/streams/*.case: host bytes in,
// expected screen, cursor, attributes, history and bytes sent back.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "EscapedBytes.h"
#include "SessionFixture.h"

namespace {
namespace fs = std::filesystem;

struct StreamCase {
  std::string file;
  int line = 0;
  std::string name;
  std::vector<std::string> setup;
  std::vector<std::string> reads;
  bool splitAny = false;
  std::vector<std::string> expects;
};

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

std::vector<StreamCase> LoadCases() {
  std::vector<StreamCase> cases;
  const fs::path dir = fs::path(CORVANE_TEST_DATA) / "streams";
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& path : files) {
    std::ifstream in(path);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
      ++number;
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const std::string t = Trim(line);
      if (t.empty() || t[0] == '#') continue;
      if (t.rfind("===", 0) == 0) {
        cases.push_back({path.filename().string(), number, Trim(t.substr(3)), {}, {}, false, {}});
        continue;
      }
      if (cases.empty()) throw std::runtime_error(path.string() + ": line before first ===");
      StreamCase& c = cases.back();
      if (t.rfind("in:", 0) == 0) {
        // Keep blanks after "in: " exactly: only one separating space is dropped.
        std::string raw = line.substr(line.find("in:") + 3);
        if (!raw.empty() && raw[0] == ' ') raw.erase(0, 1);
        c.reads.push_back(Unescape(raw));
      } else if (t == "split: any") {
        c.splitAny = true;
      } else if (t.rfind("size ", 0) == 0 || t.rfind("emulation ", 0) == 0 ||
                 t.rfind("buffer ", 0) == 0 || t == "disconnected" || t == "warning off" ||
                 t.rfind("answer ", 0) == 0) {
        c.setup.push_back(t);
      } else {
        c.expects.push_back(line);
      }
    }
  }
  return cases;
}

struct Outcome {
  std::vector<std::string> rows;
  std::vector<std::string> attrs;
  int row = 0, col = 0;
  std::string sent;
};

void Configure(SessionRig& rig, const StreamCase& c, bool& connect) {
  connect = true;
  for (const std::string& s : c.setup) {
    std::istringstream words(s);
    std::string word;
    words >> word;
    if (word == "size") {
      int w = 0, h = 0;
      char x = 0;
      words >> w >> x >> h;
      rig.profile.Set("Screen", "Width", std::to_string(w));
      rig.profile.Set("Screen", "Height", std::to_string(h));
    } else if (word == "emulation") {
      std::string e;
      words >> e;
      rig.profile.Set("Options", "Emulation", e == "ansi" ? "1" : "0");
    } else if (word == "buffer") {
      std::string n;
      words >> n;
      rig.profile.Set("Screen", "BufferSize", n);
    } else if (word == "disconnected") {
      connect = false;
    } else if (word == "warning") {
      rig.profile.Set("Options", "WinSizeWarning", "0");
    }
  }
}

Outcome Capture(SessionRig& rig) {
  Outcome o;
  const CTelnetSession& s = *rig.session;
  for (int r = 0; r < s.m_nHeight; ++r) {
    o.rows.push_back(s.m_Text[r]);
    o.attrs.push_back(s.m_Attrs[r]);
  }
  o.row = s.m_nCursorRow;
  o.col = s.m_nCursorCol;
  o.sent = rig.connection.sent;
  return o;
}

Outcome RunCase(const StreamCase& c, SessionRig& rig, int splitMode, std::size_t splitAt = 0) {
  bool connect = true;
  Configure(rig, c, connect);
  rig.connection.recordWhileClosed = !connect;
  rig.Start(connect);
  rig.connection.sent.clear();
  if (splitMode == 0) {
    for (const std::string& read : c.reads) rig.Feed(read);
  } else {
    std::string all;
    for (const std::string& read : c.reads) all += read;
    if (splitMode == 1) {
      rig.FeedBytewise(all);
    } else {
      rig.Feed(all.substr(0, splitAt));
      rig.Feed(all.substr(splitAt));
    }
  }
  return Capture(rig);
}

class StreamCases : public ::testing::TestWithParam<StreamCase> {};

void CheckExpectation(const StreamCase& c, SessionRig& rig, const std::string& line) {
  const CTelnetSession& s = *rig.session;
  std::istringstream in(line);
  std::string word;
  in >> word;
  const std::string rest = line.substr(line.find(':') == std::string::npos ? 0 : line.find(':') + 1);
  auto restValue = [&]() {
    std::string v = rest;
    if (!v.empty() && v[0] == ' ') v.erase(0, 1);
    return Unescape(v);
  };
  SCOPED_TRACE(c.file + ":" + std::to_string(c.line) + " " + c.name + " | " + line);
  if (word == "row") {
    int r = -1;
    in >> r;
    ASSERT_TRUE(r >= 0 && r < s.m_nHeight) << "row out of range";
    EXPECT_EQ(Escape(rig.Row(r)), Escape(restValue()));
  } else if (word == "cursor") {
    int r = 0, col = 0;
    in >> r >> col;
    EXPECT_EQ(s.m_nCursorRow, r);
    EXPECT_EQ(s.m_nCursorCol, col);
  } else if (word == "attr") {
    int r = 0, c1 = 0, c2 = 0;
    char dash = 0;
    in >> r >> c1;
    if (in.peek() == '-') in >> dash >> c2; else c2 = c1;
    const int expected = std::stoi(Trim(rest), nullptr, 16);
    for (int col = c1; col <= c2; ++col)
      EXPECT_EQ(static_cast<unsigned char>(s.m_Attrs[r][col]), expected) << "column " << col;
  } else if (word == "sent:") {
    std::string v = line.substr(line.find(':') + 1);
    if (!v.empty() && v[0] == ' ') v.erase(0, 1);
    EXPECT_EQ(Escape(rig.connection.sent), Escape(Unescape(v)));
  } else if (word == "history") {
    unsigned k = 0;
    in >> k;
    ASSERT_LT(k, s.m_History.size());
    EXPECT_EQ(Escape(s.m_History[k]), Escape(restValue()));
  } else if (word == "linecount") {
    unsigned n = 0;
    in >> n;
    EXPECT_EQ(s.m_nLineCount, n);
  } else if (word == "region") {
    int t = 0, b = 0;
    in >> t >> b;
    EXPECT_EQ(s.m_nScrollTop, t);
    EXPECT_EQ(s.m_nScrollBottom, b);
  } else if (word == "screen" || word == "wanted") {
    int w = 0, h = 0;
    char x = 0;
    in >> w >> x >> h;
    EXPECT_EQ(word == "screen" ? s.m_nWidth : s.m_nWantedWidth, w);
    EXPECT_EQ(word == "screen" ? s.m_nHeight : s.m_nWantedHeight, h);
  } else if (word == "beeps") {
    int n = 0;
    in >> n;
    EXPECT_EQ(rig.host.beeps, n);
  } else if (word == "messages") {
    std::size_t n = 0;
    in >> n;
    EXPECT_EQ(rig.host.messages.size(), n);
  } else if (word == "message:") {
    std::string v = Trim(line.substr(line.find(':') + 1));
    ASSERT_FALSE(rig.host.messages.empty());
    EXPECT_EQ(rig.host.messages.back().text, v);
  } else {
    ADD_FAILURE() << "unknown expectation";
  }
}

TEST_P(StreamCases, ScreenAndRepliesMatch) {
  const StreamCase& c = GetParam();
  SessionRig rig;
  const Outcome whole = RunCase(c, rig, 0);
  for (const std::string& e : c.expects) CheckExpectation(c, rig, e);

  if (!c.splitAny) return;
  // The same bytes in any split give the same screen and the same replies.
  std::string all;
  for (const std::string& read : c.reads) all += read;
  for (std::size_t at = 0; at <= all.size(); ++at) {
    SessionRig other;
    const Outcome split = at == all.size() ? RunCase(c, other, 1) : RunCase(c, other, 2, at);
    const std::string how = at == all.size() ? "bytewise" : "split at " + std::to_string(at);
    EXPECT_EQ(split.rows, whole.rows) << c.name << ": " << how;
    EXPECT_EQ(split.attrs, whole.attrs) << c.name << ": " << how;
    EXPECT_EQ(split.row, whole.row) << c.name << ": " << how;
    EXPECT_EQ(split.col, whole.col) << c.name << ": " << how;
    EXPECT_EQ(Escape(split.sent), Escape(whole.sent)) << c.name << ": " << how;
  }
}

std::string CaseName(const ::testing::TestParamInfo<StreamCase>& info) {
  std::string name = info.param.file.substr(0, info.param.file.find('.')) + "_L" +
                     std::to_string(info.param.line);
  for (char& ch : name)
    if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
  return name;
}

INSTANTIATE_TEST_SUITE_P(Data, StreamCases, ::testing::ValuesIn(LoadCases()), CaseName);
}  // namespace
