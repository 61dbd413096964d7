// The screen line check over a large catalogue: loading it, and checking a
// full 80 x 24 screen of text against it (the check runs with the catalogue
// already loaded, as every check after the first does).
#include <benchmark/benchmark.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "ScriptedConnection.h"
#include "platform/headless/HeadlessHost.h"
#include "settings/MemoryProfile.h"
#include "terminal/TelnetSession.h"

namespace {
namespace fs = std::filesystem;
constexpr int kEntries = 100000;

struct Catalogue {
  fs::path dir = fs::temp_directory_path() / "corvane-bench-linecheck";
  Catalogue() {
    fs::create_directories(dir / "cd");
    std::ofstream out(dir / "cd0.csv", std::ios::binary);
    for (int i = 0; i < kEntries; ++i) out << "FILE" << i << ".DAT," << (1000 + i * 7) << "\n";
  }
  ~Catalogue() { fs::remove_all(dir); }
};

struct Rig {
  MemoryProfile profile;
  HeadlessHost host;
  ScriptedConnection connection;
  std::unique_ptr<CTelnetSession> session;
  explicit Rig(const Catalogue& catalogue) {
    profile.Set("Special", "DBSize", std::to_string(kEntries));
    profile.Set("Special", "CSVDir", catalogue.dir.string());
    profile.Set("Special", "CDDir", (catalogue.dir / "cd").string());
    session = std::make_unique<CTelnetSession>(host, connection, profile);
    session->OpenConnection("127.0.0.1", 23);
    // A full screen of a directory listing, some of whose names are catalogued.
    std::string screen;
    for (int r = 0; r < 24; ++r) {
      std::string line = "-rw-r--r-- 1 user group " + std::to_string(1000 + r * 700) + " file" +
                         std::to_string(r * 100) + ".dat  notes for row " + std::to_string(r);
      line.resize(79, '.');
      screen += line + (r < 23 ? "\r\n" : "");
    }
    connection.Queue(screen);
    session->OnReceive(0);
  }
};

void BM_LineCheckLoad(benchmark::State& state) {
  Catalogue catalogue;
  for (auto _ : state) {
    Rig rig(catalogue);
    rig.session->CheckScreenLines();  // loads, then checks
    rig.host.RunPosted();
  }
}
BENCHMARK(BM_LineCheckLoad)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

void BM_LineCheckScreen(benchmark::State& state) {
  Catalogue catalogue;
  Rig rig(catalogue);
  rig.session->CheckScreenLines();  // the first check loads the catalogue
  rig.host.RunPosted();
  for (auto _ : state) {
    rig.session->CheckScreenLines();
    rig.host.RunPosted();
  }
  state.counters["entries"] = kEntries;
}
BENCHMARK(BM_LineCheckScreen)->Unit(benchmark::kMillisecond)->UseRealTime();
}  // namespace
