#include "ct/CtCalc.h"

#include <QCheckBox>
#include <QPushButton>
#include <cmath>

#include "ct/CtProgress.h"
#include "ct/CtRunMath.h"
#include "ct/Sinogram.h"
#include "ct/StripeRemoval.h"
#include "ui_CtCalc.h"
#include "widgets/ImgDispWPV.h"

namespace {
const char* const kTimeFormat = "hh:mm:ss.zzz";
}

CtCalc::CtCalc(QWidget* parent) : QFrame(parent), ui_(new Ui::CtCalc), progress_(new CtProgress) {
  ui_->setupUi(this);
  setWindowTitle("CT Calc");
  dr_.fields = {ui_->Drx0, ui_->Drz0, ui_->Drx1, ui_->Drz1};
  cr_.fields = {ui_->Crx0, ui_->Crz0, ui_->Crx1, ui_->Crz1};
  cr_.write({0, 0, 2047, 2047});

  progress_->moveToThread(&progressThread_);
  connect(&progressThread_, &QThread::finished, progress_, &QObject::deleteLater);
  connect(this, &CtCalc::startCalcAll, progress_, &CtProgress::startCalcAll, Qt::QueuedConnection);
  connect(progress_, &CtProgress::calcAll, this, &CtCalc::calcAll, Qt::QueuedConnection);
  connect(this, &CtCalc::startCalcOneByOne, progress_, &CtProgress::startCalcOneByOne,
          Qt::QueuedConnection);
  connect(progress_, &CtProgress::calcOne, this, &CtCalc::calcOne, Qt::QueuedConnection);
  connect(this, &CtCalc::finishedCalcOne, progress_, &CtProgress::calcNext, Qt::QueuedConnection);
  connect(progress_, &CtProgress::finishedCalcOneByOne, this, &CtCalc::endCt, Qt::QueuedConnection);
  // The pacing object lives as long as the panel; the thread runs for good
  // and only the panel's running flag says whether a chain goes on.
  progressThread_.start();

  connect(ui_->StartCalc, &QPushButton::clicked, this, &CtCalc::askToStartCalc);
  connect(ui_->SetCRegion, &QPushButton::clicked, this, &CtCalc::setCRegion);
  connect(ui_->DispCt, &ImgDispWCBar::newBar, this, &CtCalc::genResImage);
  connect(ui_->DispCt, &ImgDisp::newS, this, &CtCalc::noticedNewS);
  connect(ui_->DispCt, &ImgDispWPV::newPosInvY, this, &CtCalc::noticedNewPos);
  for (QLineEdit* f : cr_.fields) connect(f, &QLineEdit::editingFinished, this, &CtCalc::crEdited);
}

CtCalc::~CtCalc() {
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
  QObject::disconnect(progress_, nullptr, this, nullptr);
  progressThread_.quit();
  progressThread_.wait();
}

ImgDispWPV* CtCalc::display() const { return ui_->DispCt; }

FbpRegion CtCalc::calcRegion() const {
  const auto v = cr_.values();
  return FbpRegion{v[0], v[1], v[2], v[3]};
}

bool CtCalc::calcAtOnce() const { return ui_->CalcAtOnce->isChecked(); }
void CtCalc::setCalcAtOnce(bool f) { ui_->CalcAtOnce->setChecked(f); }
QString CtCalc::startText() const { return ui_->StartT->text(); }
QString CtCalc::endText() const { return ui_->EndT->text(); }
QString CtCalc::spentText() const { return ui_->SpentT->text(); }
QString CtCalc::sliceNoText() const { return ui_->ShowSliceNo->text(); }

void CtCalc::startCt() {
  if (!sino_) return;
  start_ = QDateTime::currentDateTime();
  ui_->StartT->setText(start_.toString(kTimeFormat));
  sino_->genSinogram();
  // The run's reconstruction options, as the workers apply them.
  const double outliers = params_ ? params_->outlierThreshold : 0.0;
  const int rings = params_ ? params_->ringRemovalSize : 0;
  const FbpFilterChoice filter = params_ ? params_->filter : FbpFilterChoice{};
  ownSinogram_ = (outliers > 0.0 || rings >= 3) && sino_->record().hasData();
  if (ownSinogram_) {
    sino_->genSinogram(own_, outliers);
    if (rings >= 3) removeStripes(own_.sgm(), own_.width(), own_.rows(), rings);
  }
  const HSgm& rec = sinogram();
  if (!rec.hasData() || static_cast<long long>(rec.width()) * rec.rows() <= 0) return;
  ui_->ShowSliceNo->setText(QString::number(rec.slice()));
  const int n = rec.width() & ~1, m = rec.rows();
  if (n != n_ || m != m_ || ws_.n() != n || ws_.rowCapacity() < m ||
      !(filter == ws_.filterChoice()))
    ws_.setup(n, m, m, filter);
  n_ = n;
  m_ = m;
  if (!regionSet_) setCR(0, 0, n_, n_);
  ws_.clearImage(n_);
  picture_ = QImage(n_, n_, QImage::Format_Grayscale8);
  picture_.fill(0);
  running_ = true;
  if (calcAtOnce()) {
    emit startCalcAll();
    running_ = false;
  } else {
    progress_->setTotal(m_);
    progress_->setIndex(0);
    emit startCalcOneByOne();
  }
}

