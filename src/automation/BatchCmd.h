#pragma once

#include <QMetaType>
#include <QString>
#include <QStringList>

// One line of a batch file, split into its command and arguments. A value
// type that travels through signals.
class BatchCmd {
 public:
  BatchCmd() = default;
  // Splits the line into items; empty items are dropped from the arguments.
  explicit BatchCmd(const QString& line);

  const QString& line() const { return line_; }
  const QString& command() const { return command_; }
  const QStringList& arguments() const { return arguments_; }
  // True when the command equals word ignoring letter case.
  bool is(const QString& word) const;
  QString joinedArguments() const { return arguments_.join(' '); }

 private:
  QString line_;
  QString command_;
  QStringList arguments_;
};

Q_DECLARE_METATYPE(BatchCmd)
