// Runs the byte-stream cases of tests/data/streams/*.case: host bytes in,
// expected screen, cursor, attributes, history and bytes sent back.
//
// A case is a list of steps run in file order: reads from the host ("in:"),
// actions ("do:") and expectations; tests/data/streams/README.md lists them.
//
// The screen must depend on the bytes alone, never on how the network split
// them: every case is re-run with each stretch of reads between actions joined
// and cut at every place, and byte by byte, and must reach the same state
// (screen, cursor, history, replies, ...) at every action and at its end.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <tuple>

#include "../support/SessionTestAccess.h"
#include "EscapedBytes.h"
#include "RecordingDrawContext.h"
#include "ScreenInvariants.h"
#include "SessionFixture.h"

namespace {
namespace fs = std::filesystem;

struct Step {
  enum class Kind { Read, Action, Expect };
  Kind kind;
  std::string text;
  int line;
};

struct StreamCase {
  std::string file;
  int line = 0;
  std::string name;
  std::string id;  // the test name: file and title as an identifier, unique
  std::vector<std::string> setup;
  std::vector<Step> steps;
};

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}

bool StartsWith(const std::string& s, const std::string& prefix) { return s.rfind(prefix, 0) == 0; }

bool IsSetup(const std::string& t) {
  return StartsWith(t, "size ") || StartsWith(t, "emulation ") || StartsWith(t, "buffer ") ||
         StartsWith(t, "profile ") || StartsWith(t, "colours ") || t == "disconnected" ||
         t == "warning off" || t == "hosttext utf8" || StartsWith(t, "script ");
}

// Colours are written and read as RRGGBB in hex.
Colour ParseColour(const std::string& hex) {
  const unsigned long v = std::stoul(hex, nullptr, 16);
  return MakeColour(static_cast<int>(v >> 16 & 0xFF), static_cast<int>(v >> 8 & 0xFF),
                    static_cast<int>(v & 0xFF));
}

std::string ColourText(Colour c) {
  char text[8];
  std::snprintf(text, sizeof text, "%02x%02x%02x", static_cast<unsigned>(c & 0xFF),
                static_cast<unsigned>(c >> 8 & 0xFF), static_cast<unsigned>(c >> 16 & 0xFF));
  return text;
}

// One drawing call as an "ops:" row says it: positions in pixels.
std::string OpText(const DrawCall& call) {
  std::ostringstream out;
  if (call.kind == DrawCall::Kind::Text)
    out << "text " << call.x << " " << call.y << " " << ColourText(call.fore) << " "
        << ColourText(call.back) << " " << Escape(call.text);  // blanks kept
  else if (call.kind == DrawCall::Kind::Line)
    out << "line " << call.x << "-" << call.x2 << " " << call.y << " " << ColourText(call.fore);
  else
    out << "fill " << call.x << " " << call.y << " " << call.width << "x" << call.height << " "
        << ColourText(call.fore);
  return out.str();
}

int PaneByName(const std::string& name) {
  static const char* const names[] = {"message", "cursor", "time", "size", "log"};
  for (int i = 0; i < 5; ++i)
    if (name == names[i]) return i;
  ADD_FAILURE() << "unknown pane: " << name;
  return 0;
}

ScrollCode ScrollByName(const std::string& name) {
  static const char* const names[] = {"lineup",   "linedown",      "pageup",
                                      "pagedown", "thumbposition", "thumbtrack",
                                      "top",      "bottom",        "endscroll"};
  for (int i = 0; i < 9; ++i)
    if (name == names[i]) return static_cast<ScrollCode>(i);
  return static_cast<ScrollCode>(std::stoi(name));  // a code no scroll bar sends
}

// "N" or "N-M" as the span first..last (a single N is N-N).
void ReadSpan(std::istream& in, int& first, int& last) {
  in >> first;
  last = first;
  if (in.peek() == '-') {
    char dash = 0;
    in >> dash >> last;
  }
}

// The text after "word:" with one separating blank dropped.
std::string AfterColon(const std::string& line) {
  std::string v = line.substr(line.find(':') + 1);
  if (!v.empty() && v[0] == ' ') v.erase(0, 1);
  return v;
}

