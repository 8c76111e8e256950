#include "widgets/ChCoord.h"

#include <algorithm>
#include <cmath>

ChCoord::ChCoord(QObject* parent) : QObject(parent) {}

void ChCoord::attachMouse(MouseC* mouse) {
  if (mouse_) disconnect(mouse_, nullptr, this, nullptr);
  mouse_ = mouse;
  if (!mouse) return;
  connect(mouse, &MouseC::mMoved, this, &ChCoord::mMoved);
  connect(mouse, &MouseC::mPressed, this, &ChCoord::mPressed);
  connect(mouse, &MouseC::mReleased, this, &ChCoord::mReleased);
  connect(mouse, &MouseC::mDClicked, this, &ChCoord::mDClicked);
  connect(mouse, &MouseC::wMoved, this, &ChCoord::wheelMoved);
}

void ChCoord::setScreenArea(double xFirst, double yFirst, double xSecond, double ySecond) {
  screenX_ = {xFirst, xSecond};
  screenY_ = {yFirst, ySecond};
  plotX_ = screenX_;
  plotY_ = screenY_;
}

void ChCoord::setPlotArea(double xFirst, double yFirst, double xSecond, double ySecond) {
  plotX_ = {xFirst, xSecond};
  plotY_ = {yFirst, ySecond};
}

void ChCoord::setPlotAreaFromMargins() {
  // The first end moves towards the second and the second towards the first,
  // whichever way round the screen range runs.
  const double ex = screenX_.extent(), ey = screenY_.extent();
  plotX_ = {screenX_.first + std::trunc(marginXFirst * ex),
            screenX_.second - std::trunc(marginXSecond * ex)};
  plotY_ = {screenY_.first + std::trunc(marginYFirst * ey),
            screenY_.second - std::trunc(marginYSecond * ey)};
}

void ChCoord::setDataRange(double xFirst, double yFirst, double xSecond, double ySecond) {
  setXRange(xFirst, xSecond);
  setYRange(yFirst, ySecond);
}

void ChCoord::setXRange(double first, double second) {
  dataX_ = keptX_ = {first, second};
  xSet_ = true;
}

void ChCoord::setYRange(double first, double second) {
  dataY_ = keptY_ = {first, second};
  ySet_ = true;
}

double ChCoord::toScreen(double v, const Range& data, const Range& plot) {
  const double d = data.extent();
  if (d == 0.0 || !std::isfinite(d)) return plot.first;
  return (v - data.first) * plot.extent() / d + plot.first;
}

double ChCoord::toData(double s, const Range& data, const Range& plot) {
  const double p = plot.extent();
  if (p == 0.0 || !std::isfinite(p)) return data.first;
  return (s - plot.first) * data.extent() / p + data.first;
}

double ChCoord::clampTo(double v, const Range& r) {
  const double lo = std::min(r.first, r.second), hi = std::max(r.first, r.second);
  return std::clamp(v, lo, hi);
}

double ChCoord::scaleLength(double len, const Range& from, const Range& to) {
  const double f = from.extent();
  if (f == 0.0 || !std::isfinite(f)) return 0.0;
  return len * to.extent() / f;
}

bool ChCoord::inEdge(double v, const Range& area, double fraction) {
  const double lo = std::min(area.first, area.second), hi = std::max(area.first, area.second);
  const double zone = fraction * (hi - lo);
  return (v >= lo && v <= lo + zone) || (v <= hi && v >= hi - zone);
}

ChCoord::Ticks ChCoord::ticks(double a, double b) {
  const double lo = std::min(a, b), hi = std::max(a, b);
  const double span = hi - lo;
  Ticks t;
  if (!(span > 0.0) || !std::isfinite(span) || !std::isfinite(lo)) {
    t.step = 1.0;
    t.first = t.last = std::isfinite(lo) ? lo : 0.0;
    return t;
  }
  double decade = std::pow(10.0, std::floor(std::log10(span)));
  double ratio = span / decade;
  // Rounding of log10 may put the ratio just outside 1..10.
  if (ratio >= 10.0) {
    decade *= 10.0;
    ratio /= 10.0;
  } else if (ratio < 1.0) {
    decade /= 10.0;
    ratio *= 10.0;
  }
  const int m = std::clamp(static_cast<int>(ratio), 1, 9);
  double factor;
  if (m <= 2) factor = 0.2;
  else if (m <= 4) factor = 0.5;
  else if (m <= 7) factor = 1.0;
  else factor = 2.0;
  t.step = decade * factor;
  t.first = std::ceil(lo / t.step) * t.step;
  t.last = std::floor(hi / t.step) * t.step;
  return t;
}

void ChCoord::clearScale() {
  xSet_ = ySet_ = false;
  dataX_ = keptX_ = {0.0, 0.0};
  dataY_ = keptY_ = {0.0, 0.0};
}

void ChCoord::mMoved() {
  if (!mouse_) return;
  const MouseC& m = *mouse_;
  emit nowPos(screenToDataX(m.x), screenToDataY(m.y));
  if (m.pressed && m.pressStat() == panBinding) {
    // Both shifts use the mapping before the pan, so the picture follows the
    // mouse; the kept range stays as the last zoom left it.
    const double dx = screenToDataX(m.prevX) - screenToDataX(m.x);
    const double dy = screenToDataY(m.prevY) - screenToDataY(m.y);
    dataX_.first += dx;
    dataX_.second += dx;
    dataY_.first += dy;
    dataY_.second += dy;
    emit updated();
  }
}

void ChCoord::mPressed() { emit updated(); }

void ChCoord::mDClicked() { emit updated(); }

void ChCoord::mReleased() {
  if (!mouse_) return;
  const MouseC& m = *mouse_;
  if (m.pressStat() == MouseC::R) {
    // A right click without a drag would collapse the range to nothing;
    // only a rectangle with extent on both axes zooms.
    if (m.pressX != m.releaseX && m.pressY != m.releaseY) {
      const bool pressIsLeft = m.pressX < m.releaseX;
      const int xs = pressIsLeft ? m.pressX : m.releaseX;
      const int xl = pressIsLeft ? m.releaseX : m.pressX;
      const int ysOfSmallerX = pressIsLeft ? m.pressY : m.releaseY;
      const int yOfLargerX = pressIsLeft ? m.releaseY : m.pressY;
      const double x0 = screenToDataX(xs), x1 = screenToDataX(xl);
      const double y0 = screenToDataY(yOfLargerX), y1 = screenToDataY(ysOfSmallerX);
      setDataRange(x0, y0, x1, y1);
    }
  }
  emit updated();
}

void ChCoord::wheelMoved(int step) {
  if (!wheelZoomOn || !mouse_) return;
  const double f = step >= 0 ? 1.0 / 1.1 : 1.1;
  const int mx = mouse_->x, my = mouse_->y;
  const bool edgeX = inInnerEdgeX(mx), edgeY = inInnerEdgeY(my);
  bool zoomX = true, zoomY = true;
  if (edgeX && !edgeY) zoomX = false;       // left or right zone: y only
  else if (edgeY && !edgeX) zoomY = false;  // top or bottom zone: x only
  if (zoomX) {
    const double c = screenToDataX(mx);
    setXRange((dataX_.first - c) * f + c, (dataX_.second - c) * f + c);
  }
  if (zoomY) {
    const double c = screenToDataY(my);
    setYRange((dataY_.first - c) * f + c, (dataY_.second - c) * f + c);
  }
  emit updated();
}
