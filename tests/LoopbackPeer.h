#pragma once

// The far end of the link tests: a loopback server that keeps every accepted
// socket, the bytes that arrived and when each connection came.

#include <QElapsedTimer>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <vector>

class LoopbackPeer : public QObject {
 public:
  // closeAtOnce: every connection is dropped as soon as it is accepted.
  explicit LoopbackPeer(bool closeAtOnce = false) {
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this, closeAtOnce] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        times.push_back(clock.elapsed());
        if (closeAtOnce) {
          s->close();
          s->deleteLater();
          continue;
        }
        sockets.push_back(s);
        connect(s, &QTcpSocket::readyRead, this, [this, s] { received += s->readAll(); });
      }
    });
    clock.start();
  }
  quint16 port() const { return server.serverPort(); }
  // The "host port" value of the configuration's Quillmap key.
  QString endpoint() const { return QStringLiteral("127.0.0.1 %1").arg(port()); }
  int connections() const { return int(times.size()); }
  QTcpSocket* last() const { return sockets.empty() ? nullptr : sockets.back(); }
  // Writes to the latest connection and pushes the bytes out at once.
  void write(const QByteArray& bytes) {
    last()->write(bytes);
    last()->flush();
  }
  // The complete lines received so far.
  QStringList lines() const {
    QStringList l = QString::fromLatin1(received.left(received.lastIndexOf('\n') + 1)).split('\n');
    l.removeLast();
    return l;
  }

  QTcpServer server;
  std::vector<QTcpSocket*> sockets;  // children of the server
  std::vector<qint64> times;         // ms since start, one per accepted connection
  QByteArray received;
  QElapsedTimer clock;
};
