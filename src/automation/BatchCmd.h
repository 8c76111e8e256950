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

  // Argument i read the way the command set reads it:
  // a flag is on exactly when the argument is the integer 1;
  bool flagArg(int i = 0) const;
  // an integer is 0 when missing, not a number or out of the 32-bit range;
  int intArg(int i = 0) const;
  // a real is 0 when missing or not a finite number;
  double realArg(int i = 0) const;
  // a text is "" when missing.
  QString textArg(int i = 0) const;

 private:
  QString line_;
  QString command_;
  QStringList arguments_;
};

Q_DECLARE_METATYPE(BatchCmd)
