#include "view3d/SlicesCtrl.h"

#include <QCheckBox>
#include <QColorDialog>
#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPixmap>
#include <QPushButton>
#include <QSlider>
#include <algorithm>
#include <cmath>

#include "base/ConfigStore.h"
#include "ui_SlicesCtrl.h"
#include "widgets/DispA.h"

SlicesCtrl::SlicesCtrl(const QString& startDir, QWidget* parent)
    : QFrame(parent), ui_(new Ui::SlicesCtrl), dir_(startDir) {
  ui_->setupUi(this);
  registerVec3MetaType();
  fillSwatch(ui_->dispVColor_, vColor_);
  fillSwatch(ui_->dispSColor_, sColor_);
  setShowBNo(1);
  showHide(true);
  ui_->dispH_->coord()->wheelZoomOn = 0;  // the histogram's x axis is fixed

  datas_ = new SliceDatas;
  datas_->moveToThread(&thread_);
  thread_.setObjectName(QStringLiteral("SliceDatas"));
  thread_.start();

  connect(ui_->showB_, &QPushButton::toggled, this, &SlicesCtrl::showHide);
  connect(ui_->showB_, &QPushButton::clicked, this, &SlicesCtrl::bClicked);
  connect(ui_->showB2_, &QPushButton::toggled, this, &SlicesCtrl::showHide);
  connect(ui_->selectB_, &QPushButton::clicked, this, &SlicesCtrl::selectFiles);
  connect(datas_, &SliceDatas::loadedNewFile, this, &SlicesCtrl::noticedLoadedNewFile);
  connect(datas_, &SliceDatas::loadFilesFinished, this, &SlicesCtrl::noticedLoadFilesFinished);
  connect(datas_, &SliceDatas::cleared, this, &SlicesCtrl::datasCleared);
  connect(ui_->minTh_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMinTh);
  connect(ui_->maxTh_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMaxTh);
  connect(ui_->minThPC_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMinThPC);
  connect(ui_->maxThPC_, &QLineEdit::editingFinished, this, &SlicesCtrl::updatedMaxThPC);
  connect(ui_->alpha_, &QLineEdit::editingFinished, this, &SlicesCtrl::fixupAlpha);
  connect(ui_->showFrame_, &QCheckBox::toggled, this, &SlicesCtrl::paintPImg);
  connect(ui_->showVolume_, &QCheckBox::toggled, this, &SlicesCtrl::paintPImg);
  connect(ui_->showCSection_, &QCheckBox::toggled, this, &SlicesCtrl::paintPImg);
  connect(ui_->cSlider_, &QSlider::valueChanged, this, &SlicesCtrl::changedSliderStat);
  connect(ui_->csFixDir_, &QCheckBox::toggled, this, &SlicesCtrl::changedSliderStat);
  connect(ui_->dispH_, &DispA::drawImage1, this, &SlicesCtrl::drawHist);
  MouseC* m = ui_->dispH_->mouse();
  connect(m, &MouseC::mPressed, this, &SlicesCtrl::mousePressedOnDispH);
  connect(m, &MouseC::mMoved, this, &SlicesCtrl::mouseMovedOnDispH);
  connect(m, &MouseC::mReleased, this, &SlicesCtrl::mouseReleasedOnDispH);
  connect(ui_->selVColor_, &QPushButton::clicked, this, &SlicesCtrl::selectVColor);
  connect(ui_->selSColor_, &QPushButton::clicked, this, &SlicesCtrl::selectSColor);
}

SlicesCtrl::~SlicesCtrl() {
  // Children (line edits losing focus, the histogram surface) report to this
  // object while QWidget tears them down; by then it is no SlicesCtrl any more.
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
  QObject::disconnect(datas_, nullptr, this, nullptr);
  // A load in progress runs to its end; the series is then dropped with the object.
  thread_.quit();
  thread_.wait();
  delete datas_;
}

// --- plain operations -------------------------------------------------------

void SlicesCtrl::fillSwatch(QLabel* swatch, const QColor& c) {
  QPixmap pm(15, 27);
  pm.fill(c);
  swatch->setPixmap(pm);
}

void SlicesCtrl::setVColor(const QColor& c) {
  vColor_ = c;
  fillSwatch(ui_->dispVColor_, c);
}

void SlicesCtrl::setSColor(const QColor& c) {
  sColor_ = c;
  fillSwatch(ui_->dispSColor_, c);
}

void SlicesCtrl::setShowBNo(int n) { ui_->showB_->setText(tr("Show Setup %1").arg(n)); }

void SlicesCtrl::setAlpha(int a) {
  ui_->alpha_->setText(QString::number(a));
  fixupAlpha();
}