// Expectations that end in a text; they, and "do: type", stand one to a line.
bool CarriesText(const std::string& t) {
  for (const char* word : {"row ", "grid:", "ops", "sent:", "history ",
                           "message:", "title:", "pane ", "viewrow ", "stored ", "writes "})
    if (StartsWith(t, word)) return true;
  return false;
}

// The steps of a line that joins several with ';'.
std::vector<std::string> Joined(const std::string& t, bool single) {
  if (single) return {t};
  std::vector<std::string> parts;
  std::istringstream in(t);
  for (std::string part; std::getline(in, part, ';');)
    if (!Trim(part).empty()) parts.push_back(Trim(part));
  return parts;
}

void LoadFile(const fs::path& path, std::vector<StreamCase>& cases) {
  std::ifstream in(path);
  std::string line;
  int number = 0;
  const std::string where = path.filename().string();
  std::vector<std::string> fileSetup;
  const std::size_t first = cases.size();  // this file's first case
  auto fail = [&](const std::string& why) {
    throw std::runtime_error(where + ":" + std::to_string(number) + ": " + why);
  };
  while (std::getline(in, line)) {
    ++number;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    const std::string t = Trim(line);
    if (t.empty() || t[0] == '#') continue;
    if (StartsWith(t, "===")) {
      cases.push_back({where, number, Trim(t.substr(3)), {}, fileSetup, {}});
      continue;
    }
    if (cases.size() == first && IsSetup(t)) {
      fileSetup.push_back(t);  // set-up of every case of the file
      continue;
    }
    if (cases.size() == first) fail("line before the first ===");
    StreamCase& c = cases.back();
    if (StartsWith(t, "in:")) {
      c.steps.push_back({Step::Kind::Read, Unescape(AfterColon(line)), number});
    } else if (StartsWith(t, "do:")) {
      const std::string actions = Trim(AfterColon(t));
      for (const std::string& a : Joined(actions, StartsWith(actions, "type ")))
        c.steps.push_back({Step::Kind::Action, a, number});
    } else if (IsSetup(t)) {
      c.setup.push_back(t);
    } else if (t[0] == '|') {
      if (c.steps.empty() ||
          !(StartsWith(c.steps.back().text, "grid:") || StartsWith(c.steps.back().text, "ops")))
        fail("| outside grid: or ops:");
      c.steps.back().text += "\n" + t;
    } else {
      for (const std::string& e : Joined(t, CarriesText(t)))
        c.steps.push_back({Step::Kind::Expect, e, number});
    }
  }
}

std::vector<StreamCase> LoadCases() {
  std::vector<StreamCase> cases;
  const fs::path dir = fs::path(CORVANE_TEST_DATA) / "streams";
  std::vector<fs::path> files;
  for (const auto& entry : fs::directory_iterator(dir))
    if (entry.path().extension() == ".case") files.push_back(entry.path());
  std::sort(files.begin(), files.end());
  for (const fs::path& path : files) LoadFile(path, cases);
  std::set<std::string> taken;
  for (StreamCase& c : cases) {
    std::string id = c.file.substr(0, c.file.find('.')) + "_" + c.name;
    for (char& ch : id)
      if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    id.erase(std::unique(id.begin(), id.end(), [](char a, char b) { return a == '_' && b == '_'; }),
             id.end());
    while (id.size() > 1 && id.back() == '_') id.pop_back();
    c.id = id;
    for (int n = 2; !taken.insert(c.id).second; ++n) c.id = id + "_" + std::to_string(n);
  }
  return cases;
}

// One run of a case: the session, what it drew and how much of what it sent
// has been checked.
struct CaseRun {
  SessionRig rig;
  RecordingDrawContext drawn;
  std::size_t sentChecked = 0;

