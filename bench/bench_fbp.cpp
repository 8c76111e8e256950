// Times one reconstruction slice: the literal back-projection loop against
// the production path (tiled, SIMD), each kernel on one thread and as two
// workers on two slices, and the sinogram build from 900 frames.

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>
#include <numbers>
#include <string>
#include <thread>
#include <vector>

#include "FbpLiteral.h"
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
// Processor seconds of the whole process (all threads) since c0: on a
// shared machine the wall clock also counts other people's work.
double cpuSince(std::clock_t c0) { return double(std::clock() - c0) / CLOCKS_PER_SEC; }

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

// The literal loop built with the options of the given kernel, and those options.
struct Literal {
  void (*run)(std::vector<double>&, int, const double*, int, double, double);
  const char* options;
};
Literal literalFor(FbpKernel k) {
  switch (k) {
    case FbpKernel::Avx512:
      return {literalAvx512, FBP_LITERAL_OPTIONS_AVX512};
    case FbpKernel::Avx2:
      return {literalAvx2, FBP_LITERAL_OPTIONS_AVX2};
    default:
      return {literalScalar, FBP_LITERAL_OPTIONS_SCALAR};
  }
}

// A phantom slice filtered in a workspace, ready for back-projection.
struct Slice {
  int width, rows, n;
  long long updates;
  FbpWorkspace ws;
  std::vector<double> filtered;  // rows x n, contiguous
  double filterSeconds = 0;

  Slice(int w, int r) : width(w), rows(r), n(w / 2 * 2), updates(pixelsInCircle(n) * r) {
    HSgm s;
    phantomSinogram(width, rows, s);
    ws.setup(n, rows);
    const auto t0 = Clock::now();
    ws.forwardAll(s);
    ws.filterAll(rows);
    filterSeconds = since(t0);
    for (int j = 0; j < rows; ++j)
      filtered.insert(filtered.end(), ws.filtered(j), ws.filtered(j) + n);
    ws.clearImage(n);  // the image's pages exist before timing, as in a worker's later slices
  }
  double dAngle() const { return std::numbers::pi / rows; }
  double literal(FbpKernel k, std::vector<double>& image) const {
    image.assign(static_cast<std::size_t>(n) * n, 0.0);  // pages touched before timing
    const auto t0 = Clock::now();
    literalFor(k).run(image, n, filtered.data(), rows, 0.0, dAngle());
    return since(t0);
  }
};

// Seconds for `workers` slices back-projected at once, one per thread, each
// thread with its own workspace (as the reconstruction workers have).
double timeWorkers(std::vector<std::unique_ptr<Slice>>& slices, FbpKernel k) {
  for (auto& s : slices) s->ws.setKernel(k);
  if (slices.size() == 1) return timeBackProjection(slices[0]->ws, slices[0]->rows, slices[0]->n);
  std::vector<std::thread> threads;
  const auto t0 = Clock::now();
  for (auto& s : slices) threads.emplace_back([&s] { timeBackProjection(s->ws, s->rows, s->n); });
  for (auto& t : threads) t.join();
  return since(t0);
}

struct SizeResult {
  double literal = 0, production = 0, updatesPerSecond = 0;
};

