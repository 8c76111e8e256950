#pragma once

#include <QObject>
#include <QSet>
#include <QString>
#include <QStringList>

#include "automation/BatchCmd.h"

// Runs a batch file: the loaded command lines one after the other. Control
// words (:ifok, :ifng, :goto, :end, :stop, :echo) are handled here; every
// other line goes to the main window's command dispatcher as a BatchCmd, and
// the next line starts when the dispatcher reports the line finished through
// batchCheckEnd(). Everything runs in the GUI thread.
class Batch : public QObject {
  Q_OBJECT

 public:
  // Synchronous lines run in one go up to this many; then the batch lets the
  // event loop turn once before it goes on.
  static constexpr int kStepsPerTurn = 10000;

  explicit Batch(QObject* parent = nullptr);

  bool running() const { return running_; }
  int current() const { return current_; }
  const QStringList& lines() const { return lines_; }
  // The file line number (1-based) of each loaded line.
  const QList<int>& lineNumbers() const { return lineNumbers_; }
  bool lastOk() const { return lastOk_; }
  // The dispatcher's seq_exec_next stores whether a further data set was taken.
  void setLastOk(bool ok) { lastOk_ = ok; }
  // Whether the last batchLoad could not open its file.
  bool loadFailed() const { return loadFailed_; }
  // Failures the running job met that no command reports by itself (a line
  // that could not be run); counted since the batch was started.
  int failures() const { return failures_; }
  // Logs message, counts it as a failure of the job and emits failed().
  void noteFailure(const QString& message);
  // The dispatcher's command words. With them, loading a file logs once each
  // line whose first word is neither a command, a control word nor the target
  // of a :goto in the file ("Unknown command: WORD (line N)"), so that a typo
  // shows; such a line still runs (and does nothing) as before.
  void setCommandWords(const QStringList& words);

 signals:
  void batchExecNext();
  void batchFinishALine();
  void batchExCmd(BatchCmd cmd);
  // The batch went from running to idle (last line done, :end, :stop or a stop).
  void batchEnded();
  // A failure of the job, already logged (see noteFailure).
  void failed(QString message);

 private slots:
  void batchStart();
  void batchStop();
  void batchNext();

 public slots:
  void batchLoad(QString fname);
  void batchExec();
  void batchCheckEnd();

 private:
  // One interpreter step; returns after handing a line to the dispatcher or
  // after a control word.
  void step();
  void setRunning(bool f);
  // Logs the lines whose first word nothing knows; lineNumbers holds each
  // loaded line's first line number in the file.
  void reportUnknownWords(const QList<int>& lineNumbers) const;

  bool running_ = false;
  int current_ = 0;
  QStringList lines_;
  QList<int> lineNumbers_;
  bool lastOk_ = true;
  bool loadFailed_ = false;
  int failures_ = 0;
  QSet<QString> commandWords_;  // upper-cased
  // A step asked for while a step is in progress is carried out by the loop
  // of the outermost step, so synchronous lines never nest.
  bool stepping_ = false;
  bool stepRequested_ = false;
};
