#pragma once

// Plain, literal implementations of the filter and the back-projection,
// written straight from the formulas and kept deliberately simple. Tests and
// the benchmark compare the production code against them.

#include <fftw3.h>

#include <cmath>
#include <numbers>
#include <vector>

namespace fbpref {

// Ramp filter of one row of n values through full complex DFTs:
// in2[k] = X[k] * k d and in2[n-1-k] = X[n-1-k] * (k+1) d for k < n/2,
// inverse, real part times 1 / (n m) (1.0 when n m < 1).
inline std::vector<double> filterRow(const double* row, int n, int m) {
  std::vector<double> out(n, 0.0);
  if (n < 2) return out;
  fftw_complex* in1 = fftw_alloc_complex(n);
  fftw_complex* out1 = fftw_alloc_complex(n);
  fftw_complex* in2 = fftw_alloc_complex(n);
  fftw_complex* out2 = fftw_alloc_complex(n);
  fftw_plan fwd = fftw_plan_dft_1d(n, in1, out1, FFTW_FORWARD, FFTW_ESTIMATE);
  fftw_plan bwd = fftw_plan_dft_1d(n, in2, out2, FFTW_BACKWARD, FFTW_ESTIMATE);
  for (int k = 0; k < n; ++k) {
    in1[k][0] = row[k];
    in1[k][1] = 0.0;
    in2[k][0] = in2[k][1] = 0.0;
  }
  fftw_execute(fwd);
  const double d = 2.0 * std::numbers::pi / n;
  const int h = n / 2;
  for (int k = 0; k < h; ++k) {
    in2[k][0] = out1[k][0] * (k * d);
    in2[k][1] = out1[k][1] * (k * d);
    in2[n - 1 - k][0] = out1[n - 1 - k][0] * ((k + 1) * d);
    in2[n - 1 - k][1] = out1[n - 1 - k][1] * ((k + 1) * d);
  }
  fftw_execute(bwd);
  const double s = (static_cast<double>(n) * m >= 1.0) ? 1.0 / (static_cast<double>(n) * m) : 1.0;
  for (int k = 0; k < n; ++k) out[k] = out2[k][0] * s;
  fftw_destroy_plan(fwd);
  fftw_destroy_plan(bwd);
  fftw_free(in1);
  fftw_free(out1);
  fftw_free(in2);
  fftw_free(out2);
  return out;
}

// Adds one projection (filtered row f of n values, angle theta) into the
// n x n row-major image over [x0, x1) x [y0, y1).
inline void backProject(std::vector<double>& image, int n, const double* f, double x0, double x1,
                        double y0, double y1, double theta) {
  const double c = std::cos(theta), s = std::sin(theta), h = n * 0.5;
  if (!(y1 > std::trunc(y0))) return;
  for (int y = static_cast<int>(std::trunc(y0)); y < y1; ++y) {
    for (int x = static_cast<int>(std::trunc(x0)); x < x1; ++x) {
      if (!(std::sqrt((x - h) * (x - h) + (y - h) * (y - h)) < h)) continue;
      const double t = (x - h) * c - (y - h) * s + h;
      const int i = static_cast<int>(std::floor(t));
      if (!(0 <= i && i < n - 1)) continue;
      image[static_cast<std::size_t>(y) * n + x] += f[i] + (t - i) * (f[i + 1] - f[i]);
    }
  }
}

// All rows of a slice: rows filtered rows of n values each, contiguous.
inline void backProjectAll(std::vector<double>& image, int n, const double* filtered, int rows,
                           double x0, double x1, double y0, double y1, double angle0,
                           double dAngle) {
  for (int j = 0; j < rows; ++j)
    backProject(image, n, filtered + static_cast<std::size_t>(j) * n, x0, x1, y0, y1,
                angle0 + j * dAngle);
}

}  // namespace fbpref
