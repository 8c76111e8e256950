#include "ct/CtRunMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

#include "ct/SgmGeometry.h"

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

namespace {
// Floor and ceiling of a / b for b > 0.
long long floorDiv(long long a, long long b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }
long long ceilDiv(long long a, long long b) { return -floorDiv(-a, b); }
}  // namespace

SliceRangeOnDetector sliceRangeOnDetector(const CtRunParams& p, int slices) {
  SliceRangeOnDetector r;
  const long long from = p.sliceFrom, to = p.sliceTo;
  const long long step = p.sliceStep == 0 ? 1 : std::llabs(static_cast<long long>(p.sliceStep));
  const bool down = from > to;
  // Slice k of the range (k = 0 .. last) is from + k * step, or from - k * step downwards.
  const long long last = (down ? from - to : to - from) / step;
  r.asked = last + 1;
  // The k whose slice lies in 0 .. slices - 1.
  long long lo, hi;
  if (!down) {
    lo = ceilDiv(-from, step);
    hi = floorDiv(slices - 1 - from, step);
  } else {
    lo = ceilDiv(from - (slices - 1), step);
    hi = floorDiv(from, step);
  }
  lo = std::max(lo, 0LL);
  hi = std::min(hi, last);
  auto at = [&](long long k) { return static_cast<int>(down ? from - k * step : from + k * step); };
  if (slices > 0 && lo <= hi) {
    r.inside = hi - lo + 1;
    r.firstInside = at(lo);
    r.lastInside = at(hi);
  }
  if (r.inside == 0 || lo > 0)
    r.firstOutside = at(0);
  else if (hi < last)
    r.firstOutside = at(hi + 1);
  return r;
}

bool corUsable(int length, double cor) {
  if (!(std::floor(cor) > 0.0) || !(std::ceil(cor) < length)) return false;
  return (computeGeometry(true, length, cor).width & ~1) >= 2;
}
