#include "widgets/SeekCtrl.h"

#include <QSignalBlocker>
#include <algorithm>

#include "ui_SeekCtrl.h"

SeekCtrl::SeekCtrl(QWidget* parent) : QFrame(parent), ui_(new Ui::SeekCtrl) {
  ui_->setupUi(this);
  setRange(0, 0);
  connect(ui_->Seek, &QSlider::valueChanged, this, &SeekCtrl::sliderMoved);
  connect(ui_->Index, qOverload<int>(&QSpinBox::valueChanged), this, &SeekCtrl::indexChanged);
  connect(ui_->Inc, &QPushButton::clicked, this, &SeekCtrl::inc);
  connect(ui_->Dec, &QPushButton::clicked, this, &SeekCtrl::dec);
}

SeekCtrl::~SeekCtrl() = default;

void SeekCtrl::setBoth(int v) {
  const QSignalBlocker b1(ui_->Seek), b2(ui_->Index);
  ui_->Seek->setValue(v);
  ui_->Index->setValue(v);
}

void SeekCtrl::setRange(int min, int max) {
  const QSignalBlocker b1(ui_->Seek), b2(ui_->Index);
  ui_->Seek->setRange(min, max);
  ui_->Index->setRange(min, max);
}

void SeekCtrl::setValue(int v) {
  setBoth(v);
  emit newIndex(ui_->Seek->value());
}

int SeekCtrl::value() const { return ui_->Seek->value(); }
int SeekCtrl::maximum() const { return ui_->Seek->maximum(); }
int SeekCtrl::minimum() const { return ui_->Seek->minimum(); }
int SeekCtrl::spinValue() const { return ui_->Index->value(); }

void SeekCtrl::sliderMoved(int val) {
  const QSignalBlocker b(ui_->Index);
  ui_->Index->setValue(val);
  emit newIndex(val);
}

void SeekCtrl::indexChanged(int val) {
  const QSignalBlocker b(ui_->Seek);
  ui_->Seek->setValue(val);
  emit newIndex(val);
}

void SeekCtrl::inc() {
  const int v = value();
  const int nv = std::min(v + 10, maximum());
  if (nv == v) return;
  setBoth(nv);
  emit newIndex(nv);
}

void SeekCtrl::dec() {
  const int v = value();
  const int nv = std::max(v > 10 ? v - 10 : 0, minimum());
  if (nv == v) return;
  setBoth(nv);
  emit newIndex(nv);
}
