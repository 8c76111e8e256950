// Times one reconstruction slice: the literal back-projection loop against
// the production path (tiled, SIMD), each kernel on one thread, two workers
// on two slices against one, and the sinogram build from 900 frames.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "FbpReference.h"
#include "Phantom.h"
#include "ct/FbpWorkspace.h"
#include "ct/HSgm.h"
#include "ct/OutlierRemoval.h"
#include "ct/SinogramBuilder.h"
#include "ct/StripeRemoval.h"
#include "imagedata/ImgData.h"

namespace {

using Clock = std::chrono::steady_clock;
double since(Clock::time_point t0) {
  return std::chrono::duration<double>(Clock::now() - t0).count();
}

// A sinogram of phantom line integrals, width samples with the CoR on the
// middle one, projections over 180 degrees.
void phantomSinogram(int width, int rows, HSgm& s) {
  const double cor = (width - 1) / 2.0;
  Phantom ph(width, 64, cor);
  s.resize(width, rows);
  for (int j = 0; j < rows; ++j)
    ph.lineIntegrals(j * std::numbers::pi / rows, 32, width, s.sgmRow(j));
}

long long pixelsInCircle(int n) {
  const double h = n * 0.5;
  long long count = 0;
  for (int y = 0; y < n; ++y)
    for (int x = 0; x < n; ++x)
      if (std::sqrt((x - h) * (x - h) + (y - h) * (y - h)) < h) ++count;
  return count;
}

double maxDiff(const std::vector<double>& a, const double* b) {
  double m = 0.0;
  for (std::size_t i = 0; i < a.size(); ++i) m = std::max(m, std::fabs(a[i] - b[i]));
  return m;
}

double maxAbs(const std::vector<double>& a) {
  double m = 0.0;
  for (double v : a) m = std::max(m, std::fabs(v));
  return m;
}

// One slice's back-projection in a prepared workspace; returns seconds.
double timeBackProjection(FbpWorkspace& ws, int rows, int n) {
  ws.clearImage(n);
  const auto t0 = Clock::now();
  ws.backProjectAll(rows, FbpRegion{0, 0, double(n), double(n)}, 0.0, std::numbers::pi / rows);
  return since(t0);
}

// A frame of 16-bit pixels in memory, converted to doubles on each read like
// the file readers do.
class Frame16 : public ImgData {
 public:
  Frame16(int w, int h, std::uint16_t seed) : px_(static_cast<std::size_t>(w) * h) {
    width_ = w;
    height_ = h;
    ready_ = true;
    for (std::size_t i = 0; i < px_.size(); ++i)
      px_[i] = static_cast<std::uint16_t>(1000 + (i * 7 + seed) % 20000);
  }
  void init() override {}
  bool readProps(const QString&, int& w, int& h) override {
    w = width_;
    h = height_;
    return true;
  }
  bool openData() override { return true; }
  const double* row(int y, double* b) const override {
    const std::uint16_t* p = px_.data() + static_cast<std::size_t>(y) * width_;
    for (int x = 0; x < width_; ++x) b[x] = p[x];
    return b;
  }
  const double* column(int x, double* b) const override {
    for (int y = 0; y < height_; ++y) b[y] = px_[static_cast<std::size_t>(y) * width_ + x];
    return b;
  }

