#include "ct/SgmGeometry.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace {
// floor() as an int without undefined behaviour for huge or NaN values.
int floorToInt(double v) {
  if (!(v == v)) return 0;
  const double f = std::floor(v);
  if (f >= static_cast<double>(std::numeric_limits<int>::max()))
    return std::numeric_limits<int>::max();
  if (f <= static_cast<double>(std::numeric_limits<int>::min()))
    return std::numeric_limits<int>::min();
  return static_cast<int>(f);
}
}  // namespace

SgmGeometry computeGeometry(bool rotAxIsV, int length, double cor) {
  SgmGeometry g;
  g.rotAxIsV = rotAxIsV;
  g.cor = cor;
  g.half = floorToInt(std::min(cor, length - cor - 1.0));
  // Keep 2 * half - 1 inside int range for absurd inputs.
  g.half = std::clamp(g.half, -(1 << 29), 1 << 29);
  g.width = 2 * g.half - 1;
  g.corInt = floorToInt(cor);
  g.corFrac = cor - g.corInt;
  return g;
}