  explicit CaseRun(const StreamCase& c) {
    bool connect = true;
    for (const std::string& s : c.setup) {
      std::istringstream words(s);
      std::string word, value;
      words >> word >> value;
      if (word == "size") {
        const auto x = value.find('x');
        rig.profile.Set("Screen", "Width", value.substr(0, x));
        rig.profile.Set("Screen", "Height", value.substr(x + 1));
      } else if (word == "emulation") {
        rig.profile.Set("Options", "Emulation", value == "ansi" ? "1" : "0");
      } else if (word == "buffer") {
        rig.profile.Set("Screen", "BufferSize", value);
      } else if (word == "disconnected") {
        connect = false;
      } else if (word == "warning") {
        rig.profile.Set("Options", "WinSizeWarning", "0");
      } else if (word == "profile") {
        // profile SECTION KEY=VALUE; the value may be empty.
        const std::string assignment = s.substr(s.find(value) + value.size() + 1);
        const auto eq = assignment.find('=');
        rig.profile.Set(value, assignment.substr(0, eq), assignment.substr(eq + 1));
      } else if (word == "colours") {
        std::string back;
        words >> back;
        userColours = {ParseColour(value), ParseColour(back)};
      } else if (word == "hosttext") {
        rig.profile.Set("Options", "HostText", "1");
      } else if (word == "script") {
        // The cells' code page follows the font: "Terminal" is the OEM one.
        rig.profile.Set("Font", "Name", value == "oem" ? "Terminal" : "Courier New");
        rig.profile.Set("Font", "CharSet", value == "oem" ? "255" : "0");
      }
    }
    rig.connection.recordWhileClosed = !connect;
    rig.host.drawContext = &drawn;
    rig.Start(connect);
    if (userColours) {
      Peek(*rig.session).m_crForeground = userColours->first;
      Peek(*rig.session).m_crBackground = userColours->second;
    }
    rig.connection.sent.clear();
    rig.profile.writes.clear();
  }
  std::optional<std::pair<Colour, Colour>> userColours;

  // Delivers bytes as one read, notifying until the session has taken them
  // all; a session that stops taking data fails instead of hanging.
  void Feed(const std::string& bytes) {
    rig.connection.Queue(bytes);
    for (int i = 0; i < 64 && !rig.connection.incoming.empty(); ++i) rig.session->OnReceive(0);
    EXPECT_TRUE(rig.connection.incoming.empty()) << "the session stopped taking data";
  }

  void Act(const std::string& action) {
    std::istringstream words(action);
    std::string verb, arg;
    words >> verb >> arg;
    int a = 0, b = 0;
    if (!arg.empty()) std::sscanf(arg.c_str(), "%dx%d", &a, &b);
    CTelnetSession& s = *rig.session;
    std::vector<int> more;
    for (int n; words >> n;) more.push_back(n);
    more.resize(4);
    if (verb == "resize") {
      s.Resize(a, b);
    } else if (verb == "window") {
      s.SizeToWindow(a, b);
    } else if (verb == "close") {
      s.Close();
    } else if (verb == "hostclose") {
      s.OnClose(a);
    } else if (verb == "connect") {
      s.OpenConnection(arg.empty() ? "127.0.0.1" : arg,
                       arg.empty() ? 23u : static_cast<unsigned>(more[0]));
    } else if (verb == "fail") {
      (arg == "create" ? rig.connection.failCreate : rig.connection.failConnect) = true;
    } else if (verb == "scroll") {
      s.ScrollView(ScrollByName(arg), more[0]);
    } else if (verb == "wheel") {
      s.MouseWheel(a);
    } else if (verb == "cursor") {
      Peek(s).m_nCursorRow = a;
      Peek(s).m_nCursorCol = more[0];
    } else if (verb == "select") {
      Peek(s).m_nSelStartRow = a;
      Peek(s).m_nSelStartCol = more[0];
      Peek(s).m_nSelEndRow = more[1];
      Peek(s).m_nSelEndCol = more[2];
    } else if (verb == "buffersize") {
      s.SetBufferSize(a);
    } else if (verb == "clearbuffer") {
      s.ClearBuffer();
    } else if (verb == "draw") {
      s.Draw(drawn, arg == "dirty");
    } else if (verb == "set") {
      const bool on = more[0] != 0;
      if (arg == "blockcursor")
        s.SetBlockCursor(on);
      else if (arg == "reversecolor")
        s.SetReverseColor(on);
      else if (arg == "autoclose")
        s.SetAutoClose(on);
      else if (arg == "disconnectnotify")
        s.SetDisconnectNotify(on);
      else
        ADD_FAILURE() << "unknown option: " << arg;
    } else if (verb == "time") {
      rig.host.now = a;
    } else if (verb == "tick") {
      s.UpdateConnectedTime();
    } else if (verb == "type") {
      s.SendData(Unescape(arg));
    } else if (verb == "keepalive") {
      s.SetKeepAlive(a);
    } else if (verb == "hosttext") {
      s.SetHostTextUtf8(arg == "utf8");
    } else {
      ADD_FAILURE() << "unknown action: " << action;
    }
  }