SizeResult runSize(int width, int rows) {
  SizeResult res;
  std::vector<std::unique_ptr<Slice>> two;
  two.push_back(std::make_unique<Slice>(width, rows));
  two.push_back(std::make_unique<Slice>(width, rows));
  Slice& s = *two[0];
  std::printf("fbp %dx%d: filter %.4f s for %d rows\n", width, rows, s.filterSeconds, rows);

  const FbpKernel production = s.ws.kernel();
  std::vector<double> ref;
  std::clock_t c0 = std::clock();
  res.literal = s.literal(production, ref);
  std::printf(
      "fbp %dx%d: literal %.3f s (cpu %.3f s, %.3f ns/update), built with %s as the %s kernel\n",
      width, rows, res.literal, cpuSince(c0), res.literal / s.updates * 1e9,
      literalFor(production).options, fbpKernelName(production));
  const double scale = maxAbs(ref);

  for (FbpKernel k : kFbpKernels) {
    if (!fbpKernelSupported(k)) continue;
    std::vector<std::unique_ptr<Slice>> first;
    first.push_back(std::move(two[0]));
    c0 = std::clock();
    const double t1 = timeWorkers(first, k);
    const double cpu1 = cpuSince(c0);
    const double diff = maxDiff(ref, first[0]->ws.image());
    two[0] = std::move(first[0]);
    c0 = std::clock();
    const double t2 = timeWorkers(two, k);
    const double cpu2 = cpuSince(c0);
    std::printf(
        "fbp %dx%d: kernel %-6s one worker %.3f s (cpu %.3f s), ratio %.2f, updates/s %.3g, "
        "max diff %.3g of %.3g; two workers %.3f s for two slices (cpu %.3f s), "
        "throughput %.2f x one\n",
        width, rows, fbpKernelName(k), t1, cpu1, res.literal / t1, s.updates / t1, diff, scale, t2,
        cpu2, 2.0 * t1 / t2);
    if (k == production) {
      res.production = t1;
      res.updatesPerSecond = s.updates / t1;
    }
  }
  std::printf("fbp %dx%d: production (%s) %.3f s, ratio %.2f\n", width, rows,
              fbpKernelName(production), res.production, res.literal / res.production);
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
// timed in turns so that a busy machine slows all of them alike and in
// processor seconds (all single-threaded): ring removal
// on the 2047 x 900 sinogram, outlier removal on the 900 projection lines of
// the slice (2048 pixels each, with the lines on either side), and the
// padded, windowed filter against the default one.
void options() {
  const int width = 2047, rows = 900, n = width / 2 * 2;
  HSgm s;
  phantomSinogram(width, rows, s);
  // A little noise everywhere, as measured sinograms have: the phantom's
  // empty background alone would give long runs of equal values, which
  // sorting and the median pass over cheaply.
  std::uint32_t seed = 27;
  for (int j = 0; j < rows; ++j)
    for (int x = 0; x < width; ++x) {
      seed = seed * 1664525u + 1013904223u;
      s.sgmRow(j)[x] += 1e-3 * (static_cast<double>(seed >> 8) / (1u << 24) - 0.5);
    }
  FbpWorkspace ws;
  ws.setup(n, rows);
  ws.forwardAll(s);
  ws.filterAll(rows);
  FbpWorkspace padded;
  padded.setup(n, rows, 0, FbpFilterChoice{FilterWindow::Hann, true});

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
    std::clock_t c0 = std::clock();
    timeBackProjection(ws, rows, n);
    bp.push_back(cpuSince(c0));
    std::vector<double> copy = sgm;
    std::clock_t t0 = std::clock();
    removeStripes(copy.data(), width, rows, 21);
    ring.push_back(cpuSince(t0));
    t0 = std::clock();
    for (int r = 0; r < rows; ++r) {
      const double* l = lines.data() + static_cast<std::size_t>(r) * 3 * length;
      removeOutliersLine(l, l + length, l + 2 * length, length, 500.0, cleaned.data());
    }
    outlier.push_back(cpuSince(t0));
    t0 = std::clock();
    ws.forwardAll(s);
    ws.filterAll(rows);
    filterDefault.push_back(cpuSince(t0));
    t0 = std::clock();
    padded.forwardAll(s);
    padded.filterAll(rows);
    filterPadded.push_back(cpuSince(t0));
    sp.outlierThreshold = 0.0;
    t0 = std::clock();
    buildSinogram(src, sp, built);
    build.push_back(cpuSince(t0));
    sp.outlierThreshold = 500.0;
    t0 = std::clock();
    buildSinogram(src, sp, built);
    buildClean.push_back(cpuSince(t0));
  }
  const double b = median(bp);
  std::printf("options %dx%d: back-projection %.3f s (processor seconds, as all figures here)\n",
              width, rows, b);
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

std::string processorName() {
  std::FILE* f = std::fopen("/proc/cpuinfo", "r");
  char line[512];
  std::string name = "unknown";
  while (f && std::fgets(line, sizeof line, f)) {
    const std::string l = line;
    if (l.rfind("model name", 0) == 0) {
      name = l.substr(l.find(':') + 2);
      if (!name.empty() && name.back() == '\n') name.pop_back();
      break;
    }
  }
  if (f) std::fclose(f);
  return name;
}

int usage() {
  std::fprintf(stderr,
               "usage: bench-fbp               full report\n"
               "       bench-fbp sinogram      only the sinogram build\n"
               "       bench-fbp options       ring and outlier removal, padded filter\n"
               "       bench-fbp slice WHAT WIDTH ROWS [WORKERS]\n"
               "           one slice per worker (default 1) with WHAT = literal (built as the\n"
               "           picked kernel) or a kernel: scalar, avx2, avx512, auto\n");
  return 2;
}

int runSlices(const std::string& what, int width, int rows, int workers) {
  if (width < 3 || rows < 1 || workers < 1) return usage();
  std::vector<std::unique_ptr<Slice>> slices;
  for (int i = 0; i < workers; ++i) slices.push_back(std::make_unique<Slice>(width, rows));
  const FbpKernel picked = slices[0]->ws.kernel();
  if (what == "literal") {
    std::vector<std::vector<double>> images(workers);
    for (auto& im : images) im.assign(static_cast<std::size_t>(slices[0]->n) * slices[0]->n, 0.0);
    std::vector<std::thread> threads;
    const std::clock_t c0 = std::clock();
    const auto t0 = Clock::now();
    for (int i = 0; i < workers; ++i)
      threads.emplace_back([&, i] { slices[i]->literal(picked, images[i]); });
    for (auto& t : threads) t.join();
    std::printf("slice %dx%d literal (%s): %.3f s for %d (cpu %.3f s)\n", width, rows,
                literalFor(picked).options, since(t0), workers, cpuSince(c0));
    return 0;
  }
  for (FbpKernel k : {FbpKernel::Auto, FbpKernel::Scalar, FbpKernel::Avx2, FbpKernel::Avx512}) {
    if (what != fbpKernelName(k)) continue;
    if (!fbpKernelSupported(k)) {
      std::fprintf(stderr, "kernel %s is not supported here\n", what.c_str());
      return 1;
    }
    const std::clock_t c0 = std::clock();
    const double t = timeWorkers(slices, k == FbpKernel::Auto ? picked : k);
    std::printf("slice %dx%d %s: %.3f s for %d (cpu %.3f s)\n", width, rows,
                fbpKernelName(slices[0]->ws.kernel()), t, workers, cpuSince(c0));
    return 0;
  }
  return usage();
}

}  // namespace

// Modes: none for the full report, "sinogram" for only the sinogram build,
// "options" for only the reconstruction options against the back-projection,
// "slice" for single slices (see usage()).
int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "options") {
    options();
    return 0;
  }
  if (mode == "slice") {
    if (argc < 5) return usage();
    return runSlices(argv[2], std::atoi(argv[3]), std::atoi(argv[4]),
                     argc > 5 ? std::atoi(argv[5]) : 1);
  }
  if (!mode.empty() && mode != "sinogram") return usage();
  sinogramBuild();
  if (mode == "sinogram") return 0;
  std::printf("processor: %s; kernel picked: %s\n", processorName().c_str(),
              fbpKernelName(resolveFbpKernel(FbpKernel::Auto)));
  runSize(1023, 360);
  const SizeResult r = runSize(2047, 900);
  std::printf("fbp 2047x900: literal %.3f s, production %.3f s, ratio %.2f, updates/s %.3g\n",
              r.literal, r.production, r.literal / r.production, r.updatesPerSecond);
  return 0;
}
