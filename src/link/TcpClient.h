#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QTimer>

class QTcpSocket;

// A line-oriented TCP client to one endpoint. It remembers whether the link is
// wanted and whether it is up, retries once a second after an established
// connection was lost, cuts the received bytes into lines (each non-empty line
// becomes one receiveAnMsg) and writes text messages as Latin-1. The message
// content is left to subclasses. Received lines and sent messages go to the
// debug log.
class TcpClient : public QObject {
  Q_OBJECT

 public:
  // Longest partial line kept while waiting for its line feed; bytes beyond
  // it are dropped so that a peer that never ends a line cannot exhaust
  // memory.
  static constexpr qsizetype kMaxLineBytes = 1024 * 1024;

  explicit TcpClient(QObject* parent = nullptr);
  ~TcpClient() override;

  bool linkWanted() const { return linkWanted_; }
  bool isConnected() const { return isConnected_; }
  QString hostName() const { return hostName_; }
  quint16 port() const { return port_; }
  void setHostName(const QString& host) { hostName_ = host; }
  void setPort(quint16 port) { port_ = port; }

 signals:
  void statChanged();
  void receiveAnMsg(QByteArray msg);

 public slots:
  void connected();
  void disconnected();
  void tryReconnect();
  virtual void readyRead();
  void doConnect();
  void doDisconnect();
  void send(QString msg);

 protected:
  // Appends bytes to the line buffer and hands on every completed line.
  void takeBytes(const QByteArray& bytes);
  void connectSocket();

  QTcpSocket* socket_;  // owned as a Qt child
  QString hostName_;
  quint16 port_ = 0;
  bool linkWanted_ = false;
  bool isConnected_ = false;
  QTimer retryTimer_;
  QByteArray rxBuffer_;
  // The partial line in rxBuffer_ reached kMaxLineBytes: what follows up to
  // the next line feed is dropped.
  bool rxOverflow_ = false;
};
