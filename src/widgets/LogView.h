#pragma once

#include <QFrame>
#include <QStringList>

class MessageLog;
class QPlainTextEdit;

// The window's log page: every message of a MessageLog with its time, warnings
// on the program's "not usable" colour. While the page is shown its warnings
// count as read.
class LogView : public QFrame {
  Q_OBJECT
 public:
  explicit LogView(MessageLog* log, QWidget* parent = nullptr);

  // The lines shown ("hh:mm:ss.zzz  message"), and whether line i is highlighted.
  QStringList lines() const;
  bool highlighted(int line) const;

 protected:
  void showEvent(QShowEvent* event) override;

 private:
  void scheduleRefresh();
  void refresh();
  void clearView();

  MessageLog* log_;
  QPlainTextEdit* text_;
  qint64 shown_ = 0;  // messages of the log appended so far
  bool pending_ = false;
};
