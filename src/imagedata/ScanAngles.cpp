#include "imagedata/ScanAngles.h"

#include <QDebug>
#include <algorithm>
#include <cmath>

#include "base/NamedLog.h"
#include "imagedata/ImgDataHdf5.h"
#include "imagedata/ImgDatas.h"

namespace {
QString num(double v) { return QString::number(v, 'g', 6); }
}  // namespace

QString compareScanAngles(const std::vector<double>& a, double rangeDeg, double originDeg,
                          bool& warn) {
  warn = false;
  const size_t n = a.size();
  if (n < 2) return {};
  const double step = (a[n - 1] - a[0]) / double(n - 1);
  double off = 0;
  for (size_t i = 0; i < n; ++i) off = std::max(off, std::fabs(a[i] - (a[0] + double(i) * step)));
  // A hundredth of a step is far below anything a reconstruction shows, and
  // far above the rounding of angles stored as 32-bit floats.
  const double tol = std::max(0.01 * std::fabs(step), 1e-9);
  const QString control =
      QStringLiteral("the processing control has range %1 deg and origin %2 deg")
          .arg(num(rangeDeg), num(originDeg));
  if (!(std::isfinite(off) && std::isfinite(step)) || step == 0 || off > tol) {
    warn = true;
    return QStringLiteral(
               "HDF5 angles are not evenly spaced: %1 projections from %2 to %3 deg, up to %4 "
               "deg off even steps; %5, which the reconstruction uses")
        .arg(n)
        .arg(num(a[0]), num(a[n - 1]), num(off), control);
  }
  const double range = step * double(n);
  const QString spaced = QStringLiteral(
                             "HDF5 angles: %1 projections evenly spaced by %2 deg from "
                             "%3 deg")
                             .arg(n)
                             .arg(num(step), num(a[0]));
  if (std::fabs(range - rangeDeg) <= tol && std::fabs(a[0] - originDeg) <= tol)
    return spaced +
           QStringLiteral(", range %1 deg, as the processing control says").arg(num(range));
  warn = true;
  return spaced + QStringLiteral(
                      " imply range %1 deg and origin %2 deg, but %3; the "
                      "reconstruction uses the processing control")
                      .arg(num(range), num(a[0]), control);
}

QString checkScanAngles(const ImgDatas& set, double rangeDeg, double originDeg) {
  std::vector<double> angles;
  angles.reserve(size_t(set.count()));
  for (int i = 0; i < set.count(); ++i) {
    const auto* f = dynamic_cast<const ImgDataHdf5*>(set.frame(i));
    if (!f || !f->hasAngle()) return {};
    angles.push_back(f->angleDeg());
  }
  bool warn = false;
  const QString text = compareScanAngles(angles, rangeDeg, originDeg, warn);
  if (text.isEmpty()) return {};
  const QString file = imageFilePath(set.frame(0)->filePath());
  if (warn)
    qWarning().noquote() << namedMessage(text, file);
  else
    logNamed(text, file);
  return text;
}