  void Check(const Step& step);
};

std::set<int> RowsDrawn(const RecordingDrawContext& dc, int cellHeight) {
  std::set<int> rows;
  for (const DrawCall& call : dc.Of(DrawCall::Kind::Text))
    if (call.x == 0) rows.insert(call.y / cellHeight);
  return rows;
}

void CaseRun::Check(const Step& step) {
  const CTelnetSession& s = *rig.session;
  const std::string& line = step.text;
  std::istringstream in(line);
  std::string word;
  in >> word;
  SCOPED_TRACE("line " + std::to_string(step.line) + ": " + line);
  if (word == "row") {
    int r1 = -1, r2 = -1;
    ReadSpan(in, r1, r2);
    ASSERT_TRUE(r1 >= 0 && r2 < s.Screen().Height()) << "row out of range";
    for (int r = r1; r <= r2; ++r)
      EXPECT_EQ(Escape(rig.Row(r)), Escape(Unescape(AfterColon(line)))) << "row " << r;
  } else if (word == "grid:") {
    std::vector<std::string> expected;
    std::istringstream rows(line.substr(line.find('\n') + 1));
    for (std::string r; std::getline(rows, r);)
      expected.push_back(Unescape(r.substr(1, r.size() - 2)));
    ASSERT_EQ(static_cast<int>(expected.size()), s.Screen().Height()) << "grid rows";
    for (int r = 0; r < s.Screen().Height(); ++r)
      EXPECT_EQ(Escape(Peek(s).m_Text[r]), Escape(expected[r])) << "row " << r;
  } else if (word == "cursor" || word == "saved") {
    int r = 0, col = 0;
    in >> r >> col;
    EXPECT_EQ(word == "cursor" ? Peek(s).m_nCursorRow : Peek(s).m_nSavedRow, r) << word << " row";
    EXPECT_EQ(word == "cursor" ? Peek(s).m_nCursorCol : Peek(s).m_nSavedCol, col)
        << word << " column";
  } else if (word == "attr") {
    // attr R C, attr R C1-C2 or attr R1-R2 C1-C2
    int r1 = 0, r2 = 0, c1 = 0, c2 = 0;
    ReadSpan(in, r1, r2);
    ReadSpan(in, c1, c2);
    ASSERT_TRUE(r1 >= 0 && r2 < s.Screen().Height() && c1 >= 0 && c2 < s.Screen().Width())
        << "cell out of range";
    const int expected = std::stoi(Trim(AfterColon(line)), nullptr, 16);
    for (int r = r1; r <= r2; ++r)
      for (int col = c1; col <= c2; ++col)
        EXPECT_EQ(static_cast<unsigned char>(Peek(s).m_Attrs[r][col]), expected)
            << "row " << r << " column " << col;
  } else if (word == "sent:") {
    const std::string sent = rig.connection.sent.substr(sentChecked);
    sentChecked = rig.connection.sent.size();
    EXPECT_EQ(Escape(sent), Escape(Unescape(AfterColon(line))));
  } else if (word == "history") {
    unsigned k = 0;
    in >> k;
    ASSERT_LT(k, Peek(s).m_History.size());
    EXPECT_EQ(Escape(Peek(s).m_History[k]), Escape(Unescape(AfterColon(line))));
  } else if (word == "linecount") {
    unsigned n = 0;
    in >> n;
    EXPECT_EQ(Peek(s).m_nLineCount, n);
  } else if (word == "region") {
    int t = 0, b = 0;
    in >> t >> b;
    EXPECT_EQ(Peek(s).m_nScrollTop, t);
    EXPECT_EQ(Peek(s).m_nScrollBottom, b);
  } else if (word == "screen" || word == "wanted") {
    int w = 0, h = 0;
    char x = 0;
    in >> w >> x >> h;
    EXPECT_EQ(word == "screen" ? s.Screen().Width() : Peek(s).m_nWantedWidth, w)
        << word << " width";
    EXPECT_EQ(word == "screen" ? s.Screen().Height() : Peek(s).m_nWantedHeight, h)
        << word << " height";
  } else if (word == "naws") {
    int offered = 0, active = 0;
    in >> offered >> active;
    EXPECT_EQ(Peek(s).m_bNawsOffered, offered != 0) << "offered";
    EXPECT_EQ(Peek(s).m_bNawsActive, active != 0) << "active";
  } else if (word == "hostechoes") {
    int on = 0;
    in >> on;
    EXPECT_EQ(s.HostEchoes(), on != 0);
  } else if (word == "beeps") {
    int n = 0;
    in >> n;
    EXPECT_EQ(rig.host.beeps, n);
  } else if (word == "messages") {
    std::size_t n = 0;
    in >> n;
    EXPECT_EQ(rig.host.messages.size(), n);
  } else if (word == "message:") {
    ASSERT_FALSE(rig.host.messages.empty());
    EXPECT_EQ(rig.host.messages.back().text, Trim(AfterColon(line)));
  } else if (word == "drawn:") {
    std::set<int> expected;
    for (int r; in >> r;) expected.insert(r);
    EXPECT_EQ(RowsDrawn(drawn, Peek(s).m_nCharHeight), expected);
  } else if (word == "ops:" || word == "ops") {
    // "ops:" every call of the last step; "ops R:" those on screen row R
    int only = -1;
    if (word == "ops") in >> only;
    std::string expected, got;
    std::istringstream rows(line.substr(line.find('\n') + 1));
    for (std::string r; std::getline(rows, r);)
      expected += "|" + Escape(Unescape(r.substr(1, r.size() - 2))) + "|\n";
    for (const DrawCall& call : drawn.calls)
      if (only < 0 || call.y / Peek(s).m_nCharHeight == only) got += "|" + OpText(call) + "|\n";
    EXPECT_EQ(got, expected);
  } else if (word == "dirty:") {
    std::set<int> expected, got;
    for (int r; in >> r;) expected.insert(r);
    for (std::size_t r = 0; r < Peek(s).m_DirtyLines.size(); ++r)
      if (Peek(s).m_DirtyLines[r]) got.insert(static_cast<int>(r));
    EXPECT_EQ(got, expected);
  } else if (word == "view") {
    int offset = 0;
    in >> offset;
    EXPECT_EQ(s.ScrollBackPos(), offset);
  } else if (word == "viewrow") {
    int r = 0;
    in >> r;
    EXPECT_EQ(Escape(s.HistoryViewRow(r)), Escape(Unescape(AfterColon(line))));
  } else if (word == "scrollbar") {
    int max = 0, pos = 0;
    in >> max >> pos;
    EXPECT_EQ(rig.host.scrollMax, max) << "range";
    EXPECT_EQ(rig.host.scrollPos, pos) << "thumb";
  } else if (word == "repaints") {
    int invalidations = 0, draws = 0;
    in >> invalidations >> draws;
    EXPECT_EQ(rig.host.invalidations, invalidations) << "invalidations";
    EXPECT_EQ(rig.host.clientDraws, draws) << "client draws";
  } else if (word == "client") {
    int w = 0, h = 0;
    char x = 0;
    in >> w >> x >> h;
    EXPECT_EQ(rig.host.clientWidth, w) << "width";
    EXPECT_EQ(rig.host.clientHeight, h) << "height";
  } else if (word == "pane") {
    std::string name;
    in >> name;
    name.pop_back();  // the colon
    EXPECT_EQ(rig.host.panes[PaneByName(name)], Trim(AfterColon(line)));
  } else if (word == "title:") {
    EXPECT_EQ(rig.host.title, Trim(AfterColon(line)));
  } else if (word == "stored") {
    std::string section, assignment;
    in >> section >> assignment;
    const auto eq = assignment.find('=');
    EXPECT_EQ(rig.profile.Value(section, assignment.substr(0, eq)), assignment.substr(eq + 1));
  } else if (word == "writes") {
    // writes SECTION/KEY ...: every profile write since the start, in order
    std::vector<std::string> expected, got;
    for (std::string w; in >> w;) expected.push_back(w);
    for (const auto& w : rig.profile.writes) got.push_back(w.section + "/" + w.key + "=" + w.value);
    EXPECT_EQ(got, expected);
  } else if (word == "state") {
    // state NAME VALUE: a flag or number of the session or its window
    std::string name;
    long long value = 0;
    in >> name >> value;
    const std::map<std::string, long long> states = {
        {"connected", s.IsConnected()},
        {"selection", s.HasSelection()},
        {"timer", rig.host.timerRunning},
        {"quit", rig.host.quitRequested},
        {"waitcursor", rig.host.waitCursorDepth},
        {"selfresize", Peek(s).m_bSelfResize},
        {"emulation", s.Emulation()},
        {"autoclose", s.AutoClose()},
        {"blockcursor", s.BlockCursor()},
        {"disconnectnotify", s.DisconnectNotify()},
        {"reversecolor", s.ReverseColor()},
        {"winsizewarning", s.WinSizeWarning()},
        {"hosttext", s.HostTextUtf8()},
        {"linecheckbusy", Peek(s).m_bLineCheckBusy.load()},
        {"keepalive", s.KeepAlive()},
        {"buffersize", static_cast<long long>(s.Screen().BufferSize())},
        {"historyslots", static_cast<long long>(Peek(s).m_History.size())},
        {"connectedat", static_cast<long long>(Peek(s).m_timeConnected)},
        {"linedrawing", Peek(s).m_bLineDrawing}};
    const auto found = states.find(name);
    ASSERT_NE(found, states.end()) << "unknown state";
    EXPECT_EQ(found->second, value) << name;
  } else if (word == "attribute") {
    std::string current, saved;
    in >> current >> saved;
    EXPECT_EQ(Peek(s).m_nAttr, std::stoi(current, nullptr, 16)) << "current";
    if (!saved.empty()) {
      EXPECT_EQ(Peek(s).m_nSavedAttr, std::stoi(saved, nullptr, 16)) << "saved";
    }
  } else if (word == "colours") {
    std::string fore, back, erase;
    in >> fore >> back >> erase;
    EXPECT_EQ(ColourText(Peek(s).m_crForeground), fore) << "foreground";
    EXPECT_EQ(ColourText(Peek(s).m_crBackground), back) << "background";
    if (!erase.empty()) {
      EXPECT_EQ(ColourText(s.EraseColour()), erase) << "erase";
    }
  } else if (word == "messagekind") {
    std::string kind;
    in >> kind;
    ASSERT_FALSE(rig.host.messages.empty());
    const MessageKind want = kind == "stop" ? MessageKind::Stop : MessageKind::Information;
    EXPECT_EQ(rig.host.messages.back().kind, want) << kind;
  } else {
    ADD_FAILURE() << "unknown expectation";
  }
}

