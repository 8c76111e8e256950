#include "view3d/CtView.h"

#include <QCheckBox>
#include <QDebug>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QImageWriter>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QSvgGenerator>
#include <cmath>

#include "base/ConfigStore.h"
#include "base/NamedLog.h"
#include "ui_CtView.h"
#include "view3d/SlicesCtrl.h"
#include "widgets/DispA.h"

CtView::CtView(QWidget* parent) : QFrame(parent), ui_(new Ui::CtView) {
  ui_->setupUi(this);
  registerVec3MetaType();
  ui_->slicesCtrlsLayout_->setAlignment(Qt::AlignTop);

  const ConfigStore& config = ConfigStore::instance();
  nativeDialog_ = config.value(QStringLiteral("native_dialog"), QStringLiteral("0")) == "1";
  startDir_ = config.dataRoot().isEmpty() ? QDir::currentPath() : config.dataRoot();
  lastSaveDir_ = startDir_;
  for (const QByteArray& f : QImageWriter::supportedImageFormats())
    rasterFormats_ << QString::fromLatin1(f).toLower();
  rasterFormats_.removeDuplicates();
  ui_->saveImage_->setToolTip(
      tr("Supported File Types are : %1\n and also SVG.").arg(rasterFormats_.join(' ')));

  DispA* d = ui_->dispA_;
  d->coord()->wheelZoomOn = 0;  // the wheel zooms the volume, not the surface's ranges
  connect(ui_->addSliceSet_, &QPushButton::clicked, this, [this] {
    addSliceSet();
    paintPImg();
  });
  connect(d, &DispA::drawImage2, this, &CtView::draw);
  connect(d->mouse(), &MouseC::mPressed, this, &CtView::mousePressedOnDataDisp);
  connect(d->mouse(), &MouseC::mMoved, this, &CtView::mouseMovedOnDataDisp);
  connect(d->mouse(), &MouseC::mReleased, this, &CtView::mouseReleasedOnDataDisp);
  connect(d->mouse(), &MouseC::wMoved, this, &CtView::wheelMovedOnDataDisp);
  connect(ui_->saveImage_, &QPushButton::clicked, this, &CtView::showSaveImageD);
  connect(ui_->imgPixWidth_, &QLineEdit::editingFinished, this, &CtView::paintPImg);
  connect(ui_->imgPixHeight_, &QLineEdit::editingFinished, this, &CtView::paintPImg);

  addSliceSet();
  emit initNz(ez_);
  paintPImg();
}

CtView::~CtView() {
  for (QObject* child : findChildren<QObject*>())
    QObject::disconnect(child, nullptr, this, nullptr);
}

SlicesCtrl* CtView::addSliceSet() {
  static const QColor kVolume[3] = {{0, 127, 127}, {127, 0, 127}, {127, 127, 0}};
  static const QColor kSection[3] = {{127, 0, 0}, {0, 127, 0}, {0, 0, 127}};
  const int n = int(sets_.size());
  auto* s = new SlicesCtrl(startDir_, ui_->slicesCtrls_);
  s->setVColor(kVolume[n % 3]);
  s->setSColor(kSection[n % 3]);
  s->setShowBNo(n + 1);
  if (n > 0) {
    s->setAlpha(128);
    // A set added after a turn cuts along the current view axis, as the others do.
    s->initNz(ez_);
  }
  connect(s, &SlicesCtrl::paintPImg, this, &CtView::paintPImg);
  connect(s, &SlicesCtrl::changedSliderStat, this, &CtView::changedSliderStat);
  connect(this, &CtView::initNz, s, &SlicesCtrl::initNz);
  connect(this, &CtView::newNz, s, &SlicesCtrl::newNz);
  ui_->slicesCtrlsLayout_->addWidget(s, n, 0);
  sets_.push_back(s);
  return s;
}

void CtView::setOrientation(const Vec3& ex, const Vec3& ey, const Vec3& ez) {
  ex_ = ex;
  ey_ = ey;
  ez_ = ez;
  paintPImg();
}

ViewState CtView::viewState(int w, int h) const {
  ViewState v;
  v.ex = ex_;
  v.ey = ey_;
  v.ez = ez_;
  v.m = m_;
  v.scale = scale_;
  v.width = w;
  v.height = h;
  return v;
}

