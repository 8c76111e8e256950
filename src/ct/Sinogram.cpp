#include "ct/Sinogram.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

#include "ct/CorGuess.h"
#include "ct/ProcCtrl.h"
#include "ct/SinogramImage.h"
#include "imagedata/ImgDatas.h"
#include "ui_Sinogram.h"
#include "widgets/ImgDispWPV.h"

Sinogram::Sinogram(QWidget* parent) : QFrame(parent), ui_(new Ui::Sinogram) {
  ui_->setupUi(this);
  ImgDispWPV* disp = ui_->DispSinogram;
  disp->dragOn = false;  // the left-button drag moves the CoR here
  connect(ui_->GuessCor, &QPushButton::clicked, this, &Sinogram::guessCor);
  connect(ui_->CorSweep, &QPushButton::clicked, this, &Sinogram::corSweep);
  connect(ui_->Cor, &QLineEdit::editingFinished, this, &Sinogram::corEditingFinished);
  connect(disp, &ImgDispWPV::newPosInvY, this, &Sinogram::newPos);
  connect(disp, &ImgDispWCBar::newBar, this, &Sinogram::genImage);
  connect(disp, &DispAWLayout::mousePressed0, this, &Sinogram::pressed);
  connect(disp, &DispAWLayout::mouseMoved0, this, &Sinogram::mMoved);
  connect(ui_->AlterStack, &QCheckBox::toggled, this, &Sinogram::genImage);
  connect(ui_->ImageOffsetY, &QLineEdit::editingFinished, this, &Sinogram::genImage);
}

Sinogram::~Sinogram() {
  // The children outlive this object's own part of the destruction: a line
  // edit losing focus or the display's last mouse report would otherwise call
  // a slot of a Sinogram that is already only a QWidget.
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
  if (pc_) QObject::disconnect(pc_, nullptr, this, nullptr);
}

void Sinogram::setProcCtrl(ProcCtrl* pc) {
  pc_ = pc;
  if (!pc) return;
  connect(pc, &ProcCtrl::corUpdated, this, &Sinogram::corUpdated);
  connect(pc, &ProcCtrl::autoUpdateUpdated, this, &Sinogram::autoUpdateUpdated);
  connect(pc, &ProcCtrl::sliceNoUpdated, this, &Sinogram::sliceNoUpdated);
  connect(pc, &ProcCtrl::rotAxUpdated, this, &Sinogram::rotAxUpdated);
  connect(pc, &ProcCtrl::usePartialDataSetUpdated, this, &Sinogram::usePartialDataSetUpdated);
  connect(pc, &ProcCtrl::dataSetUsingImagesUpdated, this, &Sinogram::dataSetUsingImagesUpdated);
  connect(pc, &ProcCtrl::dataSetStartImageNoUpdated, this, &Sinogram::dataSetStartImageNoUpdated);
  connect(pc, &ProcCtrl::dataSetRangeUpdated, this, &Sinogram::dataSetRangeUpdated);
  connect(pc, &ProcCtrl::angleOriginUpdated, this, &Sinogram::angleOriginUpdated);
  connect(pc, &ProcCtrl::askGenImage, this, &Sinogram::genSgmImage);
}

void Sinogram::setImgDatas(ImgDatas* set) { imgs_ = set; }

ImgDispWPV* Sinogram::display() const { return ui_->DispSinogram; }

double Sinogram::guessParam() const { return ui_->GuessParam->text().toDouble(); }
int Sinogram::imageOffsetY() const { return ui_->ImageOffsetY->text().toInt(); }

SinogramSource Sinogram::source() const {
  SinogramSource src;
  if (!imgs_) return src;
  src.frames = imgs_->frameList();
  src.i0 = imgs_->i0();
  src.bg = imgs_->bg();
  src.width = imgs_->width();
  src.height = imgs_->height();
  return src;
}

SinogramParams Sinogram::params(bool rotAxIsV, double cor, int slice) const {
  SinogramParams p;
  p.rotAxIsV = rotAxIsV;
  p.cor = cor;
  p.slice = slice;
  if (pc_) {
    p.dataSetRangeDeg = pc_->dataSetRangeDeg();
    p.usePartial = pc_->usePartialDataSet();
    p.startImageNo = pc_->dataSetStartImageNo();
    p.usingImages = pc_->dataSetUsingImages();
  }
  return p;
}

void Sinogram::genSinogram0(HSgm* hSgm, bool rotAxIsV, double cor, int slice) {
  if (!hSgm) return;
  buildSinogram(source(), params(rotAxIsV, cor, slice), *hSgm);
}

void Sinogram::genSinogram() {
  if (!pc_) return;
  genSinogram0(&sgm_, pc_->rotAxIsV(), pc_->cor(), pc_->sliceNo());
}

