#include "ct/SinogramBuilder.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <thread>

#include "ct/OutlierRemoval.h"
#include "imagedata/ImgData.h"

void centredLine(const double* line, int length, double* out, const SgmGeometry& g) {
  if (g.width <= 0) return;
  const long long first = static_cast<long long>(g.corInt) + 1 - g.half;
  const long long last = static_cast<long long>(g.corInt) + g.half;  // highest p + 1
  if (first < 0 || last >= length) {
    // Only reached for a geometry that does not fit the line: read outside
    // samples as 0.
    auto sample = [&](long long i) { return (i >= 0 && i < length) ? line[i] : 0.0; };
    for (int k = 1 - g.half; k <= g.half - 1; ++k) {
      const long long p = static_cast<long long>(g.corInt) + k;
      const double x0 = static_cast<double>(p);
      out[k + g.half - 1] = interpolate(x0 + g.corFrac, x0, sample(p), x0 + 1.0, sample(p + 1));
    }
    return;
  }
  // The points are whole pixels p and p + 1, so x1 - x0 is exactly 1 and the
  // division of the interpolation drops out without changing a bit.
  const double* src = line + first;
  const double frac = g.corFrac;
  const double base = static_cast<double>(first);
  for (int o = 0; o < g.width; ++o) {
    const double x0 = base + o;
    out[o] = ((x0 + frac) - x0) * (src[o + 1] - src[o]) + src[o];
  }
}

int detectorLength(const SinogramSource& src, bool rotAxIsV) {
  return rotAxIsV ? src.width : src.height;
}

int firstImage(const SinogramParams& p, int frameCount) {
  if (!p.usePartial) return 0;
  if (p.startImageNo < 0 || p.startImageNo >= frameCount) return 0;
  return p.startImageNo;
}

const double* frameLine(const ImgData* frame, bool rotAxIsV, int slice, std::vector<double>& line) {
  if (!frame) return nullptr;
  const int size = rotAxIsV ? frame->width() : frame->height();
  if (size <= 0) return nullptr;
  if (line.size() < static_cast<std::size_t>(size)) line.resize(size);
  return rotAxIsV ? frame->row(slice, line.data()) : frame->column(slice, line.data());
}

SgmGeometry sinogramGeometry(const SinogramParams& p, int length) {
  SgmGeometry g = computeGeometry(p.rotAxIsV, length, p.cor);
  if (p.halfLimit > 0 && g.half > p.halfLimit) {
    g.half = p.halfLimit;
    g.width = 2 * g.half - 1;
  }
  return g;
}

namespace {

// Line buffers of one thread.
struct LineBuffers {
  std::vector<double> line, padded, above, below, cleaned;
};

// The resampled line of a frame, or zeros everywhere when the frame is
// absent. The frame may be shorter than the detector length: the missing
// samples read as 0. With outliers on, the frame's lines on either side of
// the slice (where the frame has them) are read as well and the slice's line
// is cleaned before it is resampled.
void resampledLine(const ImgData* frame, const SinogramParams& p, int length, const SgmGeometry& g,
                   LineBuffers& buf, double* out, bool outliers = false) {
  const int w = std::max(0, g.width);
  const double* line = frameLine(frame, p.rotAxIsV, p.slice, buf.line);
  if (!line) {
    std::fill(out, out + w, 0.0);
    return;
  }
  const int size = p.rotAxIsV ? frame->width() : frame->height();
  if (outliers) {
    const int lines = p.rotAxIsV ? frame->height() : frame->width();
    const double* above = p.slice - 1 >= 0 && p.slice - 1 < lines
                              ? frameLine(frame, p.rotAxIsV, p.slice - 1, buf.above)
                              : nullptr;
    const double* below = p.slice + 1 >= 0 && p.slice + 1 < lines
                              ? frameLine(frame, p.rotAxIsV, p.slice + 1, buf.below)
                              : nullptr;
    buf.cleaned.resize(size);
    removeOutliersLine(above, line, below, size, p.outlierThreshold, buf.cleaned.data());
    line = buf.cleaned.data();
  }
  if (size < length) {
    buf.padded.assign(length, 0.0);
    std::copy(line, line + size, buf.padded.begin());
    line = buf.padded.data();
  }
  centredLine(line, length, out, g);
}

}  // namespace

