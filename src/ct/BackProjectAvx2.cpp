#include <immintrin.h>

#include <cmath>
#include <type_traits>
#include <vector>

#include "ct/BackProjectTiles.h"

// AVX2 kernel: four neighbouring pixels per vector, up to G vectors of a row
// sharing each projection's cos and (y - h) sin, the projections of a block
// accumulated in registers. Compiled with -mavx2 -mfma and without FMA
// contraction, so every update rounds exactly as the plain loop does (the one
// fused multiply-add below computes sample indices, which are exact).
//
// For a fixed projection t is monotone in x, and over four neighbours it
// moves by 3 |cos| plus a few rounding errors. Below |cos| = 1 - margin the
// four detector indices therefore lie within four consecutive samples
// [base, base + 3], base being lane 0's index when cos >= 0 and three less
// otherwise. One contiguous load from each sample plane at base, and one
// variable permute each (vpermps moving both 32-bit halves of a double),
// give every lane its f[i] and f[i+1] - f[i]: two loads and two permutes for
// four pixels instead of eight scattered loads. Projections within a hair
// of 0 or 180 degrees, where the indices may span five samples, use gathers.

namespace {

constexpr int kGatherProjection = 1 << 30;  // window offset meaning "gather"

// A lane's permute index is built in the bits of a double: for rel = i -
// base in [0, 3], rel * (2^33 + 2) + 2^32 + 2^52 has 2 rel in its low 32 bits
// and 2 rel + 1 in the low bits of its high 32 bits, which is what vpermps
// reads to move the double at position rel. All of it is exact in doubles.
constexpr double kIndexScale = 0x1p33 + 2.0;
constexpr double kIndexBias = 0x1p52 + 0x1p32;

struct Avx2Plan {
  std::vector<int> offset;   // per projection: base relative to lane 0, or gather
  std::vector<double> bias;  // per projection: kIndexBias - offset * kIndexScale
};

Avx2Plan planProjections(const BackProjectTask& task) {
  // Each of the three rounded operations for t errs by at most half an ulp
  // of a value below 3h + 16, so the four lanes' spread exceeds 3 |cos| by
  // far less than 3 * margin: below |cos| = 1 - margin it stays under 3.
  const double margin = (3.0 * task.h + 16.0) * 0x1p-46;
  Avx2Plan plan;
  plan.offset.resize(task.count);
  plan.bias.resize(task.count);
  for (int j = 0; j < task.count; ++j) {
    const double c = task.cosv[j];
    int o = kGatherProjection;
    if (std::fabs(c) < 1.0 - margin) o = c >= 0.0 ? 0 : -3;
    plan.offset[j] = o;
    plan.bias[j] = kIndexBias - (o == kGatherProjection ? 0 : o) * kIndexScale;
  }
  return plan;
}

inline __m256d lanesFrom(int x, double h) {
  return _mm256_sub_pd(
      _mm256_add_pd(_mm256_set1_pd(static_cast<double>(x)), _mm256_set_pd(3.0, 2.0, 1.0, 0.0)),
      _mm256_set1_pd(h));
}

inline __m256d gather(const double* p, __m128i iv) {
  const __m256d all = _mm256_castsi256_pd(_mm256_set1_epi64x(-1));
  return _mm256_mask_i32gather_pd(_mm256_setzero_pd(), p, iv, all, 8);
}

inline __m256d permute(__m256d v, __m256i idx) {
  return _mm256_castps_pd(_mm256_permutevar8x32_ps(_mm256_castpd_ps(v), idx));
}

// Where the partners of the lanes of one vector are, and how many of its
// lanes are pixels.
struct Partners {
  double* lane0;
  long long step;  // from one lane's partner to the next
  int lanes;
};

inline __m256d loadPartners(const Partners& p) {
  alignas(32) double v[4] = {0.0, 0.0, 0.0, 0.0};
  for (int k = 0; k < p.lanes; ++k) v[k] = p.lane0[k * p.step];
  return _mm256_load_pd(v);
}

inline void storePartners(const Partners& p, __m256d acc) {
  alignas(32) double v[4];
  _mm256_store_pd(v, acc);
  for (int k = 0; k < p.lanes; ++k) p.lane0[k * p.step] = v[k];
}

// G vectors of pixels of row y starting at x over projections [j0, j1);
// with kTail the last vector holds only `left` pixels. With kPaired the
// partners of the pixels (a column) get projections [j0, j1) + quarterTurn
// at the same detector positions.
template <int G, bool kTail, bool kPaired>
inline void groupSpan(const BackProjectTask& task, int x, int y, int left, int j0, int j1,
                      const double* ys, const Avx2Plan& plan) {
  double* const pixels = task.image + static_cast<long long>(y) * task.n + x;
  const __m256d hv = _mm256_set1_pd(task.h);
  const __m256d scale = _mm256_set1_pd(kIndexScale);
  const int dOff = task.diffOffset;
  const __m256i tail = _mm256_cmpgt_epi64(_mm256_set1_epi64x(left), _mm256_set_epi64x(3, 2, 1, 0));
  constexpr int GP = kPaired ? G : 1;
  __m256d xh[G], acc[G], accP[GP];
  Partners partners[GP];
#pragma GCC unroll 8
  for (int g = 0; g < G; ++g) {
    xh[g] = lanesFrom(x + 4 * g, task.h);
    acc[g] = kTail && g + 1 == G ? _mm256_maskload_pd(pixels + 4 * g, tail)
                                 : _mm256_loadu_pd(pixels + 4 * g);
  }
  if constexpr (kPaired) {
    const PartnerColumn pc = partnerOf(task, x, y);
    const long long step = static_cast<long long>(pc.rowStep) * task.n;
    for (int g = 0; g < G; ++g) {
      partners[g].lane0 = task.image + (pc.row0 + pc.rowStep * 4LL * g) * task.n + pc.col;
      partners[g].step = step;
      partners[g].lanes = kTail && g + 1 == G ? left : 4;
      accP[g] = loadPartners(partners[g]);
    }
  }
  for (int j = j0; j < j1; ++j) {
    const __m256d c = _mm256_broadcast_sd(task.cosv + j);
    const __m256d yv = _mm256_broadcast_sd(ys + (j - j0));
    const double* p = task.samples[j];
    const double* p2 = kPaired ? task.samples[j + task.quarterTurn] : nullptr;
    const int o = plan.offset[j];
    if (o != kGatherProjection) {
      const __m256d bias = _mm256_broadcast_sd(plan.bias.data() + j);
#pragma GCC unroll 8
      for (int g = 0; g < G; ++g) {
        const __m256d t = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(xh[g], c), yv), hv);
        const __m256d fl = _mm256_floor_pd(t);
        const __m256d frac = _mm256_sub_pd(t, fl);
        const int base = static_cast<int>(_mm256_cvtsd_f64(fl)) + o;
        const __m256d rel = _mm256_sub_pd(fl, _mm256_broadcastsd_pd(_mm256_castpd256_pd128(fl)));
        const __m256i idx = _mm256_castpd_si256(_mm256_fmadd_pd(rel, scale, bias));
        const __m256d f = permute(_mm256_loadu_pd(p + base), idx);
        const __m256d d = permute(_mm256_loadu_pd(p + base + dOff), idx);
        acc[g] = _mm256_add_pd(acc[g], _mm256_add_pd(f, _mm256_mul_pd(frac, d)));
        if constexpr (kPaired) {
          const __m256d f2 = permute(_mm256_loadu_pd(p2 + base), idx);
          const __m256d d2 = permute(_mm256_loadu_pd(p2 + base + dOff), idx);
          accP[g] = _mm256_add_pd(accP[g], _mm256_add_pd(f2, _mm256_mul_pd(frac, d2)));
        }
      }
    } else {
#pragma GCC unroll 8
      for (int g = 0; g < G; ++g) {
        const __m256d t = _mm256_add_pd(_mm256_sub_pd(_mm256_mul_pd(xh[g], c), yv), hv);
        const __m256d fl = _mm256_floor_pd(t);
        const __m256d frac = _mm256_sub_pd(t, fl);
        const __m128i iv = _mm256_cvtpd_epi32(fl);
        const __m256d f = gather(p, iv);
        const __m256d d = gather(p + dOff, iv);
        acc[g] = _mm256_add_pd(acc[g], _mm256_add_pd(f, _mm256_mul_pd(frac, d)));
        if constexpr (kPaired) {
          const __m256d f2 = gather(p2, iv);
          const __m256d d2 = gather(p2 + dOff, iv);
          accP[g] = _mm256_add_pd(accP[g], _mm256_add_pd(f2, _mm256_mul_pd(frac, d2)));
        }
      }
    }
  }
