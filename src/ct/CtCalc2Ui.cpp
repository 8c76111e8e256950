#include "ct/CtCalc2Ui.h"

#include <QCheckBox>
#include <QPushButton>
#include <cmath>

#include "ct/CtCalc2.h"
#include "ui_CtCalc.h"
#include "widgets/ImgDispWPV.h"

namespace {
const char* const kTimeFormat = "hh:mm:ss.zzz";
}

CtCalc2Ui::CtCalc2Ui(QWidget* parent) : QFrame(parent), ui_(new Ui::CtCalc) {
  ui_->setupUi(this);
  // Workers always reconstruct a whole slice at once.
  ui_->CalcAtOnce->hide();
  dr_.fields = {ui_->Drx0, ui_->Drz0, ui_->Drx1, ui_->Drz1};
  cr_.fields = {ui_->Crx0, ui_->Crz0, ui_->Crx1, ui_->Crz1};
  cr_.write({0, 0, 2047, 2047});
  connect(ui_->SetCRegion, &QPushButton::clicked, this, &CtCalc2Ui::setCRegion);
  connect(ui_->DispCt, &ImgDisp::newS, this, &CtCalc2Ui::noticedNewS);
  connect(ui_->DispCt, &ImgDispWPV::newPosInvY, this, &CtCalc2Ui::noticedNewPos);
  for (QLineEdit* f : cr_.fields)
    connect(f, &QLineEdit::editingFinished, this, &CtCalc2Ui::crEdited);
}

CtCalc2Ui::~CtCalc2Ui() {
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
}

void CtCalc2Ui::setWorker(CtCalc2* worker) {
  worker_ = worker;
  if (!worker) return;
  worker->setPanel(this);
  connect(ui_->StartCalc, &QPushButton::clicked, worker, &CtCalc2::askToStartCalc);
  connect(worker, &CtCalc2::began, this, [this](int slice) {
    showStartTime();
    showSliceNo(slice);
  });
  connect(worker, &CtCalc2::ended, this, [this] {
    showEndTime();
    showSpentT();
  });
  connect(worker, &CtCalc2::pictureChanged, this, &CtCalc2Ui::newImage);
  connect(worker, &CtCalc2::barRange, this, &CtCalc2Ui::takeBarRange);
  connect(worker, &CtCalc2::regionDefaulted, this, [this](int n) { setCR(0, 0, n, n); });
  connect(ui_->DispCt, &ImgDispWCBar::newBar, this, [this] {
    pushMap();
    if (worker_) QMetaObject::invokeMethod(worker_, &CtCalc2::genResImage, Qt::QueuedConnection);
  });
  pushRegion();
  pushMap();
}

ImgDispWPV* CtCalc2Ui::display() const { return ui_->DispCt; }

FbpRegion CtCalc2Ui::calcRegion() const {
  const auto v = cr_.values();
  return FbpRegion{v[0], v[1], v[2], v[3]};
}

QString CtCalc2Ui::startText() const { return ui_->StartT->text(); }
QString CtCalc2Ui::endText() const { return ui_->EndT->text(); }
QString CtCalc2Ui::spentText() const { return ui_->SpentT->text(); }
QString CtCalc2Ui::sliceNoText() const { return ui_->ShowSliceNo->text(); }

void CtCalc2Ui::noticedNewPos(double x, double z) {
  if (!worker_) return;
  const int n = worker_->shownSize();
  const double tx = std::trunc(x), tz = std::trunc(z);
  const bool inside = tx >= 0 && tz >= 0 && tx < n && tz < n;
  ui_->DispCt->setVal(inside ? worker_->valueAt(static_cast<int>(tx), static_cast<int>(tz)) : 0.0);
}

void CtCalc2Ui::noticedNewS(QRectF s) {
  setDR(s.x(), s.y(), s.x() + s.width(), s.y() + s.height());
}

void CtCalc2Ui::setCRegion() {
  const auto d = dr_.values();
  setCR(std::floor(d[0]), std::floor(d[1]), std::ceil(d[2]), std::ceil(d[3]));
}

void CtCalc2Ui::showStartTime() {
  if (worker_) ui_->StartT->setText(worker_->startTime().toString(kTimeFormat));
}

void CtCalc2Ui::showEndTime() {
  if (worker_) ui_->EndT->setText(worker_->endTime().toString(kTimeFormat));
}

void CtCalc2Ui::showSpentT() {
  if (!worker_) return;
  const qint64 ms = worker_->startTime().msecsTo(worker_->endTime());
  ui_->SpentT->setText(QString::number(ms / 1000.0, 'g', 6));
}

void CtCalc2Ui::showSliceNo(int no) { ui_->ShowSliceNo->setText(QString::number(no)); }

void CtCalc2Ui::newImage() {
  if (!worker_) return;
  ui_->DispCt->image() = worker_->picture();
  ui_->DispCt->newImage();
}

void CtCalc2Ui::saveImage(QString fname) { ui_->DispCt->saveImage(fname); }

void CtCalc2Ui::setCR(double rx0, double rz0, double rx1, double rz1) {
  if (cr_.write({rx0, rz0, rx1, rz1})) {
    regionSet_ = true;
    pushRegion();
    const auto v = cr_.values();
    emit cRUpdated(v[0], v[1], v[2], v[3]);
  }
}

void CtCalc2Ui::crEdited() {
  // A typed region counts as set, like one handed over by setCR.
  regionSet_ = true;
  pushRegion();
  const auto v = cr_.values();
  emit cRUpdated(v[0], v[1], v[2], v[3]);
}

void CtCalc2Ui::setDR(double rx0, double rz0, double rx1, double rz1) {
  if (dr_.write({rx0, rz0, rx1, rz1})) {
    ui_->DispCt->update();
    const auto v = dr_.values();
    emit dRUpdated(v[0], v[1], v[2], v[3]);
  }
}

void CtCalc2Ui::setFixColorScale(bool f) {
  ui_->DispCt->colorBar()->setFixColorScale(f);
  pushMap();
}

void CtCalc2Ui::setCBarMinMaxForced(double min, double max) {
  ColorBar* bar = ui_->DispCt->colorBar();
  bar->setMinValue(min);
  bar->setMaxValue(max);
  pushMap();
}

void CtCalc2Ui::takeBarRange(double min, double max) {
  ColorBar* bar = ui_->DispCt->colorBar();
  if (bar->isFixed()) return;
  bar->setMinValue(min);
  bar->setMaxValue(max);
}

void CtCalc2Ui::pushRegion() {
  if (worker_) worker_->setRegion(calcRegion(), regionSet_);
}

void CtCalc2Ui::pushMap() {
  if (worker_) worker_->setGreyMap(ui_->DispCt->colorBar()->mapCopy());
}
