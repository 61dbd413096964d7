#include "net/QtConnection.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QScopedValueRollback>
#include <QTimer>
#include <QUrl>
#include <algorithm>

namespace {
constexpr unsigned kMaxPort = 65535;
// A closed connection gets this long to hand over bytes still queued for it.
constexpr int kLingerMs = 3000;
// What the socket holds for us beyond what the session has read. A host that
// sends faster than Corvane shows is held back by TCP instead of filling memory.
constexpr qint64 kReadBufferBytes = 1 << 20;
// What may wait to be sent before reading stops. One read of at most 4096
// bytes makes at most a few times that in answers, so the queue stays near it.
constexpr qint64 kMaxQueuedBytes = 1 << 20;
// How long one pass of the event loop goes on reading while data waits.
constexpr qint64 kReceiveStretchNs = 1'000'000;
}  // namespace

QtConnection::QtConnection(QObject* parent) : QObject(parent) {}

QtConnection::~QtConnection() {
  if (socket_) {
    socket_->disconnect(this);
    socket_->abort();
  }
  // The socket and any closed ones still lingering are children and go with us.
}

bool QtConnection::Create() {
  if (socket_) Close();
  socket_ = new QTcpSocket(this);
  socket_->setReadBufferSize(kReadBufferBytes);
  ++generation_;
  connected_ = false;
  receivePosted_ = false;
  closePending_ = false;
  readingHeld_ = false;
  peakQueued_ = 0;
  lastError_.clear();
  const std::uint64_t generation = generation_;
  connect(socket_, &QTcpSocket::readyRead, this, [this, generation] {
    if (generation != generation_) return;
    // Straight from the event loop, the data is read at once: the first byte
    // after a quiet moment reaches the screen a pass of the loop sooner.
    // From anywhere else (inside a send or a receive) it is queued.
    if (connected_ && !delivering_ && !sending_ && !receivePosted_)
      DeliverReceive(generation);
    else
      ScheduleReceive();
  });
  connect(socket_, &QIODevice::bytesWritten, this, [this, generation] {
    if (generation == generation_) ResumeReading();
  });
  // Queued, like the socket messages of a window system: the end of the
  // connection is never reported from inside a send or a receive.
  connect(
      socket_, &QAbstractSocket::disconnected, this, [this, generation] { HostClosed(generation); },
      Qt::QueuedConnection);
  connect(
      socket_, &QAbstractSocket::errorOccurred, this,
      [this, generation] { HostClosed(generation); }, Qt::QueuedConnection);
  return true;
}

QString HostForLookup(const QString& host) {
  // An ASCII name or address (an IPv6 one with its zone id too) is the
  // resolver's own; only a name with other characters needs converting.
  const bool ascii = std::ranges::all_of(host, [](QChar c) { return c.unicode() < 0x80; });
  return ascii ? host : QString::fromLatin1(QUrl::toAce(host));
}

bool QtConnection::Connect(const std::string& host, unsigned port) {
  if (!socket_) return false;
  if (port > kMaxPort) {  // never let a large number wrap to another port
    lastError_ = QStringLiteral("Port out of range");
    return false;
  }
  // The name is kept and shown as typed; only the lookup sees its ACE form.
  const QString lookup = HostForLookup(QString::fromStdString(host));
  if (lookup.isEmpty()) {
    lastError_ = QStringLiteral("Host name cannot be converted for lookup");
    return false;
  }
  socket_->connectToHost(lookup, static_cast<quint16>(port));
  if (!socket_->waitForConnected(-1)) {
    lastError_ = socket_->errorString();
    return false;
  }
  socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);  // keys leave at once
  connected_ = true;
  return true;
}

int QtConnection::Receive(unsigned char* buf, int len) {
  if (!socket_ || len < 0) return -1;
  if (len == 0 || socket_->bytesAvailable() <= 0) return 0;
  const qint64 n = socket_->read(reinterpret_cast<char*>(buf), len);
  return n < 0 ? -1 : static_cast<int>(n);
}