// The screen model's invariants, which every step must keep.
void ExpectSoundShape(const CTelnetSession& s) { EXPECT_EQ(FindInvariantViolation(s), ""); }

// Everything a read can change, compared between the file's reads and the
// same bytes cut elsewhere.
struct Outcome {
  std::vector<std::string> rows, attrs, history;
  int row = 0, col = 0, savedRow = 0, savedCol = 0, top = 0, bottom = 0;
  int width = 0, height = 0, wantedWidth = 0, wantedHeight = 0;
  unsigned lineCount = 0;
  int attr = 0, lineDrawing = 0, nawsOffered = 0, nawsActive = 0, beeps = 0;
  int characterSets = 0, lastPrinted = 0;
  std::size_t messages = 0;
  std::string sent;
  bool operator==(const Outcome&) const = default;
};

Outcome Capture(CaseRun& run) {
  const CTelnetSession& s = *run.rig.session;
  Outcome o;
  o.rows = Peek(s).m_Text;
  o.attrs = Peek(s).m_Attrs;
  o.history = Peek(s).m_History;
  o.row = Peek(s).m_nCursorRow;
  o.col = Peek(s).m_nCursorCol;
  o.savedRow = Peek(s).m_nSavedRow;
  o.savedCol = Peek(s).m_nSavedCol;
  o.top = Peek(s).m_nScrollTop;
  o.bottom = Peek(s).m_nScrollBottom;
  o.width = s.Screen().Width();
  o.height = s.Screen().Height();
  o.wantedWidth = Peek(s).m_nWantedWidth;
  o.wantedHeight = Peek(s).m_nWantedHeight;
  o.lineCount = Peek(s).m_nLineCount;
  o.attr = Peek(s).m_nAttr;
  o.lineDrawing = Peek(s).m_bLineDrawing;
  o.characterSets =
      Peek(s).m_bG0LineDrawing | Peek(s).m_bG1LineDrawing << 1 | Peek(s).m_bShiftOut << 2;
  o.lastPrinted = Peek(s).m_nLastPrinted;
  o.nawsOffered = Peek(s).m_bNawsOffered;
  o.nawsActive = Peek(s).m_bNawsActive;
  o.beeps = run.rig.host.beeps;
  o.messages = run.rig.host.messages.size();
  o.sent = run.rig.connection.sent;
  return o;
}