void Sinogram::genSinogram(HSgm& out, double outlierThreshold) {
  if (!pc_) return;
  SinogramParams p = params(pc_->rotAxIsV(), pc_->cor(), pc_->sliceNo());
  p.outlierThreshold = outlierThreshold;
  buildSinogram(source(), p, out);
}

void Sinogram::genImage() {
  if (!pc_ || !imgs_) return;
  ImgDispWPV* disp = ui_->DispSinogram;
  SinogramImageParams layout;
  layout.offsetY = imageOffsetY();
  layout.alterStack = ui_->AlterStack->isChecked();
  QImage img =
      renderSinogramImage(sgm_, source(), params(pc_->rotAxIsV(), pc_->cor(), pc_->sliceNo()),
                          layout, disp->colorBar()->map());
  disp->colorBar()->refreshFromMap();
  if (img.isNull()) return;
  disp->image() = std::move(img);
  disp->newImage();
}

void Sinogram::rebuild() {
  genSinogram();
  genImage();
}

void Sinogram::corUpdated() {
  if (pc_) ui_->Cor->setText(QString::number(pc_->cor(), 'g', 6));
  rebuild();
}
void Sinogram::autoUpdateUpdated() { rebuild(); }
void Sinogram::sliceNoUpdated() { rebuild(); }
void Sinogram::rotAxUpdated() { rebuild(); }
void Sinogram::usePartialDataSetUpdated() { rebuild(); }
void Sinogram::dataSetUsingImagesUpdated() { rebuild(); }
void Sinogram::dataSetStartImageNoUpdated() { rebuild(); }
void Sinogram::genSgmImage() { rebuild(); }
void Sinogram::dataSetRangeUpdated() {
  rebuild();
  ui_->DispSinogram->resetScale();
}
void Sinogram::angleOriginUpdated() { genImage(); }
void Sinogram::genImage2() { genImage(); }

void Sinogram::corEditingFinished() {
  if (pc_) pc_->setCor(ui_->Cor->text().toDouble());  // not a number: 0
}

void Sinogram::guessCor() {
  if (!pc_) return;
  const SinogramParams p = params(pc_->rotAxIsV(), pc_->cor(), pc_->sliceNo());
  pc_->setCor(::guessCor(source(), p, guessParam(), pc_->cor()));
}

void Sinogram::corSweep() {
  if (!pc_) return;
  const double range = pc_->sweepRange();
  emit askCorSweep(pc_->cor() - range, pc_->cor() + range, pc_->sweepStep());
}

void Sinogram::pressed() {
  corAtPress_ = pc_ ? pc_->cor() : 0.0;
  offsetAtPress_ = imageOffsetY();
}

void Sinogram::mMoved() {
  ImgDispWPV* disp = ui_->DispSinogram;
  const MouseC* m = disp->mouseState();
  if (!pc_ || !m->pressed || m->pressStat() != MouseC::L) return;
  const QPointF press = disp->imagePosAt(m->pressX, m->pressY);
  const QPointF cur = disp->imagePosAt(m->x, m->y);
  // The lower half of the picture is the mirrored second half turn, so the
  // CoR follows the pointer the other way there.
  const bool upper = cur.y() < disp->view().center().y();
  const double dx = upper ? press.x() - cur.x() : cur.x() - press.x();
  if (ui_->MoveYWMouse->isChecked()) {
    long long k = 0;
    const int n = imgs_ ? imgs_->count() : 0;
    if (!imagesPerHalfTurn(pc_->dataSetRangeDeg(), n, k) || k <= 0) k = 1;
    long long d = static_cast<long long>(std::trunc(press.y() - cur.y() + offsetAtPress_));
    if (d < 0) d += ((-d + k - 1) / k) * k;
    ui_->ImageOffsetY->setText(QString::number(d));
  }
  const double cor = corAtPress_ + dx;
  if (cor != pc_->cor()) {
    pc_->setCor(cor);  // announces corUpdated: rebuild and repaint
  } else {
    genImage();
  }
}

void Sinogram::newPos(double x, double y) {
  const double xi = std::trunc(x), yi = std::trunc(y);
  if (!sgm_.hasData() || sgm_.rows() <= 0) return;
  if (xi < 0 || yi < 0 || xi >= sgm_.width() || yi >= 2.0 * sgm_.rows()) return;
  const int r = static_cast<int>(yi) % sgm_.rows();
  ui_->DispSinogram->setVal(sgm_.rawRow(r)[static_cast<int>(xi)]);
}

bool Sinogram::alterStack() const { return ui_->AlterStack->isChecked(); }

void Sinogram::setAlterStack(bool f) { ui_->AlterStack->setChecked(f); }

bool Sinogram::moveYWithMouse() const { return ui_->MoveYWMouse->isChecked(); }

void Sinogram::setMoveYWithMouse(bool f) { ui_->MoveYWMouse->setChecked(f); }