double SlicesCtrl::rMin() const { return ui_->rMinV_->text().toDouble(); }
double SlicesCtrl::rMax() const { return ui_->rMaxV_->text().toDouble(); }
double SlicesCtrl::minTh() const { return ui_->minTh_->text().toDouble(); }
double SlicesCtrl::maxTh() const { return ui_->maxTh_->text().toDouble(); }
double SlicesCtrl::minThPC() const { return ui_->minThPC_->text().toDouble(); }
double SlicesCtrl::maxThPC() const { return ui_->maxThPC_->text().toDouble(); }
int SlicesCtrl::alpha() const { return std::clamp(ui_->alpha_->text().toInt(), 0, 255); }
bool SlicesCtrl::showFrame() const { return ui_->showFrame_->isChecked(); }
bool SlicesCtrl::showVolume() const { return ui_->showVolume_->isChecked(); }
bool SlicesCtrl::showCSection() const { return ui_->showCSection_->isChecked(); }
int SlicesCtrl::cSliderValue() const { return ui_->cSlider_->value(); }
void SlicesCtrl::setCSliderValue(int v) { ui_->cSlider_->setValue(v); }
bool SlicesCtrl::csFixDir() const { return ui_->csFixDir_->isChecked(); }
void SlicesCtrl::setCsFixDir(bool f) { ui_->csFixDir_->setChecked(f); }

bool SlicesCtrl::hasSlices() const {
  if (busy_ || datas_->isLoading()) return false;
  const auto s = datas_->series();
  return s->width > 0 && s->height > 0 && !s->slices.empty();
}

SliceSetStyle SlicesCtrl::style() const {
  SliceSetStyle s;
  s.rMin = rMin();
  s.rMax = rMax();
  s.minPC = minThPC();
  s.maxPC = maxThPC();
  s.volumeColor = vColor_;
  s.sectionColor = sColor_;
  s.opacity = alpha();
  s.showFrame = showFrame();
  s.showVolume = showVolume();
  s.showSection = showCSection();
  s.sectionNormal = nz_;
  s.slider = cSliderValue();
  return s;
}

// --- value window -----------------------------------------------------------

void SlicesCtrl::writeField(QLineEdit* e, double v) {
  e->setText(QString::number(v, 'g', 6));
  e->setCursorPosition(0);
}

// Percentages of a zero range are 0 rather than infinite or NaN.
static double percentOf(double v, double lo, double hi) {
  const double r = hi - lo;
  return r != 0 ? (v - lo) / r * 100 : 0.0;
}

void SlicesCtrl::applyMinPC(double p, bool sync) {
  writeField(ui_->minThPC_, p);
  if (sync) applyMinTh(rMin() + (rMax() - rMin()) * p / 100, false);
}

void SlicesCtrl::applyMaxPC(double p, bool sync) {
  writeField(ui_->maxThPC_, p);
  if (sync) applyMaxTh(rMin() + (rMax() - rMin()) * p / 100, false);
}

void SlicesCtrl::applyMinTh(double v, bool sync) {
  writeField(ui_->minTh_, v);
  if (sync) applyMinPC(percentOf(v, rMin(), rMax()), false);
}

void SlicesCtrl::applyMaxTh(double v, bool sync) {
  writeField(ui_->maxTh_, v);
  if (sync) applyMaxPC(percentOf(v, rMin(), rMax()), false);
}

void SlicesCtrl::windowChanged() {
  emit paintPImg();
  ui_->dispH_->update();
}

void SlicesCtrl::setMinThPC(double p) {
  applyMinPC(p, true);
  windowChanged();
}
void SlicesCtrl::setMaxThPC(double p) {
  applyMaxPC(p, true);
  windowChanged();
}
void SlicesCtrl::setMinTh(double v) {
  applyMinTh(v, true);
  windowChanged();
}
void SlicesCtrl::setMaxTh(double v) {
  applyMaxTh(v, true);
  windowChanged();
}

void SlicesCtrl::updatedMinThPC() { setMinThPC(minThPC()); }
void SlicesCtrl::updatedMaxThPC() { setMaxThPC(maxThPC()); }
void SlicesCtrl::updatedMinTh() { setMinTh(minTh()); }
void SlicesCtrl::updatedMaxTh() { setMaxTh(maxTh()); }

void SlicesCtrl::fixupAlpha() {
  const int a = ui_->alpha_->text().toInt();
  if (a < 0) ui_->alpha_->setText(QStringLiteral("0"));
  if (a > 255) ui_->alpha_->setText(QStringLiteral("255"));
  emit paintPImg();  // the opacity is part of the picture
}

// --- panel and files --------------------------------------------------------

void SlicesCtrl::showHide(bool f) {
  ui_->showB_->setChecked(f);
  ui_->showB2_->setChecked(f);
  ui_->slicesCtrlFrame_->setVisible(ui_->showB_->isChecked());
  ui_->showB_->setVisible(!ui_->showB_->isChecked());
}

