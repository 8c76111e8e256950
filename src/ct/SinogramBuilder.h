#pragma once

#include <vector>

#include "ct/HSgm.h"
#include "ct/SgmGeometry.h"

class ImgData;

// Linear interpolation at x between (x0, y0) and (x1, y1); the mean of the
// two values when x1 == x0.
inline double interpolate(double x, double x0, double y0, double x1, double y1) {
  if (x1 == x0) return (y0 + y1) / 2.0;
  return (x - x0) * (y1 - y0) / (x1 - x0) + y0;
}

// Resamples a detector line of `length` values so that the centre of rotation
// lands on output index half - 1: out[k + half - 1] for k = 1 - half ...
// half - 1 is the line interpolated at corInt + k + corFrac. out receives
// max(0, window.width) values; samples outside the line read as 0.
void centredLine(const double* line, int length, double* out, const SgmGeometry& window);

// The frames a sinogram is built from. Frames are only read (row/column with
// the caller's buffer), so several threads may build from one source at once.
struct SinogramSource {
  std::vector<const ImgData*> frames;
  const ImgData* i0 = nullptr;
  const ImgData* bg = nullptr;
  int width = 0;  // frame size of the set
  int height = 0;
};

// The processing parameters a sinogram depends on.
struct SinogramParams {
  bool rotAxIsV = true;
  double cor = 0.0;
  int slice = 0;
  double dataSetRangeDeg = 180.0;
  bool usePartial = false;
  int startImageNo = 0;
  int usingImages = 0;
  // Bright outliers in the projections: a raw value above the median of its
  // 3 x 3 neighbourhood by more than this is replaced by that median before
  // the line is resampled (0: off).
  double outlierThreshold = 0.0;
  // At most this many pixels on each side of the CoR (0: as many as the
  // detector has), so that slices of nearby centres share one width.
  int halfLimit = 0;
};

// Detector size across the rotation axis.
int detectorLength(const SinogramSource& src, bool rotAxIsV);

// First frame used: the partial start when partial and 0 <= start < n, else 0.
int firstImage(const SinogramParams& p, int frameCount);

// Rows of a sinogram, one per frame used: |usingImages| of a partial data
// set, else every frame. The reconstruction scales by 1 / (N x rows).
int sinogramRows(const SinogramParams& p, int frameCount);

// Reads the line of a frame at a slice (row for a vertical axis, column for a
// horizontal one) into line, which is resized to hold what the frame writes.
// Returns the frame's values, or null for a null frame.
const double* frameLine(const ImgData* frame, bool rotAxIsV, int slice, std::vector<double>& line);

// The geometry of a sinogram of p's centre on a detector line of `length`,
// with p's half limit applied.
SgmGeometry sinogramGeometry(const SinogramParams& p, int length);

// Builds the slice's sinogram into out: rows of resampled raw intensities and
// their attenuation ln((I0 - BG) / (raw - BG)), with non-positive differences
// replaced by 1.0. A CoR whose floor is <= 0 or whose ceiling reaches the
// detector length, or an empty frame list, leaves out untouched. Uses only
// buffers of its own, so it may run on several threads at once.
void buildSinogram(const SinogramSource& src, const SinogramParams& p, HSgm& out);
// The same with the window on the detector line worked out by the caller (a
// run works it out once for all its slices); p.cor only decides, as above,
// whether there is a sinogram at all.
void buildSinogram(const SinogramSource& src, const SinogramParams& p, const SgmGeometry& g,
                   HSgm& out);
