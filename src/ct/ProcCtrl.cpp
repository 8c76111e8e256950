#include "ct/ProcCtrl.h"

#include <QButtonGroup>
#include <QLocale>
#include <QToolButton>
#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "ct/CtRunMath.h"
#include "ct/CtRunParams.h"
#include "ui_ProcCtrl.h"

namespace {

int parseInt(const QString& text) { return text.trimmed().toInt(); }  // 0 when it does not parse

double parseDouble(const QString& text) { return text.trimmed().toDouble(); }

QString g6(double v) { return QString::number(v, 'g', 6); }

}  // namespace

ProcCtrl::ProcCtrl(QWidget* parent) : QFrame(parent), ui_(std::make_unique<Ui::ProcCtrl>()) {
  ui_->setupUi(this);
  sliceNo_ = parseInt(ui_->SliceNo->text());
  cor_ = parseDouble(ui_->Cor->text());
  rotAxIsV_ = ui_->RotAxV->isChecked();

  connect(ui_->AutoExecCtCalc, &QCheckBox::toggled, this, &ProcCtrl::autoExecUpdated);
  connect(ui_->AngleOriginDeg, &QLineEdit::editingFinished, this, &ProcCtrl::angleOriginUpdated);
  connect(ui_->DataSetRangeDeg, &QLineEdit::editingFinished, this, &ProcCtrl::dataSetRangeUpdated);
  connect(ui_->DataSetUsingImages, &QLineEdit::editingFinished, this,
          &ProcCtrl::dataSetUsingImagesUpdated);
  connect(ui_->DataSetStartImageNo, &QLineEdit::editingFinished, this,
          &ProcCtrl::dataSetStartImageNoUpdated);
  connect(ui_->UsePartialDataSet, &QCheckBox::toggled, this, &ProcCtrl::showPartial);
  connect(ui_->UsePartialDataSet, &QCheckBox::toggled, this, &ProcCtrl::usePartialDataSetUpdated);
  connect(ui_->SliceNo, &QLineEdit::editingFinished, this, &ProcCtrl::sliceNoEditingFinished);
  connect(ui_->Cor, &QLineEdit::editingFinished, this, &ProcCtrl::corEditingFinished);
  connect(ui_->RotAxGroup, &QButtonGroup::buttonClicked, this, &ProcCtrl::rotAxSelectionChanged);
  connect(ui_->ClearRecCoR, &QPushButton::clicked, this, &ProcCtrl::clearRecordedCoR);
  connect(ui_->RecCoR, &QPushButton::clicked, this, &ProcCtrl::recordCoR);
  connect(ui_->OptionsToggle, &QToolButton::toggled, this, &ProcCtrl::showOptions);
  showPartial();
  showOptions();
}

ProcCtrl::~ProcCtrl() = default;

int ProcCtrl::sliceFrom() const { return parseInt(ui_->SliceFrom->text()); }
int ProcCtrl::sliceTo() const { return parseInt(ui_->SliceTo->text()); }
int ProcCtrl::sliceStep() const { return parseInt(ui_->SliceStep->text()); }
double ProcCtrl::angleOriginDeg() const { return parseDouble(ui_->AngleOriginDeg->text()); }
double ProcCtrl::dataSetRangeDeg() const { return parseDouble(ui_->DataSetRangeDeg->text()); }
int ProcCtrl::dataSetImages() const { return parseInt(ui_->DataSetImages->text()); }
int ProcCtrl::dataSetUsingImages() const { return parseInt(ui_->DataSetUsingImages->text()); }
int ProcCtrl::dataSetStartImageNo() const { return parseInt(ui_->DataSetStartImageNo->text()); }
bool ProcCtrl::usePartialDataSet() const { return ui_->UsePartialDataSet->isChecked(); }
bool ProcCtrl::autoExec() const { return ui_->AutoExecCtCalc->isChecked(); }
int ProcCtrl::maxThreads() const { return ui_->MaxThreads->value(); }
QCheckBox* ProcCtrl::autoExecCheckBox() const { return ui_->AutoExecCtCalc; }

void ProcCtrl::setRecordedCoR(int k, int slice, double cor) {
  QLineEdit* field = (k == 1) ? ui_->RecordedCoR1 : ui_->RecordedCoR2;
  if (k == 1) {
    corSlice1_ = slice;
    cor1_ = cor;
  } else {
    corSlice2_ = slice;
    cor2_ = cor;
  }
  if (slice >= 0)
    field->setText(QStringLiteral("%1 at %2")
                       .arg(QString::number(cor, 'g', QLocale::FloatingPointShortest))
                       .arg(slice));
  else
    field->clear();
}

void ProcCtrl::setThreadLimit(int n) {
  ui_->MaxThreads->setMaximum(n);
  ui_->MaxThreadsLbl->setText(QStringLiteral("/%1").arg(n));
  // At least one worker: on a one-thread machine trunc(0.8) would leave none,
  // and every run would end at once with nothing done.
  ui_->MaxThreads->setValue(std::max(1, static_cast<int>(n * 0.8)));
}

void ProcCtrl::setMaxThreads(int n) { ui_->MaxThreads->setValue(n); }

void ProcCtrl::setAutoExec(bool f) { ui_->AutoExecCtCalc->setChecked(f); }

void ProcCtrl::setRotAxIsV(bool v) {
  if (v == rotAxIsV_) return;
  rotAxIsV_ = v;
  (v ? ui_->RotAxV : ui_->RotAxH)->setChecked(true);
  emit rotAxUpdated();
}

