#include "widgets/ColorBar.h"

#include <QPainter>

#include "ui_ColorBar.h"

namespace {
QString sixDigits(double v) { return QString::number(v, 'g', 6); }
}  // namespace

ColorBar::ColorBar(QWidget* parent) : DispB(parent), ui_(new Ui::ColorBar) {
  controls_ = new QFrame;
  ui_->setupUi(controls_);
  setMinimumWidth(25);
  setFrameShape(QFrame::StyledPanel);
  setFrameShadow(QFrame::Sunken);
  connect(this, &DispB::drawImage1, this, &ColorBar::draw1);
  connect(this, &DispB::mouseMoved0, this, &ColorBar::onMouseMoved);
  connect(this, &DispB::mousePressed0, this, &ColorBar::onMousePressed);
  connect(this, &DispB::mouseReleased0, this, &ColorBar::onMouseReleased);
  connect(ui_->CMinLE, &QLineEdit::editingFinished, this, &ColorBar::minVEdited);
  connect(ui_->CMaxLE, &QLineEdit::editingFinished, this, &ColorBar::maxVEdited);
  connect(ui_->CFix, &QCheckBox::toggled, this, [this](bool f) { map_.fixed = f; });
}

ColorBar::~ColorBar() {
  // The controls live in the owner's layout unless nobody placed them.
  delete controls_.data();
  delete ui_;
}

void ColorBar::setMinValue(double v) {
  map_.minValue = v;
  if (controls_) ui_->CMinLE->setText(sixDigits(v));
  update();
}

void ColorBar::setMaxValue(double v) {
  map_.maxValue = v;
  if (controls_) ui_->CMaxLE->setText(sixDigits(v));
  update();
}

bool ColorBar::isFixed() const { return map_.fixed; }

void ColorBar::refreshFromMap() {
  setMinValue(map_.minValue);
  setMaxValue(map_.maxValue);
}

void ColorBar::setFixColorScale(bool f) {
  if (controls_) ui_->CFix->setChecked(f);
  map_.fixed = f;
}

void ColorBar::draw1(QPainter* p) {
  const int h = height(), w = width();
  if (h <= 0 || w <= 0) return;
  // The ramp over the bar's own height: fraction 0 at the bottom, 1 at the top.
  GreyMap ramp = map_;
  ramp.minValue = 0.0;
  ramp.maxValue = 1.0;
  for (int i = 0; i < h; ++i) {
    const int g = ramp.index(static_cast<double>(i) / h);
    p->setPen(QColor(g, g, g));
    p->drawLine(0, h - 1 - i, w, h - 1 - i);
  }
  p->setPen(QColor(0, 192, 255));
  const int yu = static_cast<int>((1.0 - map_.upperMark) * h);
  const int yl = static_cast<int>((1.0 - map_.lowerMark) * h);
  p->drawLine(0, yu, w, yu);
  p->drawLine(0, yl, w, yl);

  p->setPen(QColor(0, 255, 192));
  const double len = 95.0;
  const double cx = w / 2.0;
  auto box = [&](double cy) { return QRectF(cx - len / 2.0, cy - w / 2.0, len, w); };
  textDrawer_.drawRotated(p, box(50.0), 90.0, sixDigits(map_.maxValue),
                          Qt::AlignLeft | Qt::AlignVCenter, 10.0);
  textDrawer_.drawRotated(p, box(h - 50.0), 90.0, sixDigits(map_.minValue),
                          Qt::AlignRight | Qt::AlignVCenter, 10.0);
  if (dragging_) {
    const double mark = dragUpper_ ? map_.upperMark : map_.lowerMark;
    const double v = map_.minValue + (map_.maxValue - map_.minValue) * mark;
    textDrawer_.drawRotated(p, box(h / 2.0), 90.0, sixDigits(v), Qt::AlignCenter, 10.0);
  }
}

void ColorBar::onMousePressed() {
  const int h = height();
  if (h <= 0) return;
  const double f = static_cast<double>(h - mouse()->y) / h;
  const double du = std::abs(f - map_.upperMark), dl = std::abs(f - map_.lowerMark);
  if (du < dl) {
    dragging_ = true;
    dragUpper_ = true;
  } else if (dl < du) {
    dragging_ = true;
    dragUpper_ = false;
  }
}

void ColorBar::onMouseMoved() {
  const int h = height();
  if (!dragging_ || !mouse()->pressed || h <= 0) return;
  const double f = static_cast<double>(h - mouse()->y) / h;
  (dragUpper_ ? map_.upperMark : map_.lowerMark) = f;
  update();
  emit newBar();
}

void ColorBar::onMouseReleased() {
  dragging_ = false;
  update();
}

void ColorBar::minVEdited() {
  if (!controls_) return;
  map_.minValue = ui_->CMinLE->text().toDouble();
  update();
  emit newBar();
}

void ColorBar::maxVEdited() {
  if (!controls_) return;
  map_.maxValue = ui_->CMaxLE->text().toDouble();
  update();
  emit newBar();
}
