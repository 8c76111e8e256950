#include "link/TcpClient.h"

#include <QDebug>
#include <QList>
#include <QTcpSocket>

TcpClient::TcpClient(QObject* parent) : QObject(parent), socket_(new QTcpSocket(this)) {
  retryTimer_.setInterval(1000);
  retryTimer_.setSingleShot(false);
  connect(socket_, &QTcpSocket::connected, this, &TcpClient::connected);
  connect(socket_, &QTcpSocket::disconnected, this, &TcpClient::disconnected);
  connect(socket_, &QTcpSocket::readyRead, this, &TcpClient::readyRead);
  connect(&retryTimer_, &QTimer::timeout, this, &TcpClient::tryReconnect);
}

TcpClient::~TcpClient() {
  if (linkWanted_) {
    linkWanted_ = false;
    emit statChanged();
  }
  retryTimer_.stop();
  if (isConnected_) socket_->close();
}

void TcpClient::connectSocket() {
  // A socket that is still looking up or connecting finishes that attempt
  // first; asking again would only produce a warning.
  if (socket_->state() != QAbstractSocket::UnconnectedState) return;
  socket_->connectToHost(hostName_, port_, QIODevice::ReadWrite, QAbstractSocket::AnyIPProtocol);
}

void TcpClient::connected() {
  retryTimer_.stop();
  rxBuffer_.clear();
  rxOverflow_ = false;
  if (!isConnected_) {
    isConnected_ = true;
    emit statChanged();
  }
}

void TcpClient::disconnected() {
  if (isConnected_) {
    isConnected_ = false;
    emit statChanged();
  }
  if (linkWanted_) retryTimer_.start();
}

void TcpClient::tryReconnect() {
  if (linkWanted_ && !isConnected_) {
    connectSocket();
  } else if (linkWanted_ && isConnected_) {
    retryTimer_.stop();
    rxBuffer_.clear();
    rxOverflow_ = false;
  } else if (!isConnected_) {
    retryTimer_.stop();
  } else {
    retryTimer_.stop();
    socket_->close();
  }
}

void TcpClient::readyRead() {
  // Read in bounded pieces so that a flood of bytes without a line feed is
  // capped piece by piece instead of being gathered in one huge array first.
  constexpr qint64 kChunk = 64 * 1024;
  while (socket_->bytesAvailable() > 0) {
    const QByteArray chunk = socket_->read(kChunk);
    if (chunk.isEmpty()) break;
    takeBytes(chunk);
  }
}

void TcpClient::takeBytes(const QByteArray& bytes) {
  qsizetype from = 0;
  if (rxOverflow_) {
    // The rest of an over-long line: drop it up to its line feed.
    const qsizetype lf = bytes.indexOf('\n');
    if (lf < 0) return;
    rxOverflow_ = false;
    from = lf;  // the line feed itself ends the capped line below
  }
  rxBuffer_.append(bytes.constData() + from, bytes.size() - from);

  // Cut every complete line off the buffer before handing any on, so that a
  // receiver reacting to a message never sees the buffer half cut.
  QList<QByteArray> lines;
  qsizetype start = 0;
  for (;;) {
    const qsizetype lf = rxBuffer_.indexOf('\n', start);
    if (lf < 0) break;
    lines.append(rxBuffer_.mid(start, lf - start));
    start = lf + 1;
  }
  rxBuffer_.remove(0, start);

  if (rxBuffer_.size() > kMaxLineBytes) {
    qDebug().noquote() << QStringLiteral(
                              "Received line exceeds %1 bytes, the excess is dropped: %2:%3")
                              .arg(kMaxLineBytes)
                              .arg(hostName_)
                              .arg(port_);
    rxBuffer_.truncate(kMaxLineBytes);
    rxOverflow_ = true;
  }

  for (const QByteArray& line : lines) {
    qDebug() << "rec:" << line;
    if (!line.isEmpty()) emit receiveAnMsg(line);
  }
}

void TcpClient::doConnect() {
  if (!linkWanted_) {
    linkWanted_ = true;
    emit statChanged();
  }
  connectSocket();
  emit statChanged();
}

void TcpClient::doDisconnect() {
  if (linkWanted_) {
    linkWanted_ = false;
    emit statChanged();
  }
  retryTimer_.stop();
  if (isConnected_) socket_->close();
}

void TcpClient::send(QString msg) {
  if (!isConnected_) return;
  qDebug() << "snd:" << msg;
  socket_->write(msg.toLatin1());
}