void SlicesCtrl::selectFiles() {
  auto* dialog = new QFileDialog(this, tr("Select Data Files"), dir_);
  dialog->setAttribute(Qt::WA_DeleteOnClose);
  dialog->setFileMode(QFileDialog::ExistingFiles);
  dialog->setAcceptMode(QFileDialog::AcceptOpen);
  dialog->setNameFilters({tr("Data Files (*.dat *.tif *.png)"), tr("Any Files (* *.*)")});
  if (ConfigStore::instance().value(QStringLiteral("native_dialog"), QStringLiteral("0")) != "1")
    dialog->setOption(QFileDialog::DontUseNativeDialog);
  connect(dialog, &QFileDialog::accepted, this, [this, dialog] {
    dir_ = dialog->directory().absolutePath();
    loadFiles(dialog->selectedFiles());
  });
  dialog->open();
}

void SlicesCtrl::loadFiles(const QStringList& files) {
  if (busy_) {
    // The loader's fields are being written on its thread; the newest choice
    // waits until the running load has been taken in.
    pending_ = files;
    return;
  }
  sendToLoader(files);
}

void SlicesCtrl::sendToLoader(const QStringList& files) {
  busy_ = true;
  emit paintPImg();  // the set vanishes from the picture until it is loaded
  SliceDatas* d = datas_;
  QMetaObject::invokeMethod(
      d, [d, files] { d->filesSelected(files); }, Qt::QueuedConnection);
}

void SlicesCtrl::noticedLoadedNewFile(QString fname) { ui_->nameList_->addItem(fname); }

void SlicesCtrl::datasCleared() { ui_->nameList_->clear(); }

void SlicesCtrl::noticedLoadFilesFinished() {
  busy_ = false;
  if (pending_) {
    const QStringList next = *pending_;
    pending_.reset();
    sendToLoader(next);
    return;
  }
  // The loader is idle now: its fields can be read here.
  writeField(ui_->rMinV_, datas_->minimum());
  writeField(ui_->rMaxV_, datas_->maximum());
  if (datas_->isHistogramReady()) histImage_ = datas_->histogramImage();
  applyMinPC(minThPC(), true);
  applyMaxPC(maxThPC(), true);
  windowChanged();
}

void SlicesCtrl::selectVColor() {
  delete colorDialog_;
  colorDialog_ = new QColorDialog(vColor_, this);
  colorDialog_->setWindowTitle(tr("Select Volume Color"));
  connect(colorDialog_, &QColorDialog::colorSelected, this, [this](const QColor& c) {
    setVColor(c);
    emit paintPImg();
  });
  colorDialog_->open();
}

void SlicesCtrl::selectSColor() {
  delete colorDialog_;
  colorDialog_ = new QColorDialog(sColor_, this);
  colorDialog_->setWindowTitle(tr("Select Section Color"));
  connect(colorDialog_, &QColorDialog::colorSelected, this, [this](const QColor& c) {
    setSColor(c);
    emit paintPImg();
  });
  colorDialog_->open();
}

// --- histogram --------------------------------------------------------------

void SlicesCtrl::drawHist(QPainter* p) {
  DispA* d = ui_->dispH_;
  const QRect all(0, 0, d->width(), d->height());
  p->fillRect(all, Qt::white);
  if (!histImage_.isNull()) p->drawImage(all, histImage_);
  p->setPen(QColor(255, 0, 0));
  for (double pc : {minThPC(), maxThPC()}) {
    const int x = int(pc / 101.0 * d->width());
    p->drawLine(x, 0, x, d->height() - 1);
  }
}

double SlicesCtrl::histPercentAt(int x) const {
  const int w = ui_->dispH_->width();
  return w > 0 ? double(x) / w * 101.0 : 0.0;
}

void SlicesCtrl::mousePressedOnDispH() {
  MouseC* m = ui_->dispH_->mouse();
  if (m->pressStat() != MouseC::L) return;
  const double pc = histPercentAt(m->pressX);
  dragging_ = std::abs(pc - minThPC()) < std::abs(pc - maxThPC()) ? Mark::Low : Mark::High;
}

void SlicesCtrl::mouseMovedOnDispH() {
  if (dragging_ == Mark::None) return;
  const double pc = histPercentAt(ui_->dispH_->mouse()->x);
  if (dragging_ == Mark::Low)
    setMinThPC(pc);
  else
    setMaxThPC(pc);
}

void SlicesCtrl::mouseReleasedOnDispH() { dragging_ = Mark::None; }

// --- cross-section normal ---------------------------------------------------

void SlicesCtrl::initNz(Vec3 nz) { nz_ = nz; }

void SlicesCtrl::newNz(Vec3 nz) {
  if (!csFixDir()) nz_ = nz;
}
