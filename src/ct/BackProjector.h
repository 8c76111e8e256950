#pragma once

// The back-projection kernels: add projections of filtered rows into an
// N x N image over the pixels strictly inside the inscribed circle. Every
// kernel computes each pixel's update exactly as
//   t = (x - h) * cos - (y - h) * sin + h,  i = floor(t),
//   pixel += f[i] + (t - i) * (f[i + 1] - f[i])    (0 <= i < N - 1)
// and sums a pixel's projections in ascending order, so all kernels give the
// numbers of the plain loop; they differ only in how the work is ordered
// (tiles of pixels x blocks of projections, so the sample windows stay in
// cache) and in SIMD width. The one exception is a task with quarter-turn
// partners (below): there the SIMD kernels take a pixel's detector position
// at projection j + quarterTurn from its partner's at j, computed with the
// cos and sin of j, and sum the two halves of the projections interleaved,
// which changes results by rounding only (about 1e-15 of the image's range).

// Samples of one filtered row in two planes: f[i] at p[i] and f[i + 1] - f[i]
// at p[i + samplePlaneLength(n)] for 0 <= i < N - 1, zeros for every other i
// in [-kSamplePad, N + kSamplePad), so a pixel whose detector position falls
// outside the row adds 0. A SIMD kernel loads a few neighbouring samples of
// each plane with one contiguous load.
constexpr int kSamplePad = 16;
inline int samplePlaneLength(int n) { return n + 2 * kSamplePad; }
inline int sampleRowLength(int n) { return 2 * samplePlaneLength(n); }
// Fills a sample row of sampleRowLength(n) doubles; returns the pointer to
// f at i = 0.
double* fillSamples(const double* filtered, int n, double* sampleRow);

enum class FbpKernel { Auto, Scalar, Avx2, Avx512 };
// Every concrete kernel, slowest first.
inline constexpr FbpKernel kFbpKernels[] = {FbpKernel::Scalar, FbpKernel::Avx2, FbpKernel::Avx512};

// One back-projection job on plain buffers.
struct BackProjectTask {
  double* image = nullptr;  // n x n, row-major
  int n = 0;
  double h = 0.0;               // n * 0.5
  int yBegin = 0, yEnd = 0;     // rows to visit
  const int* xBegin = nullptr;  // per row (index y - yBegin): first pixel
  const int* xEnd = nullptr;    // one past the last pixel
  int count = 0;                // projections
  const double* cosv = nullptr;
  const double* sinv = nullptr;
  const double* const* samples = nullptr;  // per projection, pointer to f at i = 0
  int diffOffset = 0;                      // samplePlaneLength(n): f[i] to f[i+1] - f[i]
  // When above 0, projection j + quarterTurn lies a quarter turn from
  // projection j (turnSign +1: 90 degrees on, -1: 90 degrees back) and the
  // task covers the whole inscribed circle. A pixel then has at projection
  // j + quarterTurn the detector position its turned partner has at j, and
  // the SIMD kernels compute that position once for both.
  int quarterTurn = 0;
  int turnSign = 0;
};

// The pixels [xs, xe) of row y inside the circle of radius h about (h, h),
// decided by the same test sqrt((x - h)^2 + (y - h)^2) < h as the plain
// loop. False when the row has none.
bool circleChord(int y, double h, int& xs, int& xe);

bool fbpKernelSupported(FbpKernel kernel);
// The kernel used for Auto: VANTO_FBP_KERNEL=scalar|avx2|avx512
// when set and supported, else the fastest supported one.
FbpKernel defaultFbpKernel();
FbpKernel resolveFbpKernel(FbpKernel requested);
const char* fbpKernelName(FbpKernel kernel);
void runBackProjection(const BackProjectTask& task, FbpKernel kernel);

// Implemented in files compiled for their instruction sets.
void backProjectScalar(const BackProjectTask& task);
void backProjectAvx2(const BackProjectTask& task);
void backProjectAvx512(const BackProjectTask& task);
