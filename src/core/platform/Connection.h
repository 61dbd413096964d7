#pragma once
// The one TCP connection to the host. Implemented over a real socket by the
// front end and by recording doubles in tests.
#include <cstddef>
#include <string>

class Connection {
 public:
  virtual ~Connection() = default;
  // Creates the socket; false when the system cannot make one.
  virtual bool Create() = 0;
  // Blocks until connected or failed (name lookup included). Ports above
  // 65535 fail instead of wrapping to another port.
  virtual bool Connect(const std::string& host, unsigned port) = 0;
  // Reads up to len bytes that have arrived; 0 when none, -1 on error.
  virtual int Receive(unsigned char* buf, int len) = 0;
  // Returns once every byte was accepted; false (nothing partial is reported
  // as success) when not connected or the connection fails. Bytes the network
  // cannot take yet wait in the connection, in order: a send never blocks the
  // caller and never drops what it was given.
  virtual bool Send(const unsigned char* data, std::size_t len) = 0;
  virtual void Close() = 0;
  // The handle is valid: from a successful Create until Close.
  virtual bool IsOpen() const = 0;
};

// Socket notifications, delivered on the user-interface thread.
class ConnectionEvents {
 public:
  virtual ~ConnectionEvents() = default;
  virtual void OnReceive(int errorCode) = 0;
  virtual void OnClose(int errorCode) = 0;
};
