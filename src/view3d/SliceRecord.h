#pragma once

// One loaded slice of a 3D slice series: its grid size, where it came from and
// its values, stored contiguously row by row (one double per pixel), so that the
// renderer reads a slice as a plain array.

#include <QImage>
#include <vector>

struct SliceRecord {
  int width = 0, height = 0;
  bool isImage = false;
  QImage image;  // the picture the slice was read from, when it was one
  double minimum = 0, maximum = 0;
  std::vector<double> values;  // row-major, values[y * width + x]

  double value(int x, int y) const { return values[size_t(y) * size_t(width) + size_t(x)]; }
  const double* row(int y) const { return values.data() + size_t(y) * size_t(width); }
};
