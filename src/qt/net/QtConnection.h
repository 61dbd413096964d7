#pragma once
// Connection over a QTcpSocket. Connecting blocks (name lookup included);
// arriving data and the end of the connection reach the session on the
// user-interface thread, as window messages would: data straight from the
// event loop, or queued when it arrives inside a send or a receive; the end
// of the connection always queued.
// While more than about a megabyte waits to be sent (a host that asks and asks
// but never reads the answers), nothing more is read from the host until the
// queue drains: TCP then holds the host back and memory stays bounded. Sends
// are still queued in full meanwhile, so no key of the user is lost.
#include <QObject>
#include <QPointer>
#include <QTcpSocket>
#include <cstdint>

#include "platform/Connection.h"

// The name the resolver is asked for: an internationalised host name
// ("bücher.example") in its ACE form ("xn--bcher-kva.example"); any other name
// or address as it is. Empty when a name cannot be converted.
QString HostForLookup(const QString& host);

class QtConnection : public QObject, public Connection {
  Q_OBJECT

 public:
  explicit QtConnection(QObject* parent = nullptr);
  ~QtConnection() override;

  // Who hears about arriving data and the host's close; may be null.
  void SetEvents(ConnectionEvents* events) { events_ = events; }

  bool Create() override;
  bool Connect(const std::string& host, unsigned port) override;
  int Receive(unsigned char* buf, int len) override;
  bool Send(const unsigned char* data, std::size_t len) override;
  void Close() override;
  bool IsOpen() const override { return socket_ != nullptr; }

  // The text of the last connect failure (for diagnostics in tests).
  QString LastError() const { return lastError_; }
  // The most bytes that ever waited to be sent on this connection.
  qint64 PeakQueuedBytes() const { return peakQueued_; }

 private:
  void ScheduleReceive();
  void DeliverReceive(std::uint64_t generation);
  void HostClosed(std::uint64_t generation);
  // True (and reading is held) while too much waits to be sent.
  bool HoldReading();
  void ResumeReading();
  // One OnReceive, marked as in progress for notifications that arrive inside it.
  void ReceiveOnce();
  void Retire(QTcpSocket* socket);

  ConnectionEvents* events_ = nullptr;
  QPointer<QTcpSocket> socket_;
  std::uint64_t generation_ = 0;  // changes with every socket, so stale notifications drop
  bool connected_ = false;        // Connect succeeded and no close was reported yet
  bool receivePosted_ = false;
  // A receive is in progress: a notification that arrives meanwhile (from the
  // event loop of a modal box shown inside it) must not read or close.
  bool delivering_ = false;
  bool sending_ = false;       // inside Send: arriving data is queued, never read there
  bool closePending_ = false;  // the host closed during a receive; handled after it
  bool readingHeld_ = false;   // a receive was skipped because the send queue is full
  qint64 peakQueued_ = 0;
  QString lastError_;
};
