#include "ct/CtRunMath.h"

#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

CtAngles ctAngles(const CtRunParams& p) {
  CtAngles a;
  a.dAngle =
      p.dataSetImages != 0 ? (p.dataSetRangeDeg / 180.0 * std::numbers::pi) / p.dataSetImages : 0.0;
  a.angle0 = p.startImageNo * a.dAngle + p.angleOriginDeg / 180.0 * std::numbers::pi;
  return a;
}

double interpolatedCor(const CtRunParams& p, int slice) {
  if (p.corSlice1 >= 0 && p.corSlice2 >= 0 && p.corSlice1 != p.corSlice2) {
    return p.cor1 + (p.cor2 - p.cor1) * (static_cast<double>(slice) - p.corSlice1) /
                        (static_cast<double>(p.corSlice2) - p.corSlice1);
  }
  return p.cor;
}

int runSliceStep(int from, int to, int step) {
  int magnitude =
      step == std::numeric_limits<int>::min() ? std::numeric_limits<int>::max() : std::abs(step);
  if (magnitude == 0) magnitude = 1;
  return from > to ? -magnitude : magnitude;
}

bool sliceInRange(const CtRunParams& p, int slice) {
  if (p.sliceFrom <= p.sliceTo) return p.sliceFrom <= slice && slice <= p.sliceTo;
  return p.sliceTo <= slice && slice <= p.sliceFrom;
}
