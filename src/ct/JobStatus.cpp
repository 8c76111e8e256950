#include "ct/JobStatus.h"

JobStatus::JobStatus(JobStatus* total) : total_(total) { clock_.start(); }

void JobStatus::restart() {
  asked_ = reconstructed_ = written_ = failures_ = 0;
  firstFailure_.clear();
  clock_.start();
}

void JobStatus::slicesAsked(long long n) {
  asked_ += n;
  if (total_) total_->slicesAsked(n);
}

void JobStatus::sliceReconstructed() {
  ++reconstructed_;
  if (total_) total_->sliceReconstructed();
}

void JobStatus::fileWritten() {
  ++written_;
  if (total_) total_->fileWritten();
}

void JobStatus::failed(const QString& text, long long count) {
  if (count <= 0) return;
  if (failures_ == 0) firstFailure_ = text;
  failures_ += count;
  if (total_) total_->failed(text, count);
}

double JobStatus::elapsedSeconds() const { return clock_.elapsed() / 1000.0; }

QString JobStatus::counts() const {
  QString s = QStringLiteral("%1 of %2 slices reconstructed, %3 files written, %4 %5")
                  .arg(reconstructed_)
                  .arg(asked_)
                  .arg(written_)
                  .arg(failures_)
                  .arg(failures_ == 1 ? QStringLiteral("failure") : QStringLiteral("failures"));
  if (failures_ > 0) s += QStringLiteral(" (first: %1)").arg(firstFailure_);
  return s;
}

QString JobStatus::summary() const {
  return QStringLiteral("Job finished: %1 in %2 s")
      .arg(counts(), QString::number(elapsedSeconds(), 'f', 2));
}
