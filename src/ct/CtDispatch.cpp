#include "ct/CtDispatch.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "ct/CtRunMath.h"

namespace {
// currentSlice + step without wrapping around the int range: a saturated
// value lies outside every range that ends short of the limit.
int advance(int slice, int step) {
  const long long next = static_cast<long long>(slice) + step;
  if (next > std::numeric_limits<int>::max()) return std::numeric_limits<int>::max();
  if (next < std::numeric_limits<int>::min()) return std::numeric_limits<int>::min();
  return static_cast<int>(next);
}
}  // namespace

double runProgressPercent(const CtRunParams& p, int busy) {
  const bool descending = p.sliceFrom > p.sliceTo;
  const long long magnitude = std::llabs(static_cast<long long>(p.sliceStep));
  const long long s = magnitude >= 2 ? magnitude : 1;
  const long long travelled = descending ? static_cast<long long>(p.sliceFrom) - p.currentSlice
                                         : static_cast<long long>(p.currentSlice) - p.sliceFrom;
  const long long span = descending ? static_cast<long long>(p.sliceFrom) - p.sliceTo
                                    : static_cast<long long>(p.sliceTo) - p.sliceFrom;
  const long long done = travelled / s - busy + 1;
  const long long total = span / s + 1;
  const double percent = std::trunc(static_cast<double>(done) / total * 1000.0) / 10.0;
  return std::clamp(percent, 0.0, 100.0);
}

CtDispatchResult dispatchSlices(CtRunParams& p, int workerCount,
                                const std::function<bool(int)>& claim,
                                const std::function<void(int, int)>& start,
                                const std::function<bool(int)>& busy) {
  CtDispatchResult r;
  const int usable = std::max(0, std::min(p.threads, workerCount));
  for (int i = 0; i < usable; ++i) {
    if (!sliceInRange(p, p.currentSlice)) break;
    if (!claim(i)) continue;
    start(i, p.currentSlice);
    p.currentSlice = advance(p.currentSlice, p.sliceStep);
    ++r.started;
  }
  for (int i = 0; i < usable; ++i)
    if (busy(i)) ++r.busy;
  r.percent = runProgressPercent(p, r.busy);
  r.finished = usable == 0 || (!sliceInRange(p, p.currentSlice) && r.busy == 0);
  return r;
}
