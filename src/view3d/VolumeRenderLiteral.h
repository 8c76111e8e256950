#pragma once

// Reference painter of a set's volume: the ray casting written out sample by
// sample and every pixel painted with QPainter::drawPoint and a pen of its colour,
// single-threaded. Used by the tests and the benchmark to check the production
// renderer pixel for pixel.

#include <QPainter>
#include <QPen>
#include <cmath>

#include "view3d/VolumeRender.h"

inline void paintVolumeLiteral(QPainter& painter, const SliceSeries& series,
                               const SliceSetStyle& style, const ViewState& view) {
  const int n = int(series.slices.size());
  const int w = series.width, h = series.height;
  if (n == 0 || w <= 0 || h <= 0) return;
  const Vec3 ex = view.ex, ey = view.ey, ez = view.ez, M = view.m;
  if (ez.z == 0) return;  // looking along the slices: no volume
  double low, high;
  valueWindow(style, &low, &high);
  const Vec3 N = style.sectionNormal;
  const double s = style.slider / 100.0 * n;
  const double sLow = s - sectionBand(N, ez);
  const bool useSection = style.showSection;
  const int W = view.width, H = view.height;
  for (int j = 0; j < H; ++j) {
    for (int i = 0; i < W; ++i) {
      const double a = i - W / 2.0, b = j - H / 2.0;
      Vec3 P;
      P.x = M.x + view.scale * (a * ex.x + b * ey.x);
      P.y = M.y + view.scale * (a * ex.y + b * ey.y);
      P.z = M.z + view.scale * (a * ex.z + b * ey.z);
      double m = 0, sectionValue = 0, sectionDepth = -HUGE_VAL;
      for (int k = 0; k < n; ++k) {
        const double t = (k - n / 2.0 - P.z) / ez.z;
        Vec3 Q;
        Q.x = P.x + t * ez.x;
        Q.y = P.y + t * ez.y;
        Q.z = P.z + t * ez.z;
        const double fx = Q.x + w / 2.0, fy = Q.y + h / 2.0;
        if (!(fx > -1 && fx < w && fy > -1 && fy < h)) continue;  // outside the slice
        const int px = int(fx), py = int(fy);
        const double v = series.slices[size_t(k)].value(px, py);
        double u = (v - low) / (high - low) * 256;
        if (u < 0 || u > 255) u = 0;
        if (useSection) {
          const double d = Q.x * N.x + Q.y * N.y + Q.z * N.z;
          if (d >= s) continue;
          if (d >= sLow && d >= sectionDepth) {
            sectionValue = u;
            sectionDepth = d;
          }
        }
        if (u > m) m = u;
      }
      QColor c;
      double q;
      if (useSection && sectionValue > 0) {
        c = style.sectionColor;
        q = sectionValue;
      } else if (m > 0) {
        c = style.volumeColor;
        q = m;
      } else {
        continue;
      }
      const QColor pen(shadeChannel(c.red(), q), shadeChannel(c.green(), q),
                       shadeChannel(c.blue(), q), std::clamp(style.opacity, 0, 255));
      painter.setPen(QPen(pen));
      painter.drawPoint(i, j);
    }
  }
}

// The whole picture with the reference volume painter.
inline QImage renderPictureLiteral(const std::vector<SliceSetInput>& sets, const ViewState& view) {
  QImage picture(view.width, view.height, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&picture);
  p.fillRect(QRect(0, 0, view.width, view.height), Qt::white);
  for (const auto& set : sets) {
    const SliceSeries& s = *set.series;
    if (s.width <= 0 || s.height <= 0 || s.slices.empty()) continue;
    if (set.style.showFrame) paintFrame(p, s, set.style, view, false);
    if (set.style.showVolume) paintVolumeLiteral(p, s, set.style, view);
    if (set.style.showFrame) paintFrame(p, s, set.style, view, true);
  }
  p.end();
  return picture;
}
