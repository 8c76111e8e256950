#pragma once

#include <QDateTime>
#include <QObject>
#include <QString>
#include <deque>

// One message of the debug log as the window's log shows it.
struct LogEntry {
  QDateTime time;
  QString text;
  bool warning = false;  // a failure or warning, shown highlighted
};

// The program's debug-log messages, collected for the window's log page and
// status line. Installed, it routes every message of the process through itself:
// the previous handler still writes the message (to standard error), and a copy
// with its time is queued to this object, so that messages of worker threads
// arrive in the GUI thread in order and no widget code runs inside the handler.
// It keeps the last kMaxEntries messages and counts the warnings not yet read.
class MessageLog : public QObject {
  Q_OBJECT
 public:
  static constexpr int kMaxEntries = 5000;

  // The process's log (created on first use, in the GUI thread).
  static MessageLog& instance();

  explicit MessageLog(QObject* parent = nullptr);
  ~MessageLog() override;

  // Start and stop collecting the process's messages (one log at a time).
  void install();
  void uninstall();
  bool installed() const;

  // Whether a message is shown as a warning: Qt warnings and worse, and debug
  // lines that report a failure ("Can not open ...", "Unknown file type", ...).
  static bool isWarning(QtMsgType type, const QString& text);

  void add(const LogEntry& entry);
  void clear();
  // Oldest first; numbered from total() - entries().size() on.
  const std::deque<LogEntry>& entries() const { return entries_; }
  qint64 total() const { return total_; }
  int unreadWarnings() const { return unread_; }
  // The user has seen every message so far.
  void markRead();

 signals:
  void added();
  void cleared();
  void unreadChanged(int count);

 private:
  std::deque<LogEntry> entries_;
  qint64 total_ = 0;
  int unread_ = 0;
};