int sinogramRows(const SinogramParams& p, int frameCount) {
  const int count = p.usePartial ? p.usingImages : frameCount;
  return count == std::numeric_limits<int>::min() ? 0 : std::abs(count);
}

void buildSinogram(const SinogramSource& src, const SinogramParams& p, HSgm& out) {
  buildSinogram(src, p, sinogramGeometry(p, detectorLength(src, p.rotAxIsV)), out);
}

void buildSinogram(const SinogramSource& src, const SinogramParams& p, const SgmGeometry& g,
                   HSgm& out) {
  const int length = detectorLength(src, p.rotAxIsV);
  if (!(std::floor(p.cor) > 0.0) || !(std::ceil(p.cor) < length)) return;
  const int n = static_cast<int>(src.frames.size());
  // Without frames there is nothing to take rows from (and the partial
  // switch would take a frame index modulo 0).
  if (n == 0) return;

  out.setSlice(p.slice);
  const int start = firstImage(p, n);
  const int rows = sinogramRows(p, n);

  // A CoR next to the far edge has no pixel on both sides (width -1): the
  // record is then 2 wide and holds zeros, since nothing can be resampled.
  const int width = g.width < 0 ? 2 : g.width;
  out.resize(width, rows);

  LineBuffers buffers;
  std::vector<double> i0(width, 1.0), bg(width, 0.0);
  if (src.i0 && src.i0->ready()) resampledLine(src.i0, p, length, g, buffers, i0.data());
  if (src.bg && src.bg->ready()) resampledLine(src.bg, p, length, g, buffers, bg.data());
  const bool outliers = p.outlierThreshold > 0.0;

  if (rows == 0 || !out.hasData()) return;
  if (g.width <= 0) {
    std::fill(out.sgm(), out.sgm() + static_cast<std::size_t>(width) * rows, 0.0);
    std::fill(out.raw(), out.raw() + static_cast<std::size_t>(width) * rows, 0.0);
    return;
  }

  // I0 - BG is the same for every row.
  std::vector<double> a(width);
  for (int x = 0; x < width; ++x) {
    a[x] = i0[x] - bg[x];
    if (!(a[x] > 0.0)) a[x] = 1.0;
  }
  // Rows [r0, r1) with buffers of their own, so that parts can run at once.
  auto buildRows = [&](int r0, int r1, LineBuffers& buf) {
    for (int r = r0; r < r1; ++r) {
      const int index = static_cast<int>((static_cast<long long>(start) + r) % n);
      double* raw = out.rawRow(r);
      double* sgm = out.sgmRow(r);
      resampledLine(src.frames[index], p, length, g, buf, raw, outliers);
      for (int x = 0; x < width; ++x) {
        double b = raw[x] - bg[x];
        if (!(b > 0.0)) b = 1.0;
        sgm[x] = std::log(a[x] / b);
      }
    }
  };
  // Most of the time goes into the logarithm of every sample (a 2047 x 900
  // sinogram is 1.8 million of them); a large sinogram is split in two halves
  // built side by side. The frames are only read, and each half has its own
  // line buffers, so the values are the same either way.
  constexpr long long kSplitSamples = 1 << 18;
  if (rows >= 2 && static_cast<long long>(width) * rows >= kSplitSamples &&
      std::thread::hardware_concurrency() > 1) {
    const int half = rows / 2;
    std::thread second([&] {
      LineBuffers buf;
      buildRows(half, rows, buf);
    });
    buildRows(0, half, buffers);
    second.join();
  } else {
    buildRows(0, rows, buffers);
  }
}
