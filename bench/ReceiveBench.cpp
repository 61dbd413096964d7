// Receive-loop throughput: generated host streams fed in 4096-byte reads into
// Corvane's session and, for comparison, into libvterm, at two screen sizes and
// two history capacities. Prints Google Benchmark's lines and then a summary
// table with MB/s (10^6 bytes per CPU second) and the ratio to libvterm.
//
//   corvane_bench_receive [--stream_mb=N] [--corpus_dir=DIR] [--draw_every_read]
//                         [benchmark options]
//
// --corpus_dir feeds the files DIR/plain.vt, sgr.vt, cursor.vt and wrap.vt
// (their first --stream_mb, if that is less) instead of generated streams, so
// the engine can be measured on the same bytes as screendump or another program.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "EngineFeed.h"
#include "Streams.h"

namespace {

struct Case {
  StreamKind kind;
  int cols, rows, history;
  bool utf8 = false;  // the host text is UTF-8 (always for the utf8 stream)
  std::string Key() const {
    return std::string(StreamName(kind)) + (utf8 && kind != StreamKind::Utf8 ? "-as-utf8" : "") +
           "/" + std::to_string(cols) + "x" + std::to_string(rows) + "/h" + std::to_string(history);
  }
};

std::size_t g_streamBytes = 24'000'000;
std::string g_corpusDir;  // empty: generated streams
// Untimed prefix fed before measuring, so the history ring is full and the
// numbers show the steady state.
constexpr std::size_t kWarmUpBytes = 8'000'000;

std::string ReadCorpus(StreamKind kind) {
  const std::string path = g_corpusDir + "/" + StreamName(kind) + ".vt";
  std::ifstream in(path, std::ios::binary);
  std::string bytes(std::istreambuf_iterator<char>(in), {});
  if (bytes.empty()) {
    std::fprintf(stderr, "corvane_bench_receive: cannot read %s\n", path.c_str());
    std::exit(2);
  }
  if (bytes.size() > g_streamBytes) bytes.resize(g_streamBytes);
  return bytes;
}

// Streams are made once and kept; generated cursor redraws depend on the screen size.
const std::string& CachedStream(const Case& c) {
  static std::map<std::tuple<StreamKind, int, int>, std::string> cache;
  const bool generated = g_corpusDir.empty();
  const bool sized = generated && c.kind == StreamKind::Cursor;
  const auto key = std::make_tuple(c.kind, sized ? c.cols : 0, sized ? c.rows : 0);
  auto it = cache.find(key);
  if (it == cache.end()) {
    std::string bytes =
        generated ? GenerateStream(c.kind, c.cols, c.rows, g_streamBytes) : ReadCorpus(c.kind);
    it = cache.emplace(key, std::move(bytes)).first;
  }
  return it->second;
}

template <typename Feed>
void Measure(benchmark::State& state, const Case& c) {
  const std::string& stream = CachedStream(c);
  Feed feed(c.cols, c.rows, c.history, c.utf8);
  feed.Feed(stream.substr(0, std::min(kWarmUpBytes, stream.size())));
  for (auto _ : state) feed.Feed(stream);
  benchmark::DoNotOptimize(feed.ScreenDigest());
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(stream.size()));
}

// Throughputs seen so far, MB/s per run name ("plain/80x24/h1000/corvane").
std::map<std::string, std::vector<double>> g_rates;

