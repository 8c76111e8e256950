#include "ct/OutlierRemoval.h"

#include <algorithm>
#include <cstddef>
#include <vector>

// The median of a 3 x 3 neighbourhood whose three columns are each sorted
// (low, middle, high) is the median of three values: the largest low, the
// median of the middles and the smallest high. Sorting every column once
// serves the three neighbourhoods that share it, and the rest is min and max
// over arrays, which the compiler vectorises.

namespace {
inline double med3(double a, double b, double c) {
  return std::max(std::min(a, b), std::min(std::max(a, b), c));
}
}  // namespace

void removeOutliersLine(const double* above, const double* line, const double* below, int length,
                        double threshold, double* out) {
  if (!line || !out || length <= 0) return;
  if (!(threshold > 0.0)) {
    std::copy(line, line + length, out);
    return;
  }
  if (!above) above = line;
  if (!below) below = line;
  // Sorted columns, with the edge columns repeated on either side.
  thread_local std::vector<double> lo, mid, hi;
  lo.resize(length + 2);
  mid.resize(length + 2);
  hi.resize(length + 2);
  for (int x = 0; x < length; ++x) {
    const double a = above[x], b = line[x], c = below[x];
    const double l = std::min(a, b), h = std::max(a, b);
    lo[x + 1] = std::min(l, c);
    hi[x + 1] = std::max(h, c);
    mid[x + 1] = std::max(l, std::min(h, c));
  }
  lo[0] = lo[1];
  mid[0] = mid[1];
  hi[0] = hi[1];
  lo[length + 1] = lo[length];
  mid[length + 1] = mid[length];
  hi[length + 1] = hi[length];
  for (int x = 0; x < length; ++x) {
    const double maxLo = std::max(std::max(lo[x], lo[x + 1]), lo[x + 2]);
    const double minHi = std::min(std::min(hi[x], hi[x + 1]), hi[x + 2]);
    const double medMid = med3(mid[x], mid[x + 1], mid[x + 2]);
    const double median = med3(maxLo, medMid, minHi);
    out[x] = line[x] - median > threshold ? median : line[x];
  }
}

void removeOutliers(const double* image, int width, int height, double threshold, double* out) {
  if (!image || !out || width <= 0 || height <= 0) return;
  for (int y = 0; y < height; ++y) {
    const double* row = image + static_cast<std::size_t>(y) * width;
    removeOutliersLine(y > 0 ? row - width : nullptr, row, y + 1 < height ? row + width : nullptr,
                       width, threshold, out + static_cast<std::size_t>(y) * width);
  }
}
