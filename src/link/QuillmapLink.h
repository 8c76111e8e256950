#pragma once

#include <QByteArray>
#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QStringList>

#include "link/TcpClient.h"

// The link to the Quillmap analysis program: tells it which slice files to
// load and which slice to analyse, follows its busy reports in peerBusy and
// lastCommand, and shows the link state by the colour of the main window's
// link button. The endpoint comes from the "Quillmap" configuration entry
// (host and port), by default 127.0.0.1 port 6078.
class QuillmapLink : public TcpClient {
  Q_OBJECT

 public:
  static constexpr quint16 kDefaultPort = 6078;

  explicit QuillmapLink(QObject* parent = nullptr);
  ~QuillmapLink() override;

  // Stores the button (not owned), colours it and lets a click ask for the link.
  void setLinkButton(QPushButton* button);

  QString lastCommand() const { return lastCommand_; }
  bool peerBusy() const { return peerBusy_; }
  QPushButton* linkButton() const { return linkButton_; }

 signals:
  void connected();
  void changedIsBusy(bool f);

 public slots:
  void statChanged();
  void nextStep();
  void setLinkButtonStyle();
  void receiveAnMsg(QByteArray msg);
  void loadFilesOfPattern(QString path);
  void loadFiles(QStringList fileList);
  void exec2dA(QString sliceNo);

 private:
  // Marks the peer busy and sends msg; or, while it is busy, re-sends the
  // handshake instead.
  bool startCommand();
  static void warnOfBlanks(const QString& path);

  QString lastCommand_;
  bool peerBusy_ = false;
  QPointer<QPushButton> linkButton_;
};
