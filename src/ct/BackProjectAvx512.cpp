#include <immintrin.h>

#include <cmath>
#include <vector>

#include "ct/BackProjectTiles.h"

// AVX-512 kernel: eight neighbouring pixels per vector, up to four vectors
// (one tile row) sharing each projection's cos and (y - h) sin, the
// projections of a block accumulated in registers. Compiled with
// -mavx512f -mavx512dq -mavx512vl and without FMA contraction, so every
// update rounds exactly as the plain loop does.
//
// For a fixed projection t is monotone in x (each rounded operation is), and
// over eight neighbours it moves by 7 |cos| plus a few rounding errors. When
// that stays below 7 the eight detector indices lie within eight
// consecutive samples, so the pixels' f[i] and f[i+1] - f[i] come from one
// 8-sample window of each sample plane, loaded with two plain loads and
// picked out with two permutes instead of sixteen gathered loads. The window
// starts at lane 0's index when cos >= 0 (lane 0 has the smallest t) and
// seven samples before it otherwise. Projections within a hair of 0 or 180
// degrees, where the indices may span nine samples, use hardware gathers.

namespace {

constexpr int kGatherProjection = 1 << 30;  // window offset meaning "gather"

// Per projection: the window's start relative to lane 0's index, or
// kGatherProjection.
std::vector<long long> windowOffsets(const BackProjectTask& task) {
  // Each of the three rounded operations for t errs by at most half an ulp
  // of a value below 3h + 16, so the eight lanes' spread exceeds 7 |cos| by
  // far less than 7 * margin: below |cos| = 1 - margin it stays under 7.
  const double margin = (3.0 * task.h + 16.0) * 0x1p-46;
  std::vector<long long> off(task.count);
  for (int j = 0; j < task.count; ++j) {
    const double c = task.cosv[j];
    if (!(std::fabs(c) < 1.0 - margin)) {
      off[j] = kGatherProjection;
    } else {
      off[j] = c >= 0.0 ? 0 : -7;
    }
  }
  return off;
}

inline __m512d lanesFrom(int x, double h) {
  return _mm512_sub_pd(_mm512_add_pd(_mm512_set1_pd(static_cast<double>(x)),
                                     _mm512_set_pd(7.0, 6.0, 5.0, 4.0, 3.0, 2.0, 1.0, 0.0)),
                       _mm512_set1_pd(h));
}

// G vectors of pixels starting at x over projections [j0, j1); the last
// vector holds only the lanes in `tail`.
template <int G>
inline void groupSpan(const BackProjectTask& task, double* pixels, int x, __mmask8 tail, int j0,
                      int j1, const double* ys, const long long* off) {
  const __m512d hv = _mm512_set1_pd(task.h);
  const long long dOff = task.diffOffset;
  __m512d xh[G], acc[G], frac[G];
  __m512i iv[G];
#pragma GCC unroll 4
  for (int g = 0; g < G; ++g) {
    xh[g] = lanesFrom(x + 8 * g, task.h);
    acc[g] =
        g + 1 < G ? _mm512_loadu_pd(pixels + 8 * g) : _mm512_maskz_loadu_pd(tail, pixels + 8 * g);
  }
  // Detector positions one projection ahead of the sample fetches, so the
  // fetches find their indices ready.
  auto positions = [&](int j) {
    const __m512d c = _mm512_set1_pd(task.cosv[j]);
    const __m512d yv = _mm512_set1_pd(ys[j - j0]);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) {
      const __m512d t = _mm512_add_pd(_mm512_sub_pd(_mm512_mul_pd(xh[g], c), yv), hv);
      iv[g] = _mm512_cvt_roundpd_epi64(t, _MM_FROUND_TO_NEG_INF | _MM_FROUND_NO_EXC);
      frac[g] = _mm512_sub_pd(t, _mm512_cvtepi64_pd(iv[g]));
    }
  };
  positions(j0);
  for (int j = j0; j < j1; ++j) {
    const double* p = task.samples[j];
    const long long o = off[j];
    __m512d f[G], d[G];
    if (o != kGatherProjection) {
#pragma GCC unroll 4
      for (int g = 0; g < G; ++g) {
        const __m512i v = iv[g];
        const long long base = v[0] + o;
        const double* q = p + base;
        const __m512i rel = _mm512_sub_epi64(v, _mm512_set1_epi64(base));
        f[g] = _mm512_maskz_permutexvar_pd(0xff, rel, _mm512_loadu_pd(q));
        d[g] = _mm512_maskz_permutexvar_pd(0xff, rel, _mm512_loadu_pd(q + dOff));
      }
    } else {
#pragma GCC unroll 4
      for (int g = 0; g < G; ++g) {
        const __mmask8 m = g + 1 < G ? __mmask8(0xff) : tail;
        f[g] = _mm512_mask_i64gather_pd(_mm512_setzero_pd(), m, iv[g], p, 8);
        d[g] = _mm512_mask_i64gather_pd(_mm512_setzero_pd(), m, iv[g], p + dOff, 8);
      }
    }
    __m512d fr[G];
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g) fr[g] = frac[g];
    if (j + 1 < j1) positions(j + 1);
#pragma GCC unroll 4
    for (int g = 0; g < G; ++g)
      acc[g] = _mm512_add_pd(acc[g], _mm512_add_pd(f[g], _mm512_mul_pd(fr[g], d[g])));
  }
#pragma GCC unroll 4
  for (int g = 0; g + 1 < G; ++g) _mm512_storeu_pd(pixels + 8 * g, acc[g]);
  _mm512_mask_storeu_pd(pixels + 8 * (G - 1), tail, acc[G - 1]);
}

}  // namespace

void backProjectAvx512(const BackProjectTask& task) {
  const std::vector<long long> off = windowOffsets(task);
  forEachTileSpan(task, 0, task.count, TileShape{},
                  [&](int y, int xs, int xe, int j0, int j1, const double* ys) {
                    double* row = task.image + static_cast<long long>(y) * task.n;
                    for (int x = xs; x < xe; x += 32) {
                      const int left = xe - x < 32 ? xe - x : 32;
                      const int groups = (left + 7) / 8;
                      const __mmask8 tail = static_cast<__mmask8>(0xffu >> (8 * groups - left));
                      switch (groups) {
                        case 1:
                          groupSpan<1>(task, row + x, x, tail, j0, j1, ys, off.data());
                          break;
                        case 2:
                          groupSpan<2>(task, row + x, x, tail, j0, j1, ys, off.data());
                          break;
                        case 3:
                          groupSpan<3>(task, row + x, x, tail, j0, j1, ys, off.data());
                          break;
                        default:
                          groupSpan<4>(task, row + x, x, tail, j0, j1, ys, off.data());
                          break;
                      }
                    }
                  });
}
