#include "ct/FbpWorkspace.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <span>

#include "ct/HSgm.h"

// The filter weights are real and symmetric in frequency (the ramp
// min(k, N - k) * 2pi / N, its windows, the spectrum of the even spatial
// ramp), so the filtered row of a real row is real: a real-to-complex forward
// transform and a complex-to-real inverse give the result of the full
// complex transforms with half the work and half the spectrum memory.

FbpWorkspace::~FbpWorkspace() { release(); }

void FbpWorkspace::release() {
  if (forwardPlan_) fftw_destroy_plan(forwardPlan_);
  if (backwardPlan_) fftw_destroy_plan(backwardPlan_);
  forwardPlan_ = backwardPlan_ = nullptr;
  in1_.release();
  out1_.release();
  in2_.release();
  out2_.release();
  spectra_.release();
  filtered_.release();
  samples_.release();
}

void FbpWorkspace::setup(int n, int m, int rowCapacity, const FbpFilterChoice& filter) {
  m_ = m;
  if (n < 0) n = 0;
  const int capacity = std::max({m, rowCapacity, 0});
  if (n == n_ && capacity == capacity_ && filter == filter_ && (n == 0 || forwardPlan_)) return;

  const int length = n > 0 && filter.padding ? paddedLength(n) : n;
  const bool newSize = n != n_ || length != length_ || !forwardPlan_;
  // Another window on the same transform keeps the plans and the per-row
  // arrays; only the weights change.
  const bool newRows = newSize || capacity != capacity_;
  if (newSize) {
    release();
  } else if (newRows) {
    spectra_.release();
    filtered_.release();
    samples_.release();
  }
  n_ = n;
  length_ = length;
  filter_ = filter;
  capacity_ = capacity;
  spectrumLength_ = length / 2 + 1;
  weights_.clear();
  if (n == 0 || length == 0) {
    n_ = length_ = capacity_ = 0;
    return;
  }
  if (newSize) {
    in1_.allocate(length);
    out1_.allocate(spectrumLength_);
    in2_.allocate(spectrumLength_);
    out2_.allocate(length);
    forwardPlan_ = fftw_plan_dft_r2c_1d(length, in1_.get(), out1_.get(), FFTW_ESTIMATE);
    backwardPlan_ = fftw_plan_dft_c2r_1d(length, in2_.get(), out2_.get(), FFTW_ESTIMATE);
  }
  weights_ = filterWeights(filter, n);
  if (newRows) {
    spectra_.allocate(static_cast<std::size_t>(capacity_) * spectrumLength_);
    filtered_.allocate(static_cast<std::size_t>(capacity_) * n);
    samples_.allocate(static_cast<std::size_t>(capacity_) * sampleRowLength(n));
  }
  if (!forwardPlan_ || !backwardPlan_ ||
      (capacity_ > 0 && (!spectra_.get() || !filtered_.get() || !samples_.get())) ||
      static_cast<int>(weights_.size()) != spectrumLength_) {
    qWarning("FFT workspace: allocation failed for %d x %d", length, capacity_);
    release();
    n_ = length_ = capacity_ = 0;
  }
}

void FbpWorkspace::clearImage(int n) {
  if (n < 0) n = 0;
  imageN_ = n;
  const std::size_t count = static_cast<std::size_t>(n) * n;
  if (image_.size() == count)
    std::fill(image_.get(), image_.get() + count, 0.0);
  else
    image_.allocate(count);  // zero-filled
}

const double* FbpWorkspace::filtered(int j) const {
  return validRow(j) ? filtered_.get() + static_cast<std::size_t>(j) * n_ : nullptr;
}

const fftw_complex* FbpWorkspace::spectrum(int j) const {
  return validRow(j) ? spectra_.get() + static_cast<std::size_t>(j) * spectrumLength_ : nullptr;
}

void FbpWorkspace::forward(const double* row, int j) {
  if (!validRow(j) || !row) return;
  std::copy(row, row + n_, in1_.get());
  std::fill(in1_.get() + n_, in1_.get() + length_, 0.0);
  fftw_execute(forwardPlan_);
  std::memcpy(spectra_.get() + static_cast<std::size_t>(j) * spectrumLength_, out1_.get(),
              sizeof(fftw_complex) * spectrumLength_);
}

void FbpWorkspace::filter(int j) {
  if (!validRow(j)) return;
  const int n = n_;
  const fftw_complex* spectrum = spectra_.get() + static_cast<std::size_t>(j) * spectrumLength_;
  fftw_complex* in = in2_.get();
  const double* w = weights_.data();
  for (int k = 0; k < spectrumLength_; ++k) {
    in[k][0] = spectrum[k][0] * w[k];
    in[k][1] = spectrum[k][1] * w[k];
  }
  fftw_execute(backwardPlan_);
  // The inverse transform is unnormalised (a factor length). The padded
  // path's spatial ramp is that of unit sample spacing, and a slice is
  // pi / M times the sum of its filtered projections.
  const double nm = static_cast<double>(length_) * m_;
  const double s = nm >= 1.0 ? (filter_.padding ? std::numbers::pi / nm : 1.0 / nm) : 1.0;
  double* out = filtered_.get() + static_cast<std::size_t>(j) * n;
  const double* res = out2_.get();
  for (int k = 0; k < n; ++k) out[k] = res[k] * s;
  fillSamples(out, n, samples_.get() + static_cast<std::size_t>(j) * sampleRowLength(n));
}

