#pragma once

#include <QFrame>
#include <memory>

namespace Ui {
class SeekCtrl;
}

// Steps through an index with a slider, a spin box and buttons that move the
// index by ten; both controls stay in step and report the index.
class SeekCtrl : public QFrame {
  Q_OBJECT
 public:
  explicit SeekCtrl(QWidget* parent = nullptr);
  ~SeekCtrl() override;

  void setRange(int min, int max);
  // Sets both controls and reports the index, even when it is unchanged.
  void setValue(int v);
  int value() const;
  int maximum() const;
  int minimum() const;
  int spinValue() const;

 signals:
  void newIndex(int idx);

 public slots:
  void sliderMoved(int val);
  void indexChanged(int val);
  void inc();
  void dec();

 private:
  void setBoth(int v);
  std::unique_ptr<Ui::SeekCtrl> ui_;
};
