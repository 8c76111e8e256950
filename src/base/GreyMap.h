#pragma once

#include <cmath>
#include <cstdint>

// The colour bar's mapping from a data value to an 8-bit grey index, as a
// plain value so that renderers on any thread can use a copy of it.
//
//   t = (v - minValue) / (maxValue - minValue)
//   u = (t - lowerMark) * 256 / (upperMark - lowerMark)
//   index = trunc(clamp(u, 0, 255))
//
// Equal minimum and maximum, and any value that yields NaN, map to 0 (black).
struct GreyMap {
  double minValue = 0.0;
  double maxValue = 1.0;
  double lowerMark = 0.0;  // fractions of the bar height, from the bottom
  double upperMark = 1.0;
  bool fixed = false;      // the bar's "Fix" box: owners keep minValue/maxValue

  int index(double v) const {
    if (maxValue == minValue) return 0;
    const double t = (v - minValue) / (maxValue - minValue);
    const double u = (t - lowerMark) * 256.0 / (upperMark - lowerMark);
    if (!(u > 0.0)) return 0;  // also NaN
    if (u >= 255.0) return 255;
    return static_cast<int>(u);
  }

  // Owners that render data call this with the data's own range; it does
  // nothing while the bar is fixed.
  void takeRange(double min, double max) {
    if (fixed) return;
    minValue = min;
    maxValue = max;
  }

  void mapRow(const double* values, int n, std::uint8_t* out) const {
    for (int i = 0; i < n; ++i) out[i] = static_cast<std::uint8_t>(index(values[i]));
  }
};
