#pragma once

// Slice series for the 3D view's widget tests, written as XYV text files (a grid
// of w x h values, X-NUM and Y-NUM one larger as the files of that kind count).

#include <QFile>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cmath>
#include <functional>

namespace view3dfixture {

using ValueFn = std::function<double(int x, int y, int k)>;

// n slices named <stem>000.xyv, <stem>001.xyv, ... in dir; empty if one cannot be written.
inline QStringList writeXyvSeries(const QTemporaryDir& dir, const QString& stem, int w, int h,
                                  int n, const ValueFn& fn) {
  QStringList files;
  for (int k = 0; k < n; ++k) {
    QByteArray t = "## 240301 generated\n# X-NUM " + QByteArray::number(w + 1) + "\n# Y-NUM " +
                   QByteArray::number(h + 1) + "\n";
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        t += QByteArray::number(x) + ' ' + QByteArray::number(y) + ' ' +
             QByteArray::number(fn(x, y, k), 'g', 17) + '\n';
    files << dir.filePath(QStringLiteral("%1%2.xyv").arg(stem).arg(k, 3, 10, QLatin1Char('0')));
    QFile f(files.last());
    if (!f.open(QIODevice::WriteOnly) || f.write(t) != t.size()) return {};
  }
  return files;
}

// A ball of value 2 inside a column of value 1 (through every slice) on a background of 0, with a
// bright bar along x so that turns are visible.
inline double ballInBox(int x, int y, int k, int w, int h, int n) {
  const double cx = x - w / 2.0 + 0.5, cy = y - h / 2.0 + 0.5, cz = k - n / 2.0 + 0.5;
  const double r = std::sqrt(cx * cx + cy * cy + cz * cz);
  if (r < 0.3 * std::min({w, h, n})) return 2.0;
  if (std::abs(cy) < 2 && std::abs(cz) < 2) return 3.0;
  if (std::abs(cx) < 0.4 * w && std::abs(cy) < 0.4 * h) return 1.0;
  return 0.0;
}

}  // namespace view3dfixture