 private:
  std::vector<std::uint16_t> px_;
};

struct SizeResult {
  double literal = 0, production = 0, updatesPerSecond = 0;
};

SizeResult runSize(int width, int rows) {
  SizeResult res;
  HSgm s;
  phantomSinogram(width, rows, s);
  const int n = width / 2 * 2;
  const long long updates = pixelsInCircle(n) * rows;

  FbpWorkspace ws;
  ws.setup(n, rows);
  auto t0 = Clock::now();
  ws.forwardAll(s);
  ws.filterAll(rows);
  std::printf("fbp %dx%d: filter %.4f s for %d rows\n", width, rows, since(t0), rows);

  std::vector<double> filtered;
  for (int j = 0; j < rows; ++j)
    filtered.insert(filtered.end(), ws.filtered(j), ws.filtered(j) + n);
  std::vector<double> ref(static_cast<std::size_t>(n) * n, 0.0);
  t0 = Clock::now();
  fbpref::backProjectAll(ref, n, filtered.data(), rows, 0, n, 0, n, 0.0, std::numbers::pi / rows);
  res.literal = since(t0);
  std::printf("fbp %dx%d: literal %.3f s (%.3f ns/update)\n", width, rows, res.literal,
              res.literal / updates * 1e9);
  const double scale = maxAbs(ref);

  for (FbpKernel k : kFbpKernels) {
    if (!fbpKernelSupported(k)) continue;
    ws.setKernel(k);
    const double t = timeBackProjection(ws, rows, n);
    std::printf(
        "fbp %dx%d: kernel %-11s %.3f s, ratio %.2f, updates/s %.3g, max diff %.3g of %.3g\n",
        width, rows, fbpKernelName(k), t, res.literal / t, updates / t, maxDiff(ref, ws.image()),
        scale);
  }
  ws.setKernel(FbpKernel::Auto);
  res.production = timeBackProjection(ws, rows, n);
  res.updatesPerSecond = updates / res.production;
  std::printf("fbp %dx%d: production (%s) %.3f s, ratio %.2f\n", width, rows,
              fbpKernelName(ws.kernel()), res.production, res.literal / res.production);

  // Two workers, each with its own workspace, on two slices at once.
  FbpWorkspace ws2;
  ws2.setup(n, rows);
  ws2.forwardAll(s);
  ws2.filterAll(rows);
  const double one = timeBackProjection(ws2, rows, n);
  t0 = Clock::now();
  std::thread a([&] { timeBackProjection(ws, rows, n); });
  std::thread b([&] { timeBackProjection(ws2, rows, n); });
  a.join();
  b.join();
  const double two = since(t0);
  std::printf(
      "fbp %dx%d: one worker %.3f s per slice, two workers %.3f s for two slices, "
      "throughput ratio %.2f\n",
      width, rows, one, two, 2.0 * one / two);
  return res;
}

void sinogramBuild() {
  const int w = 2048, h = 16, frames = 900;
  std::vector<std::unique_ptr<Frame16>> owned;
  SinogramSource src;
  for (int i = 0; i < frames; ++i) {
    owned.push_back(std::make_unique<Frame16>(w, h, static_cast<std::uint16_t>(i)));
    src.frames.push_back(owned.back().get());
  }
  Frame16 i0(w, h, 7), bg(w, h, 3);
  src.i0 = &i0;
  src.bg = &bg;
  src.width = w;
  src.height = h;
  SinogramParams p;
  p.cor = 1023.5;
  HSgm s;
  buildSinogram(src, p, s);  // warm up
  const int repeats = 10;
  const auto t0 = Clock::now();
  for (int r = 0; r < repeats; ++r) {
    p.slice = r % h;
    buildSinogram(src, p, s);
  }
  std::printf("sinogram %dx%d from %d 16-bit frames: %.2f ms per slice\n", s.width(), s.rows(),
              frames, since(t0) / repeats * 1e3);
}

double median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.empty() ? 0.0 : v[v.size() / 2];
}