void ExpectSameOutcome(const Outcome& got, const Outcome& expected, const std::string& how) {
  if (got == expected) return;
  EXPECT_EQ(got.rows, expected.rows) << how;
  EXPECT_EQ(got.attrs, expected.attrs) << how;
  EXPECT_EQ(got.history, expected.history) << how;
  EXPECT_EQ(got.lineCount, expected.lineCount) << how;
  EXPECT_EQ(got.row, expected.row) << how << ": cursor row";
  EXPECT_EQ(got.col, expected.col) << how << ": cursor column";
  EXPECT_EQ(std::tie(got.savedRow, got.savedCol), std::tie(expected.savedRow, expected.savedCol))
      << how << ": saved cursor";
  EXPECT_EQ(std::tie(got.top, got.bottom), std::tie(expected.top, expected.bottom))
      << how << ": scroll region";
  EXPECT_EQ(std::tie(got.width, got.height, got.wantedWidth, got.wantedHeight),
            std::tie(expected.width, expected.height, expected.wantedWidth, expected.wantedHeight))
      << how << ": screen and wanted size";
  EXPECT_EQ(
      std::tie(got.attr, got.lineDrawing, got.nawsOffered, got.nawsActive),
      std::tie(expected.attr, expected.lineDrawing, expected.nawsOffered, expected.nawsActive))
      << how << ": attribute, line drawing, NAWS flags";
  EXPECT_EQ(std::tie(got.characterSets, got.lastPrinted),
            std::tie(expected.characterSets, expected.lastPrinted))
      << how << ": G0, G1 and the shift; the byte a REP repeats";
  EXPECT_EQ(std::tie(got.beeps, got.messages), std::tie(expected.beeps, expected.messages))
      << how << ": beeps, messages";
  EXPECT_EQ(Escape(got.sent), Escape(expected.sent)) << how;
}