// The window list of the form is in the order of FilterWindow.
FbpFilterChoice ProcCtrl::filterChoice() const {
  FbpFilterChoice choice;
  choice.window = static_cast<FilterWindow>(std::clamp(ui_->FilterWindowBox->currentIndex(), 0, 4));
  choice.padding = ui_->FilterPadding->isChecked();
  return choice;
}

void ProcCtrl::setFilterWindow(FilterWindow w) {
  ui_->FilterWindowBox->setCurrentIndex(static_cast<int>(w));
}

void ProcCtrl::setFilterPadding(bool on) { ui_->FilterPadding->setChecked(on); }

int ProcCtrl::ringRemovalSize() const { return ui_->RingRemoval->value(); }

void ProcCtrl::setRingRemovalSize(int size) { ui_->RingRemoval->setValue(size); }

double ProcCtrl::outlierThreshold() const {
  const double v = parseDouble(ui_->OutlierThreshold->text());
  return std::isfinite(v) && v > 0.0 ? v : 0.0;
}

void ProcCtrl::setOutlierThreshold(double threshold) {
  ui_->OutlierThreshold->setText(g6(threshold));
}

double ProcCtrl::sweepRange() const { return std::fabs(parseDouble(ui_->SweepRange->text())); }

double ProcCtrl::sweepStep() const { return parseDouble(ui_->SweepStep->text()); }

void ProcCtrl::fillRunParams(CtRunParams& p, bool singleOn, bool workersOn) const {
  p.singleOn = singleOn;
  p.workersOn = workersOn;
  p.rotAxIsV = rotAxIsV_;
  p.sliceNo = sliceNo_;
  p.cor = cor_;
  p.cor1 = cor1_;
  p.cor2 = cor2_;
  p.corSlice1 = corSlice1_;
  p.corSlice2 = corSlice2_;
  p.angleOriginDeg = angleOriginDeg();
  p.dataSetImages = dataSetImages();
  p.dataSetRangeDeg = dataSetRangeDeg();
  const bool partial = usePartialDataSet();
  p.usePartial = partial;
  p.usingImages = partial ? dataSetUsingImages() : p.dataSetImages;
  p.startImageNo = partial ? dataSetStartImageNo() : 0;
  p.autoExec = autoExec();
  p.sliceFrom = sliceFrom();
  p.sliceTo = sliceTo();
  p.sliceStep = runSliceStep(p.sliceFrom, p.sliceTo, sliceStep());
  p.threads = std::max(1, maxThreads());
  p.upperLimit = 10.0;
  p.lowerLimit = -10.0;
  p.offset = 10.0;
  p.filter = filterChoice();
  p.ringRemovalSize = ringRemovalSize();
  p.outlierThreshold = outlierThreshold();
}

void ProcCtrl::showPartial() {
  ui_->UsePartialDataSetParams->setVisible(ui_->UsePartialDataSet->isChecked());
}

void ProcCtrl::showOptions() {
  const bool open = ui_->OptionsToggle->isChecked();
  ui_->OptionsToggle->setArrowType(open ? Qt::DownArrow : Qt::RightArrow);
  ui_->OptionsParams->setVisible(open);
}

void ProcCtrl::recordCoR() {
  setRecordedCoR(2, corSlice1_, cor1_);
  setRecordedCoR(1, sliceNo_, cor_);
}

void ProcCtrl::sliceNoEditingFinished() {
  const int v = parseInt(ui_->SliceNo->text());
  if (v == sliceNo_) return;
  sliceNo_ = v;
  emit sliceNoUpdated();
}

void ProcCtrl::corEditingFinished() {
  const double v = parseDouble(ui_->Cor->text());
  if (v == cor_) return;
  cor_ = v;
  emit corUpdated();
}

void ProcCtrl::rotAxSelectionChanged(QAbstractButton*) {
  const bool v = ui_->RotAxV->isChecked();
  if (v == rotAxIsV_) return;
  rotAxIsV_ = v;
  emit rotAxUpdated();
}

void ProcCtrl::clearRecordedCoR() {
  setRecordedCoR(1, -1, 0.0);
  setRecordedCoR(2, -1, 0.0);
}

void ProcCtrl::setCor(double cor) {
  if (cor == cor_) return;
  cor_ = cor;
  ui_->Cor->setText(g6(cor));
  emit corUpdated();
}

void ProcCtrl::setSliceNo(int sliceNo) {
  if (sliceNo == sliceNo_) return;
  sliceNo_ = sliceNo;
  ui_->SliceNo->setText(QString::number(sliceNo));
  emit sliceNoUpdated();
}

void ProcCtrl::setSliceFrom(int from) { ui_->SliceFrom->setText(QString::number(from)); }
void ProcCtrl::setSliceTo(int to) { ui_->SliceTo->setText(QString::number(to)); }
void ProcCtrl::setSliceStep(int step) { ui_->SliceStep->setText(QString::number(step)); }
void ProcCtrl::setDataSetImages(int no) { ui_->DataSetImages->setText(QString::number(no)); }
void ProcCtrl::setDataSetUsingImages(int images) {
  ui_->DataSetUsingImages->setText(QString::number(images));
}
void ProcCtrl::setDataSetStartImageNo(int no) {
  ui_->DataSetStartImageNo->setText(QString::number(no));
}
void ProcCtrl::setAngleOriginDeg(double deg) { ui_->AngleOriginDeg->setText(g6(deg)); }
void ProcCtrl::setDataSetRangeDeg(double deg) { ui_->DataSetRangeDeg->setText(g6(deg)); }
void ProcCtrl::setUsePartialDataSet(bool f) { ui_->UsePartialDataSet->setChecked(f); }
