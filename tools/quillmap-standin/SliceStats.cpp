#include "SliceStats.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "output/CtDataFile.h"

bool insideReconstructionCircle(int x, int y, int width, int height) {
  if (width <= 0 || height <= 0) return false;
  const double cx = width * 0.5, cy = height * 0.5;
  const double r = std::min(width, height) * 0.5;
  return std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy)) < r;
}

SliceStats sliceStats(const double* values, int width, int height) {
  SliceStats s;
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (!values || width <= 0 || height <= 0) {
    s.min = s.max = s.mean = s.std = nan;
    return s;
  }
  // Two passes (sum, then squared deviations from the mean) keep the
  // deviation accurate when the values sit on a large offset.
  double sum = 0, mn = std::numeric_limits<double>::infinity(), mx = -mn;
  for (int y = 0; y < height; ++y) {
    const double* row = values + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (!insideReconstructionCircle(x, y, width, height)) continue;
      const double v = row[x];
      if (!std::isfinite(v)) {
        ++s.nonFinite;
        continue;
      }
      ++s.pixels;
      sum += v;
      mn = std::min(mn, v);
      mx = std::max(mx, v);
    }
  }
  if (s.pixels == 0) {
    s.min = s.max = s.mean = s.std = nan;
    return s;
  }
  const double mean = sum / double(s.pixels);
  double dev = 0;
  for (int y = 0; y < height; ++y) {
    const double* row = values + static_cast<std::size_t>(y) * width;
    for (int x = 0; x < width; ++x) {
      if (!insideReconstructionCircle(x, y, width, height)) continue;
      const double v = row[x];
      if (std::isfinite(v)) dev += (v - mean) * (v - mean);
    }
  }
  s.min = mn;
  s.max = mx;
  s.mean = mean;
  s.std = std::sqrt(dev / double(s.pixels));
  return s;
}

SliceStats sliceStats(const CtDataGrid& grid) {
  if (grid.width <= 0 || grid.height <= 0 ||
      grid.values.size() < static_cast<std::size_t>(grid.width) * grid.height)
    return sliceStats(nullptr, 0, 0);
  return sliceStats(grid.values.data(), grid.width, grid.height);
}