// The reads of a case in stretches: a stretch ends at an action or at the end.
// stretchOf[i] is the stretch of step i (-1 for steps that are not reads).
struct Stretches {
  std::vector<std::string> bytes;
  std::vector<int> stretchOf;
};

Stretches FindStretches(const StreamCase& c) {
  Stretches st;
  bool open = false;
  for (const Step& step : c.steps) {
    int index = -1;
    if (step.kind == Step::Kind::Read) {
      if (!open) st.bytes.emplace_back();
      open = true;
      st.bytes.back() += step.text;
      index = static_cast<int>(st.bytes.size()) - 1;
    } else if (step.kind == Step::Kind::Action) {
      open = false;
    }
    st.stretchOf.push_back(index);
  }
  return st;
}

// Runs the case's reads and actions without its expectations, stretch `cut`
// delivered as `pieces` (every other read as the file has it). The outcome is
// taken before every action and at the end.
std::vector<Outcome> RunCut(const StreamCase& c, const Stretches& st, int cut,
                            const std::vector<std::string>& pieces, bool fastPath = true) {
  CaseRun run(c);
  run.rig.session->UseFastPath(fastPath);
  std::vector<Outcome> outcomes;
  bool delivered = false;
  for (std::size_t i = 0; i < c.steps.size(); ++i) {
    const Step& step = c.steps[i];
    if (step.kind == Step::Kind::Action) {
      outcomes.push_back(Capture(run));
      run.Act(step.text);
    } else if (step.kind == Step::Kind::Read && st.stretchOf[i] != cut) {
      run.Feed(step.text);
    } else if (step.kind == Step::Kind::Read && !delivered) {
      // The first read of the cut stretch delivers all of it; a stretch's
      // reads are separated only by expectations, which are not checked here.
      for (const std::string& piece : pieces) run.Feed(piece);
      delivered = true;
    }
    if (step.kind != Step::Kind::Expect) ExpectSoundShape(*run.rig.session);
  }
  outcomes.push_back(Capture(run));
  return outcomes;
}

