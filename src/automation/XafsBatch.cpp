#include "automation/XafsBatch.h"

#include <QDebug>

XafsBatch::XafsBatch(QObject* parent) : QObject(parent) {}

void XafsBatch::report(const QString& msg) {
  const qint64 now = timer_.isValid() ? timer_.elapsed() : 0;
  const qint64 dEt = now - lastMark_;
  lastMark_ = now;
  emit stage(msg, dEt);
}

void XafsBatch::start() {
  if (running_) {
    finish();
    return;
  }
  running_ = true;
  timer_.start();
  lastMark_ = 0;
  emit starting();
  report(tr("Data Loading"));
  emit setFirstImageSet();
}

void XafsBatch::loadedDataSet() {
  if (!running_) return;
  report(tr("Calculating"));
  emit execCalculation();
}

void XafsBatch::calcFinished() {
  if (!running_) return;
  report(tr("Finished Calc."));
  emit setNextImageSet();
}

void XafsBatch::noMoreSets() { finish(); }

void XafsBatch::finish() {
  running_ = false;
  report(tr("Finished"));
  emit finished();
}

void XafsBatch::finishIfRunning() {
  if (running_) noMoreSets();
}

void XafsBatch::skippedDataSet() {
  if (!running_) return;
  qDebug() << "sequence skips a data set that loaded no image";
  report(tr("Skipped empty Data Set"));
  emit setNextImageSet();
}
