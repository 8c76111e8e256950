#include "automation/Batch.h"

#include <QDebug>
#include <QTimer>

#include "automation/BatchVariables.h"
#include "base/ItemLine.h"
#include "base/NamedLog.h"
#include "base/TextFiles.h"

Batch::Batch(QObject* parent) : QObject(parent) {
  connect(this, &Batch::batchExecNext, this, &Batch::batchNext, Qt::DirectConnection);
  connect(this, &Batch::batchFinishALine, this, &Batch::batchCheckEnd, Qt::DirectConnection);
}

void Batch::setRunning(bool f) {
  const bool was = running_;
  running_ = f;
  if (was && !f) emit batchEnded();
}

void Batch::noteFailure(const QString& message) {
  qDebug().noquote() << message;
  ++failures_;
  emit failed(message);
}

void Batch::batchStart() {
  current_ = 0;
  failures_ = 0;
  running_ = false;  // a restart while running does not count as an end
  setRunning(true);
  emit batchExecNext();
}

void Batch::batchStop() { setRunning(false); }

void Batch::batchExec() {
  if (!running_)
    batchStart();
  else
    setRunning(false);
}

void Batch::batchCheckEnd() {
  if (!running_) return;
  if (!lines_.isEmpty())
    emit batchExecNext();
  else
    setRunning(false);
}

void Batch::batchLoad(QString fname) {
  // Only regular files, and no line longer than 1 MiB (see TextFiles.h).
  QStringList raw;
  const TextRead read = readTextLines(fname, raw);
  if (read != TextRead::Ok) {
    if (read == TextRead::CannotOpen)
      logNamed("Can't open batch file", fname);
    else
      logNamed("Can't open batch file", fname + " (" + textReadReason(read) + ")");
    loadFailed_ = true;
    return;
  }
  loadFailed_ = false;
  lines_.clear();
  lineNumbers_.clear();

  qsizetype next = 0;
  while (next < raw.size()) {
    const int lineNumber = static_cast<int>(next) + 1;
    QString line = raw[next++];
    QString comment;
    line = stripComment(line, comment);
    // A trailing backslash joins the next raw line directly to this one.
    while (hasContinuation(line)) {
      line = withoutContinuation(line);
      if (next >= raw.size()) break;
      line += raw[next++];
      line = stripComment(line, comment);
    }
    if (!line.isEmpty()) {
      lines_ << line;
      lineNumbers_ << lineNumber;
    }
  }
  reportUnknownWords(lineNumbers_);
}

void Batch::setCommandWords(const QStringList& words) {
  commandWords_.clear();
  for (const QString& w : words) commandWords_.insert(w.toUpper());
}

namespace {
bool isControlWord(const BatchCmd& cmd) {
  for (const char* w : {":ifok", ":ifng", ":goto", ":end", ":stop", ":echo"})
    if (cmd.is(QLatin1String(w))) return true;
  return false;
}
}  // namespace

void Batch::reportUnknownWords(const QList<int>& lineNumbers) const {
  if (commandWords_.isEmpty()) return;
  // Labels are the targets of :goto, also behind :ifok / :ifng.
  QSet<QString> labels;
  for (const QString& line : lines_) {
    BatchCmd cmd(line);
    while ((cmd.is(":ifok") || cmd.is(":ifng")) && !cmd.arguments().isEmpty())
      cmd = BatchCmd(cmd.joinedArguments());
    if (cmd.is(":goto") && !cmd.arguments().isEmpty()) labels.insert(cmd.arguments().first());
  }
  for (int i = 0; i < lines_.size(); ++i) {
    const BatchCmd cmd(lines_[i]);
    const QString& word = cmd.command();
    if (word.isEmpty() || isControlWord(cmd) || labels.contains(word) ||
        commandWords_.contains(word.toUpper()))
      continue;
    qDebug().noquote()
        << QStringLiteral("Unknown command: %1 (line %2)").arg(word).arg(lineNumbers[i]);
  }
}

void Batch::batchNext() {
  if (stepping_) {
    stepRequested_ = true;
    return;
  }
  stepping_ = true;
  int steps = 0;
  do {
    stepRequested_ = false;
    step();
    // An endless run of synchronous lines (a :goto loop) must not shut the
    // window out for good: now and then the next step waits for one turn of
    // the event loop, so that closing the window or stopping still works.
    if (stepRequested_ && ++steps >= kStepsPerTurn) {
      stepRequested_ = false;
      QTimer::singleShot(0, this, &Batch::batchNext);
    }
  } while (stepRequested_);
  stepping_ = false;
}

void Batch::step() {
  if (!running_) return;
  if (current_ >= lines_.size()) {
    setRunning(false);
    return;
  }
  QString line = lines_[current_];
  const int lineNo = lineNumbers_.value(current_);
  current_ = current_ + 1;
  // ${NAME} takes the environment's value; a line naming an undefined
  // variable is not run and fails the job.
  if (line.contains(QLatin1String("${"))) {
    QString expanded, name;
    if (!expandVariables(line, QProcessEnvironment::systemEnvironment(), expanded, name)) {
      noteFailure(QStringLiteral("Undefined variable: %1 (line %2)").arg(name).arg(lineNo));
      emit batchExecNext();
      return;
    }
    line = expanded;
  }
  BatchCmd cmd(line);
  qDebug() << "cmd" << cmd.command();

  if (cmd.is(":ifok") && lastOk_) cmd = BatchCmd(cmd.joinedArguments());
  if (cmd.is(":ifng") && !lastOk_) cmd = BatchCmd(cmd.joinedArguments());

  if (cmd.is(":goto")) {
    const QString label = cmd.arguments().isEmpty() ? QString() : cmd.arguments().first();
    for (int i = 0; i < lines_.size(); ++i) {
      if (BatchCmd(lines_[i]).command() == label) {
        current_ = i;
        break;
      }
    }
    if (running_) {
      if (lines_.isEmpty())
        setRunning(false);
      else
        emit batchExecNext();
    }
    return;
  }
  if (cmd.is(":end") || cmd.is(":stop")) {
    setRunning(false);
    emit batchExecNext();
    return;
  }
  if (cmd.is(":echo")) {
    qDebug().noquote() << line;
    emit batchExecNext();
    return;
  }
  lastOk_ = true;
  emit batchExCmd(cmd);
}
