#pragma once

#include <QFrame>

class MessageLog;
class QLabel;
class QPushButton;

// The window's status line: the last message of the log with its time, and a
// button that opens the log page and counts the warnings not yet read there.
class LogStatus : public QFrame {
  Q_OBJECT
 public:
  explicit LogStatus(MessageLog* log, QWidget* parent = nullptr);

  QString message() const { return full_; }
  QString buttonText() const;

 signals:
  void showLog();

 protected:
  void resizeEvent(QResizeEvent* event) override;

 private:
  void lastMessage();
  void unread(int count);
  void elide();

  MessageLog* log_;
  QLabel* message_;
  QPushButton* button_;
  QString full_;
};
