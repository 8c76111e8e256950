#include "ct/BackProjector.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

double* fillSamples(const double* filtered, int n, double* sampleRow) {
  const int plane = samplePlaneLength(n);
  double* f = sampleRow + kSamplePad;
  double* d = f + plane;
  std::memset(sampleRow, 0, sizeof(double) * sampleRowLength(n));
  for (int i = 0; i < n - 1; ++i) {
    f[i] = filtered[i];
    d[i] = filtered[i + 1] - filtered[i];
  }
  return f;
}

namespace {
inline bool inside(int x, int y, double h) {
  return std::sqrt((x - h) * (x - h) + (y - h) * (y - h)) < h;
}
}  // namespace

bool circleChord(int y, double h, int& xs, int& xe) {
  if (!(h > 0.0)) return false;
  const double dy = y - h;
  const double r2 = h * h - dy * dy;
  if (r2 < -2.0 * h - 1.0) return false;  // far outside: no pixel can pass
  const double r = std::sqrt(r2 > 0.0 ? r2 : 0.0);
  // Estimate, then settle both ends with the exact test. The set is one run
  // of pixels, since the test is monotone in |x - h|.
  const int limit = static_cast<int>(2.0 * h) + 2;
  xs = static_cast<int>(std::ceil(h - r));
  xe = static_cast<int>(std::floor(h + r)) + 1;
  if (xs < -1) xs = -1;
  if (xe > limit) xe = limit;
  while (xs > -1 && inside(xs - 1, y, h)) --xs;
  while (xs < xe && !inside(xs, y, h)) ++xs;
  while (xe < limit && inside(xe, y, h)) ++xe;
  while (xe > xs && !inside(xe - 1, y, h)) --xe;
  return xs < xe;
}

bool fbpKernelSupported(FbpKernel kernel) {
  switch (kernel) {
    case FbpKernel::Auto:
    case FbpKernel::Scalar:
      return true;
    case FbpKernel::Avx2:
#if defined(__x86_64__) || defined(__i386__)
      return __builtin_cpu_supports("avx2") && __builtin_cpu_supports("fma");
#else
      return false;
#endif
    case FbpKernel::Avx512:
#if defined(__x86_64__) || defined(__i386__)
      return __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512dq") &&
             __builtin_cpu_supports("avx512vl");
#else
      return false;
#endif
  }
  return false;
}

const char* fbpKernelName(FbpKernel kernel) {
  switch (kernel) {
    case FbpKernel::Auto:
      return "auto";
    case FbpKernel::Scalar:
      return "scalar";
    case FbpKernel::Avx2:
      return "avx2";
    case FbpKernel::Avx512:
      return "avx512";
  }
  return "unknown";
}

FbpKernel defaultFbpKernel() {
  static const FbpKernel chosen = [] {
    if (const char* env = std::getenv("VANTO_FBP_KERNEL")) {
      for (FbpKernel k : kFbpKernels) {
        if (std::strcmp(env, fbpKernelName(k)) == 0 && fbpKernelSupported(k)) return k;
      }
    }
    if (fbpKernelSupported(FbpKernel::Avx512)) return FbpKernel::Avx512;
    return fbpKernelSupported(FbpKernel::Avx2) ? FbpKernel::Avx2 : FbpKernel::Scalar;
  }();
  return chosen;
}

FbpKernel resolveFbpKernel(FbpKernel requested) {
  if (requested == FbpKernel::Auto || !fbpKernelSupported(requested)) return defaultFbpKernel();
  return requested;
}

void runBackProjection(const BackProjectTask& task, FbpKernel kernel) {
  if (task.count <= 0 || task.yBegin >= task.yEnd) return;
  switch (resolveFbpKernel(kernel)) {
    case FbpKernel::Avx2:
      backProjectAvx2(task);
      break;
    case FbpKernel::Avx512:
      backProjectAvx512(task);
      break;
    default:
      backProjectScalar(task);
      break;
  }
}
