#include "automation/I0Energy.h"

#include <QDebug>
#include <cmath>
#include <limits>

#include "base/NamedLog.h"

double i0EnergyOfPath(const QString& path) {
  const qsizetype last = path.lastIndexOf(QLatin1Char('-'));
  if (last < 0) {
    logNamed("No energy in the I0 file name (no \"-\") :", path);
    return std::numeric_limits<double>::quiet_NaN();
  }
  const qsizetype before = last > 0 ? path.lastIndexOf(QLatin1Char('-'), last - 1) : -1;
  const QString token = path.mid(before + 1, last - before - 1);
  qsizetype lastDigit = -1;
  for (qsizetype i = token.size() - 1; i >= 0; --i) {
    if (token[i].isDigit()) {
      lastDigit = i;
      break;
    }
  }
  bool ok = false;
  double value = 0.0;
  if (lastDigit >= 0) {
    QString number = token.left(lastDigit + 1);
    number.replace(QLatin1Char('_'), QLatin1Char('.'));
    value = number.toDouble(&ok);
  }
  if (!ok || !std::isfinite(value)) {
    logNamed("No energy in the I0 file name :", path);
    return std::numeric_limits<double>::quiet_NaN();
  }
  const QString unit = token.mid(lastDigit + 1);
  return unit.toUpper() == QLatin1String("KEV") ? value * 1000.0 : value;
}

int nearestEnergyIndex(const std::vector<double>& energies, double e) {
  int best = 0;
  double bestDiff = std::numeric_limits<double>::infinity();
  for (std::size_t i = 0; i < energies.size(); ++i) {
    const double d = std::abs(energies[i] - e);
    if (std::isnan(d)) continue;
    if (d < bestDiff) {
      bestDiff = d;
      best = static_cast<int>(i);
    }
  }
  return best;
}
