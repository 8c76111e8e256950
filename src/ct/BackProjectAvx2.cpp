#include <immintrin.h>

#include <cmath>

#include "ct/BackProjectTiles.h"

// AVX2 kernels: four neighbouring pixels per vector, the projections of a
// block accumulated in a register. Compiled with -mavx2 and without FMA
// contraction, so every update rounds exactly as the plain loop does.

namespace {

// The four pixels' (f[i], f[i+1] - f[i]) pairs are fetched with one 128-bit
// load each and regrouped by two unpacks.
inline __m256d quadUpdate(__m256d xh, __m256d c, __m256d ys, __m256d hv, const double* p) {
  const __m256d t = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(xh, c), ys), hv);
  const __m256d fl = _mm256_floor_pd(t);
  const __m256d frac = _mm256_sub_pd(t, fl);
  const __m128i iv = _mm256_cvtpd_epi32(fl);
  const int i0 = _mm_cvtsi128_si32(iv);
  const int i1 = _mm_extract_epi32(iv, 1);
  const int i2 = _mm_extract_epi32(iv, 2);
  const int i3 = _mm_extract_epi32(iv, 3);
  const __m256d a = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p + 2 * i0)),
                                         _mm_loadu_pd(p + 2 * i2), 1);
  const __m256d b = _mm256_insertf128_pd(_mm256_castpd128_pd256(_mm_loadu_pd(p + 2 * i1)),
                                         _mm_loadu_pd(p + 2 * i3), 1);
  const __m256d f = _mm256_unpacklo_pd(a, b);  // f[i0], f[i1], f[i2], f[i3]
  const __m256d g = _mm256_unpackhi_pd(a, b);
  return _mm256_add_pd(f, _mm256_mul_pd(frac, g));
}

inline __m256d lanesFrom(int x, double h) {
  return _mm256_sub_pd(
      _mm256_add_pd(_mm256_set1_pd(static_cast<double>(x)), _mm256_set_pd(3.0, 2.0, 1.0, 0.0)),
      _mm256_set1_pd(h));
}

// Eight pixels: two independent accumulators share each projection's loads
// of cos and (y - h) sin.
inline void octSpanLoads(const BackProjectTask& task, double* pixels, int x, int j0, int j1,
                         const double* ys) {
  const __m256d hv = _mm256_set1_pd(task.h);
  const __m256d xa = lanesFrom(x, task.h);
  const __m256d xb = lanesFrom(x + 4, task.h);
  __m256d accA = _mm256_loadu_pd(pixels);
  __m256d accB = _mm256_loadu_pd(pixels + 4);
  for (int j = j0; j < j1; ++j) {
    const __m256d c = _mm256_broadcast_sd(task.cosv + j);
    const __m256d y = _mm256_broadcast_sd(ys + (j - j0));
    const double* p = task.pairs[j];
    accA = _mm256_add_pd(accA, quadUpdate(xa, c, y, hv, p));
    accB = _mm256_add_pd(accB, quadUpdate(xb, c, y, hv, p));
  }
  _mm256_storeu_pd(pixels, accA);
  _mm256_storeu_pd(pixels + 4, accB);
}

inline void quadSpanLoads(const BackProjectTask& task, double* pixels, int x, int j0, int j1,
                          const double* ys) {
  const __m256d hv = _mm256_set1_pd(task.h);
  const __m256d xh = lanesFrom(x, task.h);
  __m256d acc = _mm256_loadu_pd(pixels);
  for (int j = j0; j < j1; ++j) {
    acc = _mm256_add_pd(acc, quadUpdate(xh, _mm256_broadcast_sd(task.cosv + j),
                                        _mm256_broadcast_sd(ys + (j - j0)), hv, task.pairs[j]));
  }
  _mm256_storeu_pd(pixels, acc);
}

// The same with two hardware gathers per projection.
inline void quadSpanGather(const BackProjectTask& task, double* pixels, int x, int j0, int j1,
                           const double* ys) {
  const __m256d hv = _mm256_set1_pd(task.h);
  const __m256d xh = _mm256_sub_pd(
      _mm256_add_pd(_mm256_set1_pd(static_cast<double>(x)), _mm256_set_pd(3.0, 2.0, 1.0, 0.0)), hv);
  __m256d acc = _mm256_loadu_pd(pixels);
  for (int j = j0; j < j1; ++j) {
    const __m256d t =
        _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(xh, _mm256_broadcast_sd(task.cosv + j)),
                                    _mm256_broadcast_sd(ys + (j - j0))),
                      hv);
    const __m256d fl = _mm256_floor_pd(t);
    const __m256d frac = _mm256_sub_pd(t, fl);
    const __m128i iv2 = _mm_slli_epi32(_mm256_cvtpd_epi32(fl), 1);
    const double* p = task.pairs[j];
    const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
    const __m256d f = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), p, iv2, all, 8);
    const __m256d g = _mm256_mask_i32gather_pd(_mm256_setzero_pd(), p + 1, iv2, all, 8);
    acc = _mm256_add_pd(acc, _mm256_add_pd(f, _mm256_mul_pd(frac, g)));
  }
  _mm256_storeu_pd(pixels, acc);
}

template <bool kGather>
void run(const BackProjectTask& task) {
  forEachTileSpan(task, [&](int y, int xs, int xe, int j0, int j1, const double* ys) {
    double* row = task.image + static_cast<long long>(y) * task.n;
    int x = xs;
    if constexpr (!kGather) {
      for (; x + 8 <= xe; x += 8) octSpanLoads(task, row + x, x, j0, j1, ys);
    }
    for (; x + 4 <= xe; x += 4) {
      if constexpr (kGather) {
        quadSpanGather(task, row + x, x, j0, j1, ys);
      } else {
        quadSpanLoads(task, row + x, x, j0, j1, ys);
      }
    }
    for (; x < xe; ++x) pixelSpan(task, row + x, x, j0, j1, ys);
  });
}

}  // namespace

void backProjectAvx2(const BackProjectTask& task) { run<false>(task); }
void backProjectAvx2Gather(const BackProjectTask& task) { run<true>(task); }