#pragma GCC unroll 8
  for (int g = 0; g < G; ++g) {
    if (kTail && g + 1 == G) {
      _mm256_maskstore_pd(pixels + 4 * g, tail, acc[g]);
    } else {
      _mm256_storeu_pd(pixels + 4 * g, acc[g]);
    }
  }
  if constexpr (kPaired) {
    for (int g = 0; g < G; ++g) storePartners(partners[g], accP[g]);
  }
}

constexpr int kGroups = 2;  // vectors sharing one projection's loads
// 16 projections a pass (32 with their partners): their sample windows for
// a tile stay within a 32 KB L1 (three times fewer L1 misses than with 32).
constexpr TileShape kShape{128, 128, 16, 32, 16};

// The pixels [xs, xe) of row y: vectors of four, the last one partly
// filled. Lanes past xe compute (and read samples next to the others') but
// are neither loaded nor stored.
template <bool kPaired>
void rowSpan(const BackProjectTask& task, int y, int xs, int xe, int j0, int j1, const double* ys,
             const Avx2Plan& plan) {
  auto run = [&](auto groups, auto tailed, int x, int lanes) {
    constexpr int G = decltype(groups)::value;
    constexpr bool kTail = decltype(tailed)::value;
    if (kPaired && partnersOverlap(task, x, y, lanes)) {
      pairedPixelsOneByOne(task, x, y, lanes, j0, j1);
    } else {
      groupSpan<G, kTail, kPaired>(task, x, y, lanes - 4 * (G - 1), j0, j1, ys, plan);
    }
  };
  int x = xs;
  for (; x + 4 * kGroups <= xe; x += 4 * kGroups)
    run(std::integral_constant<int, kGroups>{}, std::false_type{}, x, 4 * kGroups);
  for (; x + 4 <= xe; x += 4) run(std::integral_constant<int, 1>{}, std::false_type{}, x, 4);
  if (x < xe) run(std::integral_constant<int, 1>{}, std::true_type{}, x, xe - x);
}

}  // namespace

void backProjectAvx2(const BackProjectTask& task) {
  const Avx2Plan plan = planProjections(task);
  const ProjectionPasses passes = projectionPasses(task);
  forEachTileSpan(task, 0, passes.paired, kShape,
                  [&](int y, int xs, int xe, int j0, int j1, const double* ys) {
                    rowSpan<true>(task, y, xs, xe, j0, j1, ys, plan);
                  });
  forEachTileSpan(task, passes.restBegin, passes.restEnd, kShape,
                  [&](int y, int xs, int xe, int j0, int j1, const double* ys) {
                    rowSpan<false>(task, y, xs, xe, j0, j1, ys, plan);
                  });
}