bool QtConnection::Send(const unsigned char* data, std::size_t len) {
  if (!socket_ || socket_->state() != QAbstractSocket::ConnectedState) return false;
  const QScopedValueRollback inSend(sending_, true);
  std::size_t done = 0;
  while (done < len) {
    const qint64 n =
        socket_->write(reinterpret_cast<const char*>(data) + done, static_cast<qint64>(len - done));
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  peakQueued_ = std::max(peakQueued_, socket_->bytesToWrite());
  socket_->flush();
  return true;
}

void QtConnection::Close() {
  if (!socket_) return;
  QTcpSocket* socket = socket_;
  socket_ = nullptr;
  ++generation_;
  connected_ = false;
  receivePosted_ = false;
  closePending_ = false;
  readingHeld_ = false;
  Retire(socket);
}

void QtConnection::Retire(QTcpSocket* socket) {
  socket->disconnect(this);
  if (socket->state() == QAbstractSocket::UnconnectedState) {
    socket->deleteLater();
    return;
  }
  // Let bytes already sent (a last key, a telnet reply) leave before the close.
  connect(socket, &QAbstractSocket::disconnected, socket, &QObject::deleteLater);
  QTimer::singleShot(kLingerMs, socket, [socket] {
    socket->abort();
    socket->deleteLater();
  });
  socket->disconnectFromHost();
}

void QtConnection::ScheduleReceive() {
  if (receivePosted_) return;
  receivePosted_ = true;
  const std::uint64_t generation = generation_;
  QMetaObject::invokeMethod(
      this, [this, generation] { DeliverReceive(generation); }, Qt::QueuedConnection);
}

void QtConnection::ReceiveOnce() {
  const bool outer = !delivering_;
  delivering_ = true;
  events_->OnReceive(0);
  if (outer) delivering_ = false;
}

void QtConnection::DeliverReceive(std::uint64_t generation) {
  if (generation != generation_) return;
  receivePosted_ = false;
  if (!socket_ || !events_) return;
  if (HoldReading()) return;
  if (delivering_) {
    // Inside a receive (a modal box's event loop): the session notes that more
    // data waits and reads it once the receive in progress has finished.
    events_->OnReceive(0);
    return;
  }
  // Each call reads at most one buffer's worth. While more waits in the
  // socket's buffer, the next one is read at once, for up to a millisecond: a
  // pass of the event loop per 4096 bytes costs about as much as the walk of
  // them. Input and frames still get their turn after every such stretch.
  QElapsedTimer stretch;
  stretch.start();
  for (;;) {
    ReceiveOnce();
    if (generation != generation_) return;
    if (closePending_) {
      closePending_ = false;
      HostClosed(generation);
      return;
    }
    if (!socket_ || socket_->bytesAvailable() <= 0) return;
    if (stretch.nsecsElapsed() >= kReceiveStretchNs) break;
    if (HoldReading()) return;
  }
  // Ask again for what is left, including what arrived while a box was open
  // inside the call.
  ScheduleReceive();
}

bool QtConnection::HoldReading() {
  if (socket_->bytesToWrite() < kMaxQueuedBytes) return false;
  readingHeld_ = true;  // ResumeReading asks again once the queue drains
  return true;
}

void QtConnection::ResumeReading() {
  if (!readingHeld_ || !socket_ || socket_->bytesToWrite() >= kMaxQueuedBytes) return;
  readingHeld_ = false;
  if (socket_->bytesAvailable() > 0) ScheduleReceive();
}

void QtConnection::HostClosed(std::uint64_t generation) {
  if (generation != generation_ || !connected_ || !socket_) return;
  if (socket_->state() == QAbstractSocket::ConnectedState) return;  // an error it survived
  if (delivering_) {
    // Reported from inside a receive: finish it first, then read the rest.
    closePending_ = true;
    return;
  }
  connected_ = false;  // reported once
  // What the host sent before it closed is shown before the close is.
  while (events_ && generation == generation_ && socket_ && socket_->bytesAvailable() > 0) {
    const qint64 before = socket_->bytesAvailable();
    ReceiveOnce();
    if (generation != generation_ || !socket_ || socket_->bytesAvailable() >= before) break;
  }
  if (events_ && generation == generation_) events_->OnClose(0);
}
