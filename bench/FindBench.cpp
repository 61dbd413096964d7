// Find over the largest history: 65,535 entries of 255 columns of text, the
// screen 255 wide. A word, case folded, and a single letter (a match in
// almost every word); each run counts everything and picks the current match.
// Then the count kept up to date as lines arrive.
#include <benchmark/benchmark.h>

#include <memory>
#include <string>

#include "ScriptedConnection.h"
#include "platform/headless/HeadlessHost.h"
#include "settings/MemoryProfile.h"
#include "terminal/TelnetSession.h"
#include "text/CodePage.h"

namespace {
constexpr int kHistory = 65535;
constexpr int kWidth = 255;

struct Rig {
  MemoryProfile profile;
  HeadlessHost host;
  ScriptedConnection connection;
  std::unique_ptr<CTelnetSession> session;
  Rig() {
    profile.Set("Screen", "BufferSize", std::to_string(kHistory));
    profile.Set("Screen", "Width", std::to_string(kWidth));
    profile.Set("Screen", "Height", "24");
    session = std::make_unique<CTelnetSession>(host, connection, profile);
    session->OpenConnection("127.0.0.1", 23);
    // Words of a small vocabulary, in a fixed pseudo-random order, filling
    // every row to its last column.
    static const char* const kWords[] = {"the",  "quick", "brown",  "fox",   "jumps", "over",
                                         "lazy", "dog",   "router", "eth0",  "up",    "down",
                                         "link", "error", "packet", "drops", "load",  "12.5"};
    unsigned state = 12345;
    std::string block;
    for (int line = 0; line < kHistory + 24; ++line) {
      std::string row;
      while (row.size() < kWidth) {
        state = state * 1103515245u + 12345u;
        row += kWords[(state >> 16) % std::size(kWords)];
        row += ' ';
      }
      row.resize(kWidth - 1);
      row += 'x';
      block += row + "\r\n";
      if (block.size() > (1 << 20)) {
        connection.Queue(block);
        while (!connection.incoming.empty()) session->OnReceive(0);
        block.clear();
      }
    }
    connection.Queue(block);
    while (!connection.incoming.empty()) session->OnReceive(0);
  }
};

Rig& TheRig() {
  static Rig rig;
  return rig;
}

void Search(benchmark::State& state, const std::u16string& text) {
  Rig& rig = TheRig();
  for (auto _ : state) {
    rig.session->EndFind();
    rig.session->Find(text, false, CodePage::Cp437());
    benchmark::DoNotOptimize(rig.session->FindCount());
  }
  state.counters["matches"] = rig.session->FindCount();
  state.counters["rows"] = kHistory;
}

void BM_FindWord(benchmark::State& state) { Search(state, u"Packet"); }
BENCHMARK(BM_FindWord)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindLetter(benchmark::State& state) { Search(state, u"e"); }
BENCHMARK(BM_FindLetter)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_FindAbsent(benchmark::State& state) { Search(state, u"needle"); }
BENCHMARK(BM_FindAbsent)->Unit(benchmark::kMillisecond)->UseRealTime();

// While the bar is open: one more line arrives and the count is brought up
// to date (the ring's other entries keep their counts).
void BM_FindRecountAfterALine(benchmark::State& state) {
  Rig& rig = TheRig();
  rig.session->EndFind();
  rig.session->Find(u"packet", false, CodePage::Cp437());
  const std::string line = std::string(kWidth - 8, 'w') + " packet\r\n";
  for (auto _ : state) {
    rig.connection.Queue(line);
    rig.session->OnReceive(0);
    rig.session->RefreshFind();
  }
  state.counters["matches"] = rig.session->FindCount();
}
BENCHMARK(BM_FindRecountAfterALine)->Unit(benchmark::kMicrosecond)->UseRealTime();
}  // namespace