// The reconstruction options against the back-projection of the same slice,
// timed in turns so that a busy machine slows all of them alike: ring removal
// on the 2047 x 900 sinogram, outlier removal on the 900 projection lines of
// the slice (2048 pixels each, with the lines on either side), and the
// padded, windowed filter against the default one.
void options() {
  const int width = 2047, rows = 900, n = width / 2 * 2;
  HSgm s;
  phantomSinogram(width, rows, s);
  FbpWorkspace ws;
  ws.setup(n, rows);
  ws.forwardAll(s);
  ws.filterAll(rows);
  FbpWorkspace padded;
  padded.setup(n, rows, 0, FbpFilterSpec{FilterWindow::Hann, true});

  // Projection lines of 2048 pixels around the slice: 16-bit-like counts
  // with a few bright outliers.
  const int length = 2048;
  std::vector<double> lines(static_cast<std::size_t>(rows) * 3 * length);
  for (std::size_t i = 0; i < lines.size(); ++i)
    lines[i] = 1000.0 + static_cast<double>((i * 7919) % 20000) + (i % 4099 == 0 ? 30000.0 : 0.0);
  std::vector<double> cleaned(length);

  // The same slice's sinogram built from 900 frames of 2048 x 16 pixels,
  // plainly and with outlier removal (three lines read per frame).
  std::vector<std::unique_ptr<Frame16>> owned;
  SinogramSource src;
  for (int i = 0; i < rows; ++i) {
    owned.push_back(std::make_unique<Frame16>(length, 16, static_cast<std::uint16_t>(i)));
    src.frames.push_back(owned.back().get());
  }
  src.width = length;
  src.height = 16;
  SinogramParams sp;
  sp.rotAxIsV = true;
  sp.cor = 1023.5;
  sp.slice = 8;
  HSgm built;

  std::vector<double> bp, ring, outlier, filterDefault, filterPadded, build, buildClean;
  std::vector<double> sgm(s.sgm(), s.sgm() + static_cast<std::size_t>(width) * rows);
  for (int rep = 0; rep < 5; ++rep) {
    bp.push_back(timeBackProjection(ws, rows, n));
    std::vector<double> copy = sgm;
    auto t0 = Clock::now();
    removeStripes(copy.data(), width, rows, 21);
    ring.push_back(since(t0));
    t0 = Clock::now();
    for (int r = 0; r < rows; ++r) {
      const double* l = lines.data() + static_cast<std::size_t>(r) * 3 * length;
      removeOutliersLine(l, l + length, l + 2 * length, length, 500.0, cleaned.data());
    }
    outlier.push_back(since(t0));
    t0 = Clock::now();
    ws.forwardAll(s);
    ws.filterAll(rows);
    filterDefault.push_back(since(t0));
    t0 = Clock::now();
    padded.forwardAll(s);
    padded.filterAll(rows);
    filterPadded.push_back(since(t0));
    sp.outlierThreshold = 0.0;
    t0 = Clock::now();
    buildSinogram(src, sp, built);
    build.push_back(since(t0));
    sp.outlierThreshold = 500.0;
    t0 = Clock::now();
    buildSinogram(src, sp, built);
    buildClean.push_back(since(t0));
  }
  const double b = median(bp);
  std::printf("options %dx%d: back-projection %.3f s\n", width, rows, b);
  std::printf("options %dx%d: ring removal (21) %.1f ms, %.1f %% of the back-projection\n", width,
              rows, median(ring) * 1e3, median(ring) / b * 100);
  std::printf(
      "options %dx%d: outlier removal of %d lines %.1f ms, %.1f %% of the back-projection\n", width,
      rows, rows, median(outlier) * 1e3, median(outlier) / b * 100);
  std::printf(
      "options %dx%d: sinogram build %.1f ms, with outlier removal %.1f ms (+%.1f %% of the "
      "back-projection)\n",
      width, rows, median(build) * 1e3, median(buildClean) * 1e3,
      (median(buildClean) - median(build)) / b * 100);
  std::printf("options %dx%d: filter %.1f ms, padded with a window %.1f ms (transform %d)\n", width,
              rows, median(filterDefault) * 1e3, median(filterPadded) * 1e3,
              padded.transformLength());
}

}  // namespace

// Optional argument "sinogram": only the sinogram build; "options": only the
// reconstruction options against the back-projection.
int main(int argc, char** argv) {
  if (argc > 1 && std::string(argv[1]) == "options") {
    options();
    return 0;
  }
  sinogramBuild();
  if (argc > 1 && std::string(argv[1]) == "sinogram") return 0;
  runSize(1023, 360);
  const SizeResult r = runSize(2047, 900);
  std::printf("fbp 2047x900: literal %.3f s, production %.3f s, ratio %.2f, updates/s %.3g\n",
              r.literal, r.production, r.literal / r.production, r.updatesPerSecond);
  return 0;
}