double Median(std::vector<double> v) {
  if (v.empty()) return 0;
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

double RateOf(const std::string& name) {
  auto it = g_rates.find(name);
  return it == g_rates.end() ? 0 : Median(it->second);
}

// Console output plus a "vs_libvterm" counter on Corvane's lines (the libvterm
// case of the same stream runs just before).
class ComparingReporter : public benchmark::ConsoleReporter {
 public:
  // Counters as table columns; colours only on a terminal.
  ComparingReporter()
      : ConsoleReporter(isatty(STDOUT_FILENO) ? OutputOptions(OO_Tabular | OO_Color) : OO_Tabular) {
  }

  void ReportRuns(const std::vector<Run>& runs) override {
    std::vector<Run> shown = runs;
    for (Run& run : shown) {
      if (run.run_type != Run::RT_Iteration || run.error_occurred) continue;
      const std::string name = run.benchmark_name();
      auto bytes = run.counters.find("bytes_per_second");
      if (bytes == run.counters.end()) continue;
      g_rates[name].push_back(bytes->second.value / 1e6);
      // Every line gets the column (libvterm's own lines read 1), so the
      // console prints one table header instead of one per line.
      double ratio = 1;
      const std::string suffix = "/corvane";
      if (name.ends_with(suffix)) {
        const double vterm = RateOf(name.substr(0, name.size() - suffix.size()) + "/libvterm");
        ratio = vterm > 0 ? RateOf(name) / vterm : 0;
      }
      run.counters["vs_libvterm"] = benchmark::Counter(ratio);
    }
    ConsoleReporter::ReportRuns(shown);
  }
};

std::vector<Case> AllCases() {
  std::vector<Case> cases;
  for (StreamKind kind : {StreamKind::Plain, StreamKind::Sgr, StreamKind::Cursor, StreamKind::Wrap})
    for (auto [cols, rows] : {std::pair{80, 24}, std::pair{255, 255}})
      for (int history : {1000, 65536}) cases.push_back({kind, cols, rows, history});
  // Plain text read as UTF-8, and UTF-8 text (from a corpus only when it has
  // utf8.vt), on the screen the plain-text target is set for.
  for (int history : {1000, 65536}) cases.push_back({StreamKind::Plain, 80, 24, history, true});
  if (g_corpusDir.empty() || std::ifstream(g_corpusDir + "/utf8.vt"))
    for (int history : {1000, 65536}) cases.push_back({StreamKind::Utf8, 80, 24, history, true});
  return cases;
}

void PrintSummary(const std::vector<Case>& cases) {
  std::printf(
      "\nReceive-loop throughput, %.0f MB per stream%s, 4096-byte reads, drawn %s. MB/s\n"
      "here is 10^6 bytes per CPU second (bytes_per_second above counts 2^20-byte units).\n",
      static_cast<double>(g_streamBytes) / 1e6, g_corpusDir.empty() ? "" : " (at most)",
      FramePacer::EveryRead() ? "after every read" : "a 60 Hz frame at a time");
  std::printf("%-14s %-8s %-8s %14s %14s %12s\n", "stream", "screen", "history", "corvane MB/s",
              "libvterm MB/s", "vs_libvterm");
  bool allTwentyTimes = true, anyRatio = false;
  for (const Case& c : cases) {
    const double ours = RateOf(c.Key() + "/corvane");
    const double theirs = RateOf(c.Key() + "/libvterm");
    if (ours == 0) continue;
    char screen[16];
    std::snprintf(screen, sizeof screen, "%dx%d", c.cols, c.rows);
    char ratio[16] = "n/a";
    char vterm[16] = "n/a";
    if (theirs > 0) {
      std::snprintf(ratio, sizeof ratio, "%.1fx", ours / theirs);
      std::snprintf(vterm, sizeof vterm, "%.1f", theirs);
      anyRatio = true;
      allTwentyTimes = allTwentyTimes && ours >= 20 * theirs;
    }
    std::printf(
        "%-14s %-8s %-8d %14.1f %14s %12s\n",
        (std::string(StreamName(c.kind)) + (c.utf8 && c.kind != StreamKind::Utf8 ? "-as-utf8" : ""))
            .c_str(),
        screen, c.history, ours, vterm, ratio);
  }
  const double plain =
      std::min(RateOf("plain/80x24/h1000/corvane"), RateOf("plain/80x24/h65536/corvane"));
  if (plain > 0)
    std::printf("target >= 1000 MB/s on plain text at 80x24: %s (%.1f MB/s)\n",
                plain >= 1000 ? "met" : "NOT met", plain);
  const double asUtf8 = std::min(RateOf("plain-as-utf8/80x24/h1000/corvane"),
                                 RateOf("plain-as-utf8/80x24/h65536/corvane"));
  if (plain > 0 && asUtf8 > 0)
    std::printf("target plain text read as UTF-8 >= 80%% of 8-bit at 80x24: %s (%.0f%%)\n",
                asUtf8 >= 0.8 * plain ? "met" : "NOT met", 100 * asUtf8 / plain);
  if (anyRatio)
    std::printf("target >= 20x libvterm on every stream: %s\n", allTwentyTimes ? "met" : "NOT met");
}

}  // namespace

int main(int argc, char** argv) {
  // Our own option first; Google Benchmark rejects what it does not know.
  std::vector<char*> args;
  for (int i = 0; i < argc; ++i) {
    if (std::strncmp(argv[i], "--stream_mb=", 12) == 0)
      g_streamBytes = static_cast<std::size_t>(std::max(1.0, std::atof(argv[i] + 12)) * 1e6);
    else if (std::strncmp(argv[i], "--corpus_dir=", 13) == 0)
      g_corpusDir = argv[i] + 13;
    else if (std::strcmp(argv[i], "--draw_every_read") == 0)
      FramePacer::EveryRead() = true;
    else
      args.push_back(argv[i]);
  }
  int count = static_cast<int>(args.size());
  benchmark::Initialize(&count, args.data());
  if (benchmark::ReportUnrecognizedArguments(count, args.data())) return 2;

  const std::vector<Case> cases = AllCases();
  for (const Case& c : cases) {
    if (VtermFeed::Available())
      benchmark::RegisterBenchmark((c.Key() + "/libvterm").c_str(), Measure<VtermFeed>, c)
          ->Unit(benchmark::kMillisecond);
    benchmark::RegisterBenchmark((c.Key() + "/corvane").c_str(), Measure<CorvaneFeed>, c)
        ->Unit(benchmark::kMillisecond);
  }
  if (!VtermFeed::Available()) std::printf("libvterm not found: comparison cases skipped\n");

  ComparingReporter reporter;
  benchmark::RunSpecifiedBenchmarks(&reporter);
  benchmark::Shutdown();
  PrintSummary(cases);
  return 0;
}
