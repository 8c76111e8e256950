#include "base/MessageLog.h"

#include <QMetaObject>
#include <QRegularExpression>
#include <atomic>
#include <cstdio>

namespace {
std::atomic<MessageLog*> gInstalled{nullptr};
std::atomic<QtMessageHandler> gPrevious{nullptr};

void handler(QtMsgType type, const QMessageLogContext& context, const QString& msg) {
  if (const QtMessageHandler previous = gPrevious.load()) {
    previous(type, context, msg);
  } else {
    std::fprintf(stderr, "%s\n", qPrintable(msg));
    std::fflush(stderr);
  }
  MessageLog* log = gInstalled.load();
  if (!log) return;
  const LogEntry entry{QDateTime::currentDateTime(), msg, MessageLog::isWarning(type, msg)};
  // Delivered in the log's (the GUI) thread; dropped if the log is gone by then.
  QMetaObject::invokeMethod(
      log, [log, entry] { log->add(entry); }, Qt::QueuedConnection);
}
}  // namespace

MessageLog& MessageLog::instance() {
  static MessageLog log;
  return log;
}

MessageLog::MessageLog(QObject* parent) : QObject(parent) {}

MessageLog::~MessageLog() { uninstall(); }

void MessageLog::install() {
  MessageLog* expected = nullptr;
  if (!gInstalled.compare_exchange_strong(expected, this)) return;
  gPrevious.store(qInstallMessageHandler(handler));
}

void MessageLog::uninstall() {
  MessageLog* expected = this;
  if (!gInstalled.compare_exchange_strong(expected, nullptr)) return;
  qInstallMessageHandler(gPrevious.exchange(nullptr));
}

bool MessageLog::installed() const { return gInstalled.load() == this; }

bool MessageLog::isWarning(QtMsgType type, const QString& text) {
  if (type == QtWarningMsg || type == QtCriticalMsg || type == QtFatalMsg) return true;
  // Most failures are written as plain debug lines: the message text says it.
  static const QRegularExpression failure(
      "\\b(can ?not|can't|could not|unable|unknown|mismatch|not ready|error|unsupported|refused|"
      "too large|not started|fail(s|ed)?|exceeds|no energy|skip(s|ped)?|nothing)\\b",
      QRegularExpression::CaseInsensitiveOption);
  return failure.match(text).hasMatch();
}

void MessageLog::add(const LogEntry& entry) {
  entries_.push_back(entry);
  if (int(entries_.size()) > kMaxEntries) entries_.pop_front();
  ++total_;
  if (entry.warning) emit unreadChanged(++unread_);
  emit added();
}

void MessageLog::clear() {
  entries_.clear();
  emit cleared();
  markRead();
}

void MessageLog::markRead() {
  if (unread_ == 0) return;
  unread_ = 0;
  emit unreadChanged(0);
}