std::vector<SliceSetInput> CtView::renderInputs() const {
  std::vector<SliceSetInput> in;
  for (SlicesCtrl* s : sets_) {
    if (s->hasSlices())
      in.push_back(sliceSetInput(*s->datas(), s->style()));
    else  // reloading or empty: drawn as nothing
      in.push_back({std::make_shared<const SliceSeries>(), s->style()});
  }
  return in;
}

QSize CtView::pictureSize() const {
  // A text that is not a number counts as 0 (and is clamped to one pixel).
  return clampedPictureSize(ui_->imgPixWidth_->text().toInt(), ui_->imgPixHeight_->text().toInt());
}

// --- rendering ----------------------------------------------------------------

void CtView::paintPImg() { render(false); }

void CtView::render(bool working) {
  const QSize full = pictureSize();
  QSize size = full;
  if (working && qint64(full.width()) * full.height() > kWorkingPixels) {
    // While the mouse turns or moves the view, a picture of the working size
    // shows the same field of view; the full size follows on release.
    const double f = std::sqrt(double(kWorkingPixels) / (double(full.width()) * full.height()));
    size = QSize(std::max(1, int(full.width() * f)), std::max(1, int(full.height() * f)));
  }
  QImage pic(size, QImage::Format_ARGB32_Premultiplied);
  {
    QPainter p(&pic);
    if (size == full) {
      paintPImg0(p, size.width(), size.height());
    } else {
      const double keep = scale_;
      scale_ = keep * full.width() / size.width();
      paintPImg0(p, size.width(), size.height());
      scale_ = keep;
    }
  }
  picture_ = std::move(pic);
  ui_->dispA_->update();
}

void CtView::paintPImg0(QPainter& p, int pw, int ph) {
  for (SlicesCtrl* s : sets_) {
    if (!s->hasSlices()) continue;
    // The window the picture is drawn with is kept in the set's series as well.
    double low, high;
    valueWindow(s->style(), &low, &high);
    s->datas()->setDisplayRange(low, high);
  }
  paintPicture(p, pw, ph, renderInputs(), viewState(pw, ph),
               p.device() && p.device()->devType() == QInternal::Image ? 0.0 : 0.5);
  ui_->dispA_->update();
}

void CtView::paintADataSet(QPainter& p, SlicesCtrl* sCtrl, int sw, int sh) {
  if (!sCtrl || !sCtrl->hasSlices()) return;
  const SliceSetInput in = sliceSetInput(*sCtrl->datas(), sCtrl->style());
  p.drawImage(0, 0, renderVolumeLayer(*in.series, in.style, viewState(sw, sh)));
}

void CtView::paintADataFrame(QPainter& p, SlicesCtrl* sCtrl, QSize ss, bool temae, QColor color) {
  if (!sCtrl || !sCtrl->hasSlices()) return;
  SliceSetInput in = sliceSetInput(*sCtrl->datas(), sCtrl->style());
  in.style.volumeColor = color;
  paintFrame(p, *in.series, in.style, viewState(ss.width(), ss.height()), temae);
}

void CtView::draw(QPainter* p) {
  bool any = false;
  for (SlicesCtrl* s : sets_) any = any || s->hasSlices();
  if (!any || picture_.isNull()) return;
  const DispA* d = ui_->dispA_;
  p->drawImage(QRect(0, 0, d->width(), d->height()), picture_);
}

// --- orientation and mouse ------------------------------------------------------

void CtView::updateNvs(Vec3 rax, double th) {
  rotateAxes(ex_, ey_, ez_, rax, th);
  emit newNz(ez_);
  render(dragMode_ != 2);
}

void CtView::changedSliderStat() {
  auto* from = qobject_cast<SlicesCtrl*>(sender());
  if (from && !linking_ && ui_->linkCSection_->isChecked()) {
    // The copies report back through this slot; one re-render follows below.
    linking_ = true;
    for (SlicesCtrl* s : sets_) {
      if (s == from) continue;
      s->setCSliderValue(from->cSliderValue());
      s->setCsFixDir(from->csFixDir());
    }
    linking_ = false;
  }
  if (linking_) return;
  paintPImg();
}

