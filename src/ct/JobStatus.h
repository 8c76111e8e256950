#pragma once

#include <QElapsedTimer>
#include <QString>

// What a job, or one run of the window, was asked to do and what it did:
// slices asked for and reconstructed, result files written, failures with
// the first one's text, and the time since it began. A run's status passes
// everything it counts on to the job's, so one report serves both.
class JobStatus {
 public:
  // total, when given, receives every count as well.
  explicit JobStatus(JobStatus* total = nullptr);

  // Counts from zero again and restarts the clock (the total keeps its counts).
  void restart();

  void slicesAsked(long long n);
  void sliceReconstructed();
  void fileWritten();
  // count failures of one kind, text the first one's.
  void failed(const QString& text, long long count = 1);

  long long asked() const { return asked_; }
  long long reconstructed() const { return reconstructed_; }
  long long written() const { return written_; }
  long long failures() const { return failures_; }
  const QString& firstFailure() const { return firstFailure_; }
  double elapsedSeconds() const;

  // Everything asked for was done: no failure, every asked slice reconstructed.
  bool succeeded() const { return failures_ == 0 && reconstructed_ >= asked_; }
  // "30 of 32 slices reconstructed, 60 files written, 2 failures (first: ...)"
  QString counts() const;
  // "Job finished: <counts> in 2.41 s"
  QString summary() const;

 private:
  JobStatus* total_ = nullptr;
  QElapsedTimer clock_;
  long long asked_ = 0;
  long long reconstructed_ = 0;
  long long written_ = 0;
  long long failures_ = 0;
  QString firstFailure_;
};
