#pragma once

#include <fftw3.h>

#include <vector>

#include "ct/BackProjector.h"
#include "ct/FbpFilter.h"
#include "ct/FftwBuffer.h"

class HSgm;

// Calculation region [x0, x1) x [y0, y1) in image pixels.
struct FbpRegion {
  double x0 = 0.0, y0 = 0.0, x1 = 0.0, y1 = 0.0;
};

// The filtered back-projection work arrays of one reconstruction worker: FFT
// buffers and plans for rows of length N, per-row spectra and ramp-filtered
// rows, and the N x N image they are back-projected into. Not shared between
// threads; setup() creates FFTW plans and so must run on the GUI thread.
//
// Rows: the filter scales by 1 / (N x M) with M the frame count given to
// setup, but a partial data set may use more sinogram rows than there are
// frames. setup therefore takes a row capacity as well (at least M) and the
// per-row operations do nothing for a row index outside [0, capacity), so
// they can never write past the per-row arrays.
//
// Filter: by default the ramp sampled in frequency on rows of N samples,
// scaled by 1 / (N x M). A window multiplies the ramp; with padding each row
// is zero-padded to paddedLength(N) samples, filtered with the
// spatial-domain ramp and cropped back to N, scaled by pi / (length x M), so
// that a slice reads in attenuation per pixel.
class FbpWorkspace {
 public:
  FbpWorkspace() = default;
  ~FbpWorkspace();
  FbpWorkspace(const FbpWorkspace&) = delete;
  FbpWorkspace& operator=(const FbpWorkspace&) = delete;

  // Stores M; re-allocates when N, the transform length or the row capacity
  // max(M, rowCapacity) changed, and re-computes the weights when the filter
  // changed. Plans are re-created only when N or the transform length
  // changed.
  void setup(int n, int m, int rowCapacity = 0, const FbpFilterChoice& filter = {});
  // Makes the image n x n zeros (n should equal the workspace's N; a
  // different size is kept but never back-projected into).
  void clearImage(int n);
  // Transforms the first N values of row into the spectrum of row j.
  void forward(const double* row, int j);
  // Ramp-filters the spectrum of row j and transforms it back, scaled.
  void filter(int j);
  // Adds projection j at angle0 + j * dAngle into the image over the region
  // [x0, x1) x [y0, y1), inside the inscribed circle; sets done.
  void backProject(int j, double x0, double x1, double y0, double y1, double angle0, double dAngle);
  // When done and the image is N x N: the image's min and max.
  void minMax();

  // A whole slice: the sgm rows of a sinogram (refused when its rows are
  // shorter than N), then filter and back-projection of rows 0 .. rows - 1
  // (limited to the row capacity), with the projections blocked for speed.
  void forwardAll(const HSgm& sinogram);
  void filterAll(int rows);
  void backProjectAll(int rows, const FbpRegion& region, double angle0, double dAngle);

  // Forces a back-projection kernel (Auto: the environment's or the best).
  void setKernel(FbpKernel kernel) { kernel_ = kernel; }
  FbpKernel kernel() const { return resolveFbpKernel(kernel_); }

  int n() const { return n_; }
  // Samples per transform: N, or the padded length.
  int transformLength() const { return length_; }
  const FbpFilterChoice& filterChoice() const { return filter_; }
  int projections() const { return m_; }
  int rowCapacity() const { return capacity_; }
  bool done() const { return done_; }
  double min() const { return min_; }
  double max() const { return max_; }
  int imageSize() const { return imageN_; }
  const double* image() const { return image_.get(); }
  const double* imageRow(int y) const { return image_.get() + static_cast<long long>(y) * imageN_; }
  double* imageRow(int y) { return image_.get() + static_cast<long long>(y) * imageN_; }
  // Filtered row j (N values), or null outside the capacity.
  const double* filtered(int j) const;
  // Spectrum of row j: the length / 2 + 1 non-negative frequencies of a real
  // row.
  const fftw_complex* spectrum(int j) const;

 private:
  void release();
  bool validRow(int j) const { return n_ > 0 && j >= 0 && j < capacity_; }
  void project(int first, int count, const FbpRegion& region, double angle0, double dAngle);

  int n_ = 0;
  int m_ = 0;
  int capacity_ = 0;
  int length_ = 0;          // transform length: N, or N padded
  int spectrumLength_ = 0;  // length / 2 + 1
  FbpFilterChoice filter_;
  std::vector<double> weights_;  // filter weight of each of the spectrumLength_ frequencies
  FftwBuffer<double> in1_;
  FftwBuffer<fftw_complex> out1_;
  FftwBuffer<fftw_complex> in2_;
  FftwBuffer<double> out2_;
  fftw_plan forwardPlan_ = nullptr;
  fftw_plan backwardPlan_ = nullptr;
  FftwBuffer<fftw_complex> spectra_;  // capacity x (N / 2 + 1)
  FftwBuffer<double> filtered_;       // capacity x N
  FftwBuffer<double> samples_;        // capacity x sampleRowLength(N)
  FftwBuffer<double> image_;
  int imageN_ = 0;
  bool done_ = false;
  double min_ = 0.0;
  double max_ = 0.0;
  FbpKernel kernel_ = FbpKernel::Auto;
};
