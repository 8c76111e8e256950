#pragma once

// The far end of the link tests: a loopback server that keeps every accepted
// socket and the bytes that arrived.

#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>
#include <vector>

class LoopbackPeer : public QObject {
 public:
  LoopbackPeer() {
    server.listen(QHostAddress::LocalHost, 0);
    connect(&server, &QTcpServer::newConnection, this, [this] {
      while (QTcpSocket* s = server.nextPendingConnection()) {
        sockets.push_back(s);
        connect(s, &QTcpSocket::readyRead, this, [this, s] { received += s->readAll(); });
      }
    });
  }
  quint16 port() const { return server.serverPort(); }
  // The "host port" value of the configuration's Quillmap key.
  QString endpoint() const { return QStringLiteral("127.0.0.1 %1").arg(port()); }
  int connections() const { return int(sockets.size()); }
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
  QByteArray received;
};
