#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <QString>

// The stage machine of an energy-scanned series: load the first data set,
// reconstruct it, load the next, ... until the selector has no further set.
// The main window turns the requests into data-set selections and
// reconstruction starts and reports back when loading and calculating end.
class XafsBatch : public QObject {
  Q_OBJECT

 public:
  explicit XafsBatch(QObject* parent = nullptr);

  bool running() const { return running_; }

 signals:
  void stage(QString msg, qlonglong dEt);
  void starting();
  void setFirstImageSet();
  void setNextImageSet();
  void execCalculation();
  void finished();

 public slots:
  // Starts a sequence, or finishes the running one (the start button stops).
  void start();
  void loadedDataSet();
  void calcFinished();
  void noMoreSets();
  void finish();
  // The selector has no further data set: ends a running sequence only.
  void finishIfRunning();
  // The data set just taken loaded no frame: it is not reconstructed, the
  // sequence goes on with the next one.
  void skippedDataSet();

 private:
  void report(const QString& msg);

  bool running_ = false;
  QElapsedTimer timer_;
  qint64 lastMark_ = 0;
};
