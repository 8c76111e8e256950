#include "widgets/CtDisp.h"

#include "ui_CtDisp.h"
#include "widgets/ImgDisp.h"
#include "widgets/SeekCtrl.h"

CtDisp::CtDisp(QWidget* parent) : QFrame(parent), ui_(new Ui::CtDisp) {
  ui_->setupUi(this);
  connect(ui_->seeker_, &SeekCtrl::newIndex, this, &CtDisp::showImg);
}

CtDisp::~CtDisp() = default;

ImgDisp* CtDisp::display() const { return ui_->dispA_; }
SeekCtrl* CtDisp::seeker() const { return ui_->seeker_; }

void CtDisp::clear() {
  entries_.clear();
  shown_ = -1;
  ui_->seeker_->setRange(0, 0);
}

void CtDisp::addImg(int no, const QImage& img) {
  entries_.push_back({no, img.copy()});
  // Move the new entry forward past larger numbers only, so that equal
  // numbers keep the order in which they arrived.
  for (size_t i = entries_.size() - 1; i > 0 && entries_[i].no < entries_[i - 1].no; --i) {
    std::swap(entries_[i], entries_[i - 1]);
  }
  const int n = count();
  ui_->seeker_->setRange(0, n - 1);
  ui_->seeker_->setValue(n - 1);
}

void CtDisp::showImg(int idx) {
  if (idx < 0 || idx >= count()) return;
  shown_ = idx;
  ui_->dispA_->image() = entries_[idx].img;
  ui_->dispA_->newImage();
  update();
}

QList<QImage> CtDisp::getQImages() const {
  QList<QImage> list;
  list.reserve(count());
  for (const Entry& e : entries_) list.append(e.img);
  return list;
}