void FbpWorkspace::backProject(int j, double x0, double x1, double y0, double y1, double angle0,
                               double dAngle) {
  if (validRow(j)) project(j, 1, FbpRegion{x0, y0, x1, y1}, angle0, dAngle);
  done_ = true;
}

void FbpWorkspace::forwardAll(const HSgm& sinogram) {
  if (!sinogram.hasData() || sinogram.width() < n_) return;
  const int rows = std::min(sinogram.rows(), capacity_);
  for (int r = 0; r < rows; ++r) forward(sinogram.sgmRow(r), r);
}

void FbpWorkspace::filterAll(int rows) {
  rows = std::min(rows, capacity_);
  for (int r = 0; r < rows; ++r) filter(r);
}

void FbpWorkspace::backProjectAll(int rows, const FbpRegion& region, double angle0, double dAngle) {
  rows = std::min(rows, capacity_);
  if (rows > 0 && n_ > 0) project(0, rows, region, angle0, dAngle);
  done_ = true;
}

namespace {
// Pixel bounds of a region edge: clamped (pixels outside the image are never
// inside the circle, so clamping keeps the same set) before conversion.
int clampedTrunc(double v, int n) {
  return static_cast<int>(std::trunc(std::clamp(v, -1.0, n + 1.0)));
}
int clampedCeil(double v, int n) {
  return static_cast<int>(std::ceil(std::clamp(v, -1.0, n + 1.0)));
}
}  // namespace

void FbpWorkspace::project(int first, int count, const FbpRegion& region, double angle0,
                           double dAngle) {
  const int n = n_;
  if (imageN_ != n || n < 2) return;
  if (std::isnan(region.x0) || std::isnan(region.x1) || std::isnan(region.y0) ||
      std::isnan(region.y1))
    return;
  // Nothing when y1 <= trunc(y0); rows trunc(y0) ... while y < y1.
  if (!(region.y1 > std::trunc(region.y0))) return;
  const double h = n * 0.5;
  const int yb = std::max(clampedTrunc(region.y0, n), 0);
  const int ye = std::min(clampedCeil(region.y1, n), n);
  const int xb = clampedTrunc(region.x0, n);
  const int xe = clampedCeil(region.x1, n);
  if (yb >= ye || xb >= xe) return;

  std::vector<int> xBegin(ye - yb), xEnd(ye - yb);
  for (int y = yb; y < ye; ++y) {
    int cs = 0, ce = 0;
    if (!circleChord(y, h, cs, ce)) cs = ce = 0;
    xBegin[y - yb] = std::max(cs, xb);
    xEnd[y - yb] = std::min(ce, xe);
  }

  // Projections whose angle is not finite reach no detector sample.
  std::vector<double> cosv, sinv;
  std::vector<const double*> samples;
  cosv.reserve(count);
  sinv.reserve(count);
  samples.reserve(count);
  const int rowLen = sampleRowLength(n);
  for (int j = first; j < first + count; ++j) {
    const double theta = angle0 + j * dAngle;
    const double c = std::cos(theta), s = std::sin(theta);
    if (!std::isfinite(c) || !std::isfinite(s)) continue;
    cosv.push_back(c);
    sinv.push_back(s);
    samples.push_back(samples_.get() + static_cast<std::size_t>(j) * rowLen + kSamplePad);
  }

  // Quarter-turn partners: the whole circle, every projection kept and a
  // whole number K of steps making a quarter turn (for 180 degrees in an
  // even number of steps, K is half of them).
  int quarterTurn = 0;
  const bool wholeCircle = yb <= 0 && ye >= n && xb <= 0 && xe >= n;
  if (wholeCircle && static_cast<int>(cosv.size()) == count && count >= 2 &&
      std::isfinite(dAngle) && dAngle != 0.0) {
    const double quarter = std::numbers::pi / 2;
    const double k = std::round(quarter / std::fabs(dAngle));
    if (k >= 1.0 && k < count && std::fabs(k * std::fabs(dAngle) - quarter) <= 1e-13)
      quarterTurn = static_cast<int>(k);
  }

  BackProjectTask task;
  task.image = image_.get();
  task.n = n;
  task.h = h;
  task.yBegin = yb;
  task.yEnd = ye;
  task.xBegin = xBegin.data();
  task.xEnd = xEnd.data();
  task.count = static_cast<int>(cosv.size());
  task.cosv = cosv.data();
  task.sinv = sinv.data();
  task.samples = samples.data();
  task.diffOffset = samplePlaneLength(n);
  task.quarterTurn = quarterTurn;
  task.turnSign = dAngle > 0.0 ? 1 : -1;
  runBackProjection(task, kernel_);
}

void FbpWorkspace::minMax() {
  if (!done_ || imageN_ != n_ || image_.size() == 0) return;
  min_ = std::numeric_limits<double>::max();
  max_ = -std::numeric_limits<double>::max();
  for (const double v : std::span(image_.get(), image_.size())) {
    if (v < min_) min_ = v;
    if (v > max_) max_ = v;
  }
}