void CtView::mouseAt(int x, int y, double* fx, double* fy) const {
  const DispA* d = ui_->dispA_;
  *fx = d->width() > 0 ? double(x) / d->width() : 0.0;
  *fy = d->height() > 0 ? 1.0 - double(y) / d->height() : 0.0;
}

void CtView::mousePressedOnDataDisp() {
  const MouseC* m = ui_->dispA_->mouse();
  mouseAt(m->pressX, m->pressY, &lastX_, &lastY_);
  const MouseC::MStat st = m->pressStat();
  if (st == MouseC::R || st == MouseC::LShift) {
    dragMode_ = 1;
  } else if (st == MouseC::L) {
    dragMode_ = 0;
    turnKind_ = lastY_ > 0.85 ? 3 : lastY_ < 0.15 ? 4 : lastX_ > 0.85 ? 2 : lastX_ < 0.15 ? 1 : 0;
  } else {
    dragMode_ = 2;
  }
}

void CtView::mouseMovedOnDataDisp() {
  if (dragMode_ == 2) return;
  const MouseC* m = ui_->dispA_->mouse();
  double x, y;
  mouseAt(m->x, m->y, &x, &y);
  const double dx = x - lastX_, dy = y - lastY_;
  lastX_ = x;
  lastY_ = y;
  if (dx == 0 && dy == 0) return;
  if (dragMode_ == 0) {
    switch (turnKind_) {
      case 0: {
        const double l = std::sqrt(dx * dx + dy * dy);
        updateNvs((ex_ * dy + ey_ * dx) / l, l * M_PI);
        break;
      }
      case 1:
        updateNvs(ez_, dy * M_PI);
        break;
      case 2:
        updateNvs(ez_, -dy * M_PI);
        break;
      case 3:
        updateNvs(ez_, dx * M_PI);
        break;
      case 4:
        updateNvs(ez_, -dx * M_PI);
        break;
    }
  } else {
    const QSize size = pictureSize();
    const double wv = std::trunc(size.width() * scale_);
    const double hv = std::trunc(size.height() * scale_);
    m_ = m_ - ex_ * (dx * wv) + ey_ * (dy * hv);
    render(true);
  }
}

void CtView::mouseReleasedOnDataDisp() {
  const bool dragged = dragMode_ != 2;
  dragMode_ = 2;
  if (dragged) render(false);  // the full-size picture of where the drag ended
}

void CtView::wheelMovedOnDataDisp(int step) {
  if (step > 0)
    scale_ *= 0.9;
  else if (step < 0)
    scale_ /= 0.9;
  else
    return;
  paintPImg();
}

// --- saving ---------------------------------------------------------------------

void CtView::showSaveImageD() {
  if (!saveDialog_) {
    saveDialog_ = new QFileDialog(this);
    saveDialog_->setAcceptMode(QFileDialog::AcceptSave);
    saveDialog_->setFileMode(QFileDialog::AnyFile);
    saveDialog_->setNameFilter(tr("Any (* *.*)"));
    if (!nativeDialog_) saveDialog_->setOption(QFileDialog::DontUseNativeDialog);
    connect(saveDialog_, &QFileDialog::fileSelected, this, &CtView::saveImage);
  }
  saveDialog_->setDirectory(lastSaveDir_);
  saveDialog_->open();
}

void CtView::saveImage(QString fname) {
  lastSaveDir_ =
      saveDialog_ ? saveDialog_->directory().absolutePath() : QFileInfo(fname).absolutePath();
  const QString suffix = QFileInfo(fname).suffix().toLower();
  if (suffix == QLatin1String("svg")) {
    const QSize size = pictureSize();
    QSvgGenerator gen;
    gen.setFileName(fname);
    gen.setSize(size);
    gen.setViewBox(QRect(QPoint(0, 0), size));
    gen.setTitle(QStringLiteral("Vanto 3D view"));
    QPainter p;
    if (!p.begin(&gen)) {
      qWarning().noquote() << namedMessage("Can not write SVG file", fname);
      return;
    }
    paintPImg0(p, size.width(), size.height());
    p.end();
  } else if (!suffix.isEmpty() && rasterFormats_.contains(suffix)) {
    qDebug() << "saving" << fname;
    if (!picture_.save(fname, suffix.toLatin1().constData()))
      qWarning().noquote() << namedMessage("Can not write image file", fname);
  }
}
