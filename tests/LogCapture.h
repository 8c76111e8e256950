#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QString>
#include <QStringList>
#include <QtGlobal>

// Collects the debug log while it is alive, so that tests can check which
// lines were written (and that none were).
class LogCapture {
 public:
  LogCapture() {
    current() = this;
    previous_ = qInstallMessageHandler(&LogCapture::handler);
  }
  ~LogCapture() {
    qInstallMessageHandler(previous_);
    current() = nullptr;
  }
  QStringList lines() const {
    QMutexLocker lock(&mutex_);
    return lines_;
  }
  QStringList matching(const QString& part) const { return lines().filter(part); }

 private:
  static LogCapture*& current() {
    static LogCapture* c = nullptr;
    return c;
  }
  static void handler(QtMsgType, const QMessageLogContext&, const QString& msg) {
    if (LogCapture* c = current()) {
      QMutexLocker lock(&c->mutex_);
      c->lines_ << msg;
    }
  }

  mutable QMutex mutex_;
  QStringList lines_;
  QtMessageHandler previous_ = nullptr;
};
