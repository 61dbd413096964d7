// Counts heap allocations made inside the receive loop: each benchmark stream
// is fed twice through a session (the first pass fills the history ring), and
// every operator new during OnReceive in the second pass is counted. The
// harness's own allocations (queuing a read) happen outside the counted calls.
//
//   corvane_alloc_count [stream MB, default 8]
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <new>

#include "ScriptedConnection.h"
#include "Streams.h"
#include "platform/headless/HeadlessHost.h"
#include "settings/MemoryProfile.h"
#include "settings/ProfileKeys.h"
#include "terminal/TelnetSession.h"

namespace {
bool g_counting = false;
std::size_t g_allocations = 0, g_allocatedBytes = 0;

void* Allocate(std::size_t size) {
  if (g_counting) {
    ++g_allocations;
    g_allocatedBytes += size;
  }
  if (void* p = std::malloc(size ? size : 1)) return p;
  throw std::bad_alloc();
}

struct Counts {
  std::size_t allocations, bytes;
};

Counts CountPass(CTelnetSession& session, ScriptedConnection& connection, const std::string& stream,
                 bool count) {
  Counts counts{0, 0};
  for (std::size_t at = 0; at < stream.size(); at += kRecvBufSize) {
    connection.incoming.emplace_back(stream, at, kRecvBufSize);
    while (!connection.incoming.empty()) {
      g_allocations = g_allocatedBytes = 0;
      g_counting = count;
      session.OnReceive(0);
      g_counting = false;
      counts.allocations += g_allocations;
      counts.bytes += g_allocatedBytes;
    }
  }
  return counts;
}
}  // namespace

void* operator new(std::size_t size) { return Allocate(size); }
void* operator new[](std::size_t size) { return Allocate(size); }
void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

int main(int argc, char** argv) {
  const double mb = argc > 1 ? std::atof(argv[1]) : 8.0;
  const auto bytes = static_cast<std::size_t>((mb > 0 ? mb : 8.0) * 1e6);
  std::printf("%-8s %-8s %-8s %14s %14s %16s\n", "stream", "screen", "history", "allocations",
              "alloc bytes", "allocs per MB");
  for (StreamKind kind : {StreamKind::Plain, StreamKind::Sgr, StreamKind::Cursor, StreamKind::Wrap})
    for (auto [cols, rows] : {std::pair{80, 24}, std::pair{255, 255}})
      for (int history : {1000, 65536}) {
        const std::string stream = GenerateStream(kind, cols, rows, bytes);
        MemoryProfile profile;
        keys::Width.Write(profile, cols);
        keys::Height.Write(profile, rows);
        keys::BufferSize.Write(profile, history);
        HeadlessHost host;
        ScriptedConnection connection;
        CTelnetSession session(host, connection, profile);
        session.OpenConnection("127.0.0.1", 23);
        CountPass(session, connection, stream, false);
        const Counts counts = CountPass(session, connection, stream, true);
        char screen[16];
        std::snprintf(screen, sizeof screen, "%dx%d", cols, rows);
        std::printf(
            "%-8s %-8s %-8d %14zu %14zu %16.2f\n", StreamName(kind), screen, history,
            counts.allocations, counts.bytes,
            static_cast<double>(counts.allocations) / (static_cast<double>(stream.size()) / 1e6));
      }
  return 0;
}
