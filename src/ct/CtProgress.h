#pragma once

#include <QObject>

// Paces the single panel's projection loop: it lives in a thread of its own
// and answers each request with a queued event, so the GUI thread repaints
// between two projections.
class CtProgress : public QObject {
  Q_OBJECT

 public:
  explicit CtProgress(QObject* parent = nullptr) : QObject(parent) {}

  // Set on the GUI thread before startCalcOneByOne is emitted.
  void setTotal(int total) { total_ = total; }
  void setIndex(int index) { index_ = index; }
  int total() const { return total_; }
  int index() const { return index_; }

 signals:
  void calcAll();
  void calcOne(int pc);
  void finishedCalcOneByOne();

 public slots:
  void startCalcAll() { emit calcAll(); }
  void startCalcOneByOne() { emit calcOne(index_); }
  void calcNext() {
    ++index_;
    if (index_ >= total_)
      emit finishedCalcOneByOne();
    else
      emit calcOne(index_);
  }

 private:
  int total_ = 0;
  int index_ = 0;
};
