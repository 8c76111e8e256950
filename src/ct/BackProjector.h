#pragma once

// The back-projection kernels: add projections of filtered rows into an
// N x N image over the pixels strictly inside the inscribed circle. Every
// kernel computes each pixel's update exactly as
//   t = (x - h) * cos - (y - h) * sin + h,  i = floor(t),
//   pixel += f[i] + (t - i) * (f[i + 1] - f[i])    (0 <= i < N - 1)
// and sums a pixel's projections in ascending order, so all kernels give the
// numbers of the plain loop; they differ only in how the work is ordered
// (tiles of pixels x blocks of projections, so the sample windows stay in L1)
// and in SIMD width.

// Interleaved samples of one filtered row: p[2i] = f[i], p[2i + 1] = f[i + 1]
// - f[i] for 0 <= i < N - 1, and zeros for every other i in [-kPairPad, N +
// kPairPad), so a pixel whose detector position falls outside the row adds 0.
constexpr int kPairPad = 8;
inline int pairRowLength(int n) { return 2 * (n + 2 * kPairPad); }
// Fills a pair row of pairRowLength(n) doubles; returns the pointer to i = 0.
double* fillPairs(const double* filtered, int n, double* pairRow);

enum class FbpKernel { Auto, Scalar, Avx2, Avx2Gather, Avx512 };
// Every concrete kernel, slowest first.
inline constexpr FbpKernel kFbpKernels[] = {FbpKernel::Scalar, FbpKernel::Avx2,
                                            FbpKernel::Avx2Gather, FbpKernel::Avx512};

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
  const double* const* pairs = nullptr;  // per projection, pointer to i = 0
};

// The pixels [xs, xe) of row y inside the circle of radius h about (h, h),
// decided by the same test sqrt((x - h)^2 + (y - h)^2) < h as the plain
// loop. False when the row has none.
bool circleChord(int y, double h, int& xs, int& xe);

bool fbpKernelSupported(FbpKernel kernel);
// The kernel used for Auto: VANTO_FBP_KERNEL=scalar|avx2|avx2-gather|avx512
// when set and supported, else the fastest supported one.
FbpKernel defaultFbpKernel();
FbpKernel resolveFbpKernel(FbpKernel requested);
const char* fbpKernelName(FbpKernel kernel);
void runBackProjection(const BackProjectTask& task, FbpKernel kernel);

// Implemented in files compiled for their instruction sets.
void backProjectScalar(const BackProjectTask& task);
void backProjectAvx2(const BackProjectTask& task);
void backProjectAvx2Gather(const BackProjectTask& task);
void backProjectAvx512(const BackProjectTask& task);
