#pragma once
// A connection that plays back host bytes given to it and records every byte
// the session sends: the test double of the fuzzer, benchmarks and tests.
#include <algorithm>
#include <cstring>
#include <deque>
#include <string>

#include "platform/Connection.h"

class ScriptedConnection : public Connection {
 public:
  bool Create() override {
    if (failCreate) return false;
    open = true;
    return true;
  }
  bool Connect(const std::string& host, unsigned port) override {
    lastHost = host;
    lastPort = port;
    return !failConnect && port <= 65535;
  }
  // Hands out queued host bytes, at most len and at most one queued block per call.
  int Receive(unsigned char* buf, int len) override {
    if (failReceive) return -1;
    if (incoming.empty() || len <= 0) return 0;
    std::string& block = incoming.front();
    const int n = std::min(len, static_cast<int>(block.size()));
    std::memcpy(buf, block.data(), static_cast<std::size_t>(n));
    block.erase(0, static_cast<std::size_t>(n));
    if (block.empty()) incoming.pop_front();
    return n;
  }
  bool Send(const unsigned char* data, std::size_t len) override {
    if (!open && !recordWhileClosed) return false;
    sent.append(reinterpret_cast<const char*>(data), len);
    return open;
  }
  void Close() override { open = false; }
  bool IsOpen() const override { return open; }

  // Queues a block as one read would deliver it.
  void Queue(const std::string& bytes) { incoming.push_back(bytes); }

  std::deque<std::string> incoming;
  std::string sent;
  bool open = false;
  bool failCreate = false, failConnect = false, failReceive = false;
  // Record sends even without a connection (to see what would have gone out).
  bool recordWhileClosed = false;
  std::string lastHost;
  unsigned lastPort = 0;
};