// Names a failing case by its place and title instead of dumping its bytes.
void PrintTo(const StreamCase& c, std::ostream* os) {
  *os << c.file << ":" << c.line << " " << c.name;
}

class StreamCases : public ::testing::TestWithParam<StreamCase> {};

TEST_P(StreamCases, ScreenAndRepliesMatch) {
  const StreamCase& c = GetParam();
  SCOPED_TRACE(c.file + ":" + std::to_string(c.line) + " " + c.name);
  CaseRun whole(c);
  for (const Step& step : c.steps) {
    if (step.kind == Step::Kind::Expect) {
      whole.Check(step);
      continue;
    }
    whole.drawn.Clear();
    if (step.kind == Step::Kind::Read)
      whole.Feed(step.text);
    else
      whole.Act(step.text);
    SCOPED_TRACE("after line " + std::to_string(step.line));
    ExpectSoundShape(*whole.rig.session);
  }
}

// The same bytes in any split give the same state: each stretch of reads
// joined into one read, cut in two at every place, and byte by byte; and the
// receive loop without its shortcuts gives the state with them.
TEST_P(StreamCases, EverySplitGivesTheSameState) {
  const StreamCase& c = GetParam();
  SCOPED_TRACE(c.file + ":" + std::to_string(c.line) + " " + c.name);
  const Stretches st = FindStretches(c);
  const std::vector<Outcome> expected = RunCut(c, st, -1, {});
  const std::vector<Outcome> general = RunCut(c, st, -1, {}, false);
  ASSERT_EQ(general.size(), expected.size());
  for (std::size_t k = 0; k < general.size(); ++k)
    if (general[k] != expected[k])
      return ExpectSameOutcome(general[k], expected[k], "without the fast path");
  for (int cut = 0; cut < static_cast<int>(st.bytes.size()); ++cut) {
    const std::string& all = st.bytes[static_cast<std::size_t>(cut)];
    for (std::size_t at = 0; at <= all.size() + 1; ++at) {
      std::vector<std::string> pieces;
      std::string how;
      if (at <= all.size()) {
        pieces = {all.substr(0, at), all.substr(at)};
        how = "stretch " + std::to_string(cut) + " split at " + std::to_string(at);
      } else {
        for (char byte : all) pieces.emplace_back(1, byte);
        how = "stretch " + std::to_string(cut) + " bytewise";
      }
      const std::vector<Outcome> got = RunCut(c, st, cut, pieces);
      ASSERT_EQ(got.size(), expected.size());
      bool same = true;
      for (std::size_t k = 0; k < got.size(); ++k) {
        if (got[k] == expected[k]) continue;
        ExpectSameOutcome(got[k], expected[k],
                          how + (k + 1 == got.size() ? ", at the end"
                                                     : ", before action " + std::to_string(k + 1)));
        same = false;
        break;
      }
      if (!same) return;  // one failing split tells enough
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Data, StreamCases, ::testing::ValuesIn(LoadCases()),
                         [](const auto& info) { return info.param.id; });
}  // namespace
