#pragma once

// Statistics of one reconstructed slice over its reconstruction circle.
//
// The circle is the inscribed circle of the saved grid: centre (w / 2, h / 2),
// radius min(w, h) / 2, and pixel (x, y) counts when
//   sqrt((x - w / 2)^2 + (y - h / 2)^2) < min(w, h) / 2.
// For a slice saved over the whole reconstruction (region 0, 0 - N, N) this
// is exactly the set of pixels the back-projector fills; the file does not
// carry N, so for a smaller saved region the grid's own circle is used.

#include <QtGlobal>

struct CtDataGrid;

struct SliceStats {
  qint64 pixels = 0;     // finite values inside the circle
  qint64 nonFinite = 0;  // NaN or infinite values inside the circle, left out
  // NaN when pixels is 0.
  double min = 0, max = 0, mean = 0;
  double std = 0;  // population standard deviation (divided by pixels)
};

bool insideReconstructionCircle(int x, int y, int width, int height);

// values: height rows of width doubles, row-major.
SliceStats sliceStats(const double* values, int width, int height);
SliceStats sliceStats(const CtDataGrid& grid);