const HSgm& CtCalc::sinogram() const { return ownSinogram_ ? own_ : sino_->record(); }

void CtCalc::calcAll() {
  if (!sino_) return;
  const HSgm& rec = sinogram();
  if ((rec.width() & ~1) != n_ || rec.rows() != m_ || ws_.n() != n_) return;
  const CtAngles a = params_ ? ctAngles(*params_) : CtAngles{};
  ws_.forwardAll(rec);
  ws_.filterAll(m_);
  ws_.backProjectAll(m_, calcRegion(), a.angle0, a.dAngle);
  genResImage();
  endCt();
}

void CtCalc::calcOne(int iz) {
  if (!running_ || !sino_) return;
  const HSgm& rec = sinogram();
  // The record may have been rebuilt for another slice meanwhile; only rows
  // of the size the chain started with are used.
  if ((rec.width() & ~1) == n_ && rec.rows() == m_ && iz >= 0 && iz < m_) {
    const CtAngles a = params_ ? ctAngles(*params_) : CtAngles{};
    const FbpRegion r = calcRegion();
    ws_.forward(rec.sgmRow(iz), iz);
    ws_.filter(iz);
    ws_.backProject(iz, r.x0, r.x1, r.y0, r.y1, a.angle0, a.dAngle);
    genResImage();
  }
  end_ = QDateTime::currentDateTime();
  ui_->EndT->setText(end_.toString(kTimeFormat));
  emit finishedCalcOne();
}

void CtCalc::finishTimes() {
  end_ = QDateTime::currentDateTime();
  ui_->EndT->setText(end_.toString(kTimeFormat));
  ui_->SpentT->setText(QString::number(start_.msecsTo(end_) / 1000.0, 'g', 6));
}

void CtCalc::stopCt() {
  running_ = false;
  finishTimes();
  emit calcFinished();
}

void CtCalc::endCt() {
  running_ = false;
  finishTimes();
  emit calcFinished();
}

void CtCalc::calcCt() {
  if (running_)
    endCt();
  else
    startCt();
}

void CtCalc::genResImage() {
  if (n_ <= 0 || ws_.imageSize() != n_) return;
  ws_.minMax();
  ColorBar* bar = ui_->DispCt->colorBar();
  if (!bar->isFixed()) {
    bar->setMinValue(ws_.min());
    bar->setMaxValue(ws_.max());
  }
  const GreyMap map = bar->mapCopy();
  if (picture_.width() != n_ || picture_.height() != n_)
    picture_ = QImage(n_, n_, QImage::Format_Grayscale8);
  for (int y = 0; y < n_; ++y) map.mapRow(ws_.imageRow(y), n_, picture_.scanLine(y));
  ui_->DispCt->image() = picture_;
  ui_->DispCt->newImage();
  ++pictureUpdates_;
}

void CtCalc::noticedNewPos(double x, double z) {
  const double tx = std::trunc(x), tz = std::trunc(z);
  const int n = ws_.imageSize();
  const bool inside = tx >= 0 && tz >= 0 && tx < n && tz < n;
  ui_->DispCt->setVal(inside ? ws_.imageRow(static_cast<int>(tz))[static_cast<int>(tx)] : 0.0);
}

void CtCalc::noticedNewS(QRectF s) { setDR(s.x(), s.y(), s.x() + s.width(), s.y() + s.height()); }

void CtCalc::setCRegion() {
  const auto d = dr_.values();
  setCR(std::floor(d[0]), std::floor(d[1]), std::ceil(d[2]), std::ceil(d[3]));
}

void CtCalc::setDR(double rx0, double rz0, double rx1, double rz1) {
  if (dr_.write({rx0, rz0, rx1, rz1})) {
    ui_->DispCt->update();
    const auto v = dr_.values();
    emit dRUpdated(v[0], v[1], v[2], v[3]);
  }
}

void CtCalc::setCR(double rx0, double rz0, double rx1, double rz1) {
  if (cr_.write({rx0, rz0, rx1, rz1})) {
    regionSet_ = true;
    const auto v = cr_.values();
    emit cRUpdated(v[0], v[1], v[2], v[3]);
  }
}

void CtCalc::crEdited() {
  regionSet_ = true;
  const auto v = cr_.values();
  emit cRUpdated(v[0], v[1], v[2], v[3]);
}

void CtCalc::setFixColorScale(bool f) { ui_->DispCt->colorBar()->setFixColorScale(f); }

void CtCalc::setCBarMinMaxForced(double min, double max) {
  ColorBar* bar = ui_->DispCt->colorBar();
  bar->setMinValue(min);
  bar->setMaxValue(max);
}

void CtCalc::setSaveImage(bool f, QString path, QString name, QString tag) {
  saveImg_ = CtSaveSetting{f, path, name, tag};
}

void CtCalc::setSaveData(bool f, QString path, QString name, QString tag) {
  saveData_ = CtSaveSetting{f, path, name, tag};
}
