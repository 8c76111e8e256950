#include "view3d/VolumeRender.h"

#include <immintrin.h>

#include <QDebug>
#include <QPainter>
#include <QPen>
#include <algorithm>
#include <array>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <thread>

SliceSetInput sliceSetInput(const SliceDatas& datas, const SliceSetStyle& style) {
  SliceSetInput in;
  in.style = style;
  if (datas.isLoading())
    in.series = std::make_shared<const SliceSeries>();
  else
    in.series = datas.series();
  return in;
}

QSize clampedPictureSize(int width, int height) {
  const int w = std::clamp(width, 1, kMaxPictureSide);
  const int h = std::clamp(height, 1, kMaxPictureSide);
  if (w != width || h != height)
    qDebug() << "Picture size" << width << "x" << height << "clamped to" << w << "x" << h;
  return {w, h};
}

void valueWindow(const SliceSetStyle& s, double* low, double* high) {
  const double r = s.rMax - s.rMin;
  *low = s.rMin + s.minPC * r / 100;
  *high = s.rMin + s.maxPC * r / 100;
}

namespace {

// Premultiplied channel values exactly as the painter stores a point of grey level x
// with the given alpha on a transparent premultiplied picture.
std::array<uchar, 256> premultipliedChannels(int alpha) {
  QImage probe(256, 1, QImage::Format_ARGB32_Premultiplied);
  probe.fill(Qt::transparent);
  {
    QPainter p(&probe);
    for (int x = 0; x < 256; ++x) {
      p.setPen(QPen(QColor(x, x, x, alpha)));
      p.drawPoint(x, 0);
    }
  }
  std::array<uchar, 256> t{};
  const QRgb* line = reinterpret_cast<const QRgb*>(probe.constScanLine(0));
  for (int x = 0; x < 256; ++x) t[size_t(x)] = uchar(qBlue(line[x]));
  return t;
}

const uint64_t kNegInfBits = std::bit_cast<uint64_t>(-HUGE_VAL);

struct RayParams {
  const SliceSeries* series;
  int w, h, n;
  double hw, hh, hn;
  // Window on the values as read, each XORed with signMask: an inverted window
  // (high < low) is turned into an upright one on the negated values, which gives
  // the same u bit for bit, so that the largest value kept is still the one shown.
  double low, high, vCut;  // v in [low, vCut] is inside the window
  uint64_t signMask;
  bool section;
  Vec3 normal;
  double s, sLow;  // cut-away depth and the lower end of the section band
  ViewState view;
  int volR, volG, volB, secR, secG, secB;
  std::array<uchar, 256> pm;  // premultiplied channel per grey level at the set's opacity
  uchar pmAlpha;
  bool avx2;  // use the AVX2 sweep
};

inline double flipped(double v, const RayParams& rp) {
  return std::bit_cast<double>(std::bit_cast<uint64_t>(v) ^ rp.signMask);
}

inline double windowed(double v, const RayParams& rp) {
  double u = (v - rp.low) / (rp.high - rp.low) * 256;
  if (u < 0 || u > 255) u = 0;
  return u;
}

// Largest value whose windowed u is still <= 255 (u is monotone in v), so that the
// ray keeps only its largest in-window value and computes u once.
double windowCut(double low, double high) {
  auto ok = [&](double v) { return (v - low) / (high - low) * 256 <= 255; };
  double lo = low, hi = high;
  for (int i = 0; i < 64 && ok(hi); ++i) hi = std::nextafter(hi, HUGE_VAL);
  if (ok(hi)) return hi;
  for (int i = 0; i < 2000; ++i) {
    const double mid = lo + (hi - lo) / 2;
    if (!(mid > lo && mid < hi)) break;
    (ok(mid) ? lo : hi) = mid;
  }
  for (int i = 0; i < 64; ++i) {
    const double nx = std::nextafter(lo, hi);
    if (!(nx < hi) || !ok(nx)) break;
    lo = nx;
  }
  return lo;
}

// Range [k0, k1] of slices whose sample can fall inside the slice, padded by two
// pixels and one slice: a superset of the exact set, which the exact per-sample test
// narrows, so the culling never changes a pixel.
bool sliceRange(const Vec3& p, const RayParams& rp, int* k0, int* k1) {
  const Vec3& ez = rp.view.ez;
  double lo = 0, hi = rp.n - 1;
  auto clip = [&](double pc, double ec, double half) {
    const double b = ec / ez.z;  // Q.c(k) is about a + b k
    const double a = pc + (-rp.hn - p.z) * b;
    const double minC = -half - 2, maxC = half + 2;
    if (std::abs(b) < 1e-9) {
      if (a + std::abs(b) * rp.n < minC || a - std::abs(b) * rp.n > maxC) hi = -1;
      return;
    }
    double ka = (minC - a) / b, kb = (maxC - a) / b;
    if (ka > kb) std::swap(ka, kb);
    lo = std::max(lo, ka - 1);
    hi = std::min(hi, kb + 1);
  };
  clip(p.x, ez.x, rp.hw);
  clip(p.y, ez.y, rp.hh);
  if (!(lo <= hi)) return false;
  *k0 = int(std::ceil(lo));
  *k1 = int(std::floor(hi));
  return *k0 <= *k1;
}

std::atomic<bool> kHasAvx2{__builtin_cpu_supports("avx2") != 0};

// Slices ahead of the one being sampled whose values a tile asks for in advance: a
// tile's samples of one slice are a few short runs in a 2 MiB grid that the
// processor's own prefetcher does not see coming, and waiting for each of them
// costs several times the arithmetic.
constexpr int kPrefetchSlices = 1;

// Where the sample of the same ray kPrefetchSlices slices further on is, as an
// offset from this slice's index: each slice moves the sample by ez.x / ez.z and
// ez.y / ez.z pixels, rounded here, which is close enough for a prefetch.
int prefetchShift(const RayParams& rp) {
  const Vec3& ez = rp.view.ez;
  const double dx = kPrefetchSlices * ez.x / ez.z, dy = kPrefetchSlices * ez.y / ez.z;
  if (!(std::abs(dx) < rp.w && std::abs(dy) < rp.h)) return 0;
  return int(std::lround(dx)) + rp.w * int(std::lround(dy));
}

// Asks for the cache line of value `index` of a slice (any index: a prefetch never
// faults, and the address is formed without pointer arithmetic).
inline void prefetchValue(const double* slice, ptrdiff_t index) {
  __builtin_prefetch(reinterpret_cast<const char*>(reinterpret_cast<uintptr_t>(slice) +
                                                   uintptr_t(index * ptrdiff_t(sizeof(double)))));
}

// One slice over the groups [g0, g1] of four pixels of a tile (pixels 4 g .. 4 g + 3)
// with AVX2: the same IEEE operations in the same order as the scalar loop, and no
// fused multiply-add, so the values and hence the pixels are identical. A group is
// skipped when slice k is outside the union of its rays' slice ranges; within it each
// ray is sampled, since the exact inside test alone decides which samples count
// (the ranges only ever exclude samples that test would reject). With the section,
// samples on the cut-away side are skipped, and a kept sample in the section band at
// least as near the plane as the one in secD puts its windowed value in secVal and
// its depth in secD, as in the scalar section loop.
template <bool kSection>
__attribute__((target("avx2"))) void sweepAvx2(int g0, int g1, int k, double kz, const double* ox,
                                               const double* oy, const double* oz,
                                               const int* gFirst, const int* gLast, double* best,
                                               double* secVal, double* secD, const double* slice,
                                               const double* ahead, int shift,
                                               const RayParams& rp) {
  const ViewState& v = rp.view;
  const __m256d kzv = _mm256_set1_pd(kz), ezz = _mm256_set1_pd(v.ez.z),
                ezx = _mm256_set1_pd(v.ez.x), ezy = _mm256_set1_pd(v.ez.y),
                hw = _mm256_set1_pd(rp.hw), hh = _mm256_set1_pd(rp.hh),
                minus1 = _mm256_set1_pd(-1.0), wD = _mm256_set1_pd(rp.w), hD = _mm256_set1_pd(rp.h),
                low = _mm256_set1_pd(rp.low), cut = _mm256_set1_pd(rp.vCut),
                negInf = _mm256_set1_pd(-HUGE_VAL),
                sign = _mm256_castsi256_pd(_mm256_set1_epi64x(int64_t(rp.signMask)));
  const __m256d nx = _mm256_set1_pd(rp.normal.x), ny = _mm256_set1_pd(rp.normal.y),
                nz = _mm256_set1_pd(rp.normal.z), sv = _mm256_set1_pd(rp.s),
                sLow = _mm256_set1_pd(rp.sLow), range = _mm256_set1_pd(rp.high - rp.low),
                u256 = _mm256_set1_pd(256), u255 = _mm256_set1_pd(255), zero = _mm256_setzero_pd();
  const __m128i wv = _mm_set1_epi32(rp.w);
  for (int g = g0; g <= g1; ++g) {
    // Along a row the rays that meet slice k form a run, so this is well predicted
    // and skips most of the work off the box.
    if (k < gFirst[g] || k > gLast[g]) continue;
    const int at = 4 * g;
    const __m256d t = _mm256_div_pd(_mm256_sub_pd(kzv, _mm256_loadu_pd(oz + at)), ezz);
    const __m256d qx = _mm256_add_pd(_mm256_loadu_pd(ox + at), _mm256_mul_pd(t, ezx));
    const __m256d qy = _mm256_add_pd(_mm256_loadu_pd(oy + at), _mm256_mul_pd(t, ezy));
    const __m256d fx = _mm256_add_pd(qx, hw), fy = _mm256_add_pd(qy, hh);
    const __m256d mask = _mm256_and_pd(
        _mm256_and_pd(_mm256_cmp_pd(fx, minus1, _CMP_GT_OQ), _mm256_cmp_pd(fx, wD, _CMP_LT_OQ)),
        _mm256_and_pd(_mm256_cmp_pd(fy, minus1, _CMP_GT_OQ), _mm256_cmp_pd(fy, hD, _CMP_LT_OQ)));
    if (_mm256_movemask_pd(mask) == 0) continue;
    // Lanes outside the slice get a meaningless index, which the masked gather does
    // not read (and a prefetch never faults).
    const __m128i idx =
        _mm_add_epi32(_mm_mullo_epi32(_mm256_cvttpd_epi32(fy), wv), _mm256_cvttpd_epi32(fx));
    if (ahead) {
      // The four samples span at most a few values of a row, or two rows when the
      // run crosses one: the first and the last cover their lines.
      prefetchValue(ahead, ptrdiff_t(_mm_cvtsi128_si32(idx)) + shift);
      prefetchValue(ahead, ptrdiff_t(_mm_extract_epi32(idx, 3)) + shift);
    }
    // Masked-off lanes read -inf, which fails the window test also when negated.
    const __m256d val = _mm256_xor_pd(_mm256_mask_i32gather_pd(negInf, slice, idx, mask, 8), sign);
    __m256d ok =
        _mm256_and_pd(_mm256_cmp_pd(val, low, _CMP_GE_OQ), _mm256_cmp_pd(val, cut, _CMP_LE_OQ));
    if constexpr (kSection) {
      const __m256d qz = _mm256_add_pd(_mm256_loadu_pd(oz + at), _mm256_mul_pd(t, ezz));
      const __m256d d = _mm256_add_pd(_mm256_add_pd(_mm256_mul_pd(qx, nx), _mm256_mul_pd(qy, ny)),
                                      _mm256_mul_pd(qz, nz));
      // Kept unless d >= s (a not-a-number d is kept, as in the scalar test).
      const __m256d kept = _mm256_andnot_pd(_mm256_cmp_pd(d, sv, _CMP_GE_OQ), mask);
      ok = _mm256_and_pd(ok, kept);
      const __m256d nearest = _mm256_loadu_pd(secD + at);
      const __m256d near = _mm256_and_pd(
          kept,
          _mm256_and_pd(_mm256_cmp_pd(d, sLow, _CMP_GE_OQ), _mm256_cmp_pd(d, nearest, _CMP_GE_OQ)));
      if (_mm256_movemask_pd(near) != 0) {
        // windowed(): u, or 0 where u < 0 or u > 255 (a not-a-number u stays).
        __m256d u = _mm256_mul_pd(_mm256_div_pd(_mm256_sub_pd(val, low), range), u256);
        const __m256d outside =
            _mm256_or_pd(_mm256_cmp_pd(u, zero, _CMP_LT_OQ), _mm256_cmp_pd(u, u255, _CMP_GT_OQ));
        u = _mm256_andnot_pd(outside, u);
        _mm256_storeu_pd(secVal + at, _mm256_blendv_pd(_mm256_loadu_pd(secVal + at), u, near));
        _mm256_storeu_pd(secD + at, _mm256_blendv_pd(nearest, d, near));
      }
    }
    const __m256d cand = _mm256_blendv_pd(negInf, val, ok);
    const __m256d old = _mm256_loadu_pd(best + at);
    _mm256_storeu_pd(best + at, _mm256_max_pd(cand, old));  // cand > old ? cand : old
  }
}

// Per block of picture rows: first the ray origin and slice range of every pixel,
// then slice by slice over the block's pixels, so that each slice is read over a
// small neighbourhood while it is in cache (slices of the same size sit at
// addresses that map onto the same cache sets, and a ray that visits all of them in
// turn misses on almost every sample). The largest value and the last section value
// do not depend on that order, so the pixels are those of the ray-by-ray loop.
void renderRows(const RayParams& rp, QImage& layer, std::atomic<int>& nextBlock) {
  const ViewState& v = rp.view;
  const int W = layer.width(), H = layer.height();
  // 512 rays per tile: long enough a pass over one slice for its prefetched lines to
  // arrive before the next pass reads them (8 x 32 tiles ran 10-15 % slower).
  constexpr int kRows = 16, kCols = 32;
  std::vector<const double*> data(size_t(rp.n));
  for (int k = 0; k < rp.n; ++k) data[size_t(k)] = rp.series->slices[size_t(k)].values.data();
  const size_t w = size_t(rp.w);
  const size_t cap = size_t(kCols) * kRows;
  const int tilesPerRow = (W + kCols - 1) / kCols;
  std::vector<Vec3> origin(cap);
  std::vector<double> ox(cap), oy(cap), oz(cap);
  std::vector<int> kFirst(cap), kLast(cap);
  std::vector<int> gFirst(cap / 4), gLast(cap / 4);  // union of the ranges of each group of 4
  std::vector<double> best(cap), secVal(cap), secD(cap);
  const double wD = rp.w, hD = rp.h;
  const int shift = prefetchShift(rp);
  for (;;) {
    const int tile = nextBlock.fetch_add(1);
    const int j0 = (tile / tilesPerRow) * kRows, i0 = (tile % tilesPerRow) * kCols;
    if (j0 >= H) break;
    const int rows = std::min(kRows, H - j0), cols = std::min(kCols, W - i0);
    const int count = rows * cols;
    int first = count, last = -1, kMin = rp.n, kMax = -1;
    for (int r = 0; r < rows; ++r) {
      const double b = (j0 + r) - H / 2.0;
      for (int i = i0; i < i0 + cols; ++i) {
        const int at = r * cols + (i - i0);
        const double a = i - W / 2.0;
        Vec3& p = origin[size_t(at)];
        p.x = v.m.x + v.scale * (a * v.ex.x + b * v.ey.x);
        p.y = v.m.y + v.scale * (a * v.ex.y + b * v.ey.y);
        p.z = v.m.z + v.scale * (a * v.ex.z + b * v.ey.z);
        ox[size_t(at)] = p.x;
        oy[size_t(at)] = p.y;
        oz[size_t(at)] = p.z;
        best[size_t(at)] = -HUGE_VAL;
        secVal[size_t(at)] = 0;
        secD[size_t(at)] = -HUGE_VAL;
        int k0, k1;
        if (!sliceRange(p, rp, &k0, &k1)) {
          kFirst[size_t(at)] = rp.n;
          kLast[size_t(at)] = -1;
          continue;
        }
        kFirst[size_t(at)] = k0;
        kLast[size_t(at)] = k1;
        first = std::min(first, at);
        last = at;
        kMin = std::min(kMin, k0);
        kMax = std::max(kMax, k1);
      }
    }
    // Up to the next group of four: rays that miss (not-a-number origins fail every
    // comparison of the inside test), then each group's union of slice ranges.
    const int groups = (count + 3) / 4;
    for (int at = count; at < 4 * groups; ++at) {
      ox[size_t(at)] = oy[size_t(at)] = oz[size_t(at)] = std::numeric_limits<double>::quiet_NaN();
      best[size_t(at)] = secD[size_t(at)] = -HUGE_VAL;
      secVal[size_t(at)] = 0;
      kFirst[size_t(at)] = rp.n;
      kLast[size_t(at)] = -1;
    }
    for (int g = 0; g < groups; ++g) {
      const int* f = &kFirst[size_t(4 * g)];
      const int* l = &kLast[size_t(4 * g)];
      gFirst[size_t(g)] = std::min(std::min(f[0], f[1]), std::min(f[2], f[3]));
      gLast[size_t(g)] = std::max(std::max(l[0], l[1]), std::max(l[2], l[3]));
    }
    for (int k = kMin; k <= kMax; ++k) {
      const double* slice = data[size_t(k)];
      const double kz = k - rp.hn;
      const double* ahead =
          k + kPrefetchSlices <= kMax ? data[size_t(k + kPrefetchSlices)] : nullptr;
      if (rp.avx2) {
        if (first <= last) {
          const auto sweep = rp.section ? sweepAvx2<true> : sweepAvx2<false>;
          sweep(first / 4, last / 4, k, kz, ox.data(), oy.data(), oz.data(), gFirst.data(),
                gLast.data(), best.data(), secVal.data(), secD.data(), slice, ahead, shift, rp);
        }
      } else if (rp.section) {
        for (int at = first; at <= last; ++at) {
          if (k < kFirst[size_t(at)] || k > kLast[size_t(at)]) continue;
          const Vec3& p = origin[size_t(at)];
          const double t = (kz - p.z) / v.ez.z;
          const double qx = p.x + t * v.ez.x;
          const double qy = p.y + t * v.ez.y;
          const double fx = qx + rp.hw, fy = qy + rp.hh;
          if (!(fx > -1 && fx < wD && fy > -1 && fy < hD)) continue;
          const size_t index = size_t(int(fy)) * w + size_t(int(fx));
          if (ahead) prefetchValue(ahead, ptrdiff_t(index) + shift);
          const double qz = p.z + t * v.ez.z;
          const double d = qx * rp.normal.x + qy * rp.normal.y + qz * rp.normal.z;
          if (d >= rp.s) continue;
          const double val = flipped(slice[index], rp);
          if (d >= rp.sLow && d >= secD[size_t(at)]) {
            secVal[size_t(at)] = windowed(val, rp);
            secD[size_t(at)] = d;
          }
          if (val >= rp.low && val > best[size_t(at)] && val <= rp.vCut) best[size_t(at)] = val;
        }
      } else {
        // Branch-free, so that many loads are in flight at once.
        for (int at = first; at <= last; ++at) {
          // The pixels whose ray meets slice k form runs along each row, so this
          // branch is well predicted and skips most of the work off the box.
          if (k < kFirst[size_t(at)] || k > kLast[size_t(at)]) continue;
          const Vec3& p = origin[size_t(at)];
          const double t = (kz - p.z) / v.ez.z;
          const double fx = (p.x + t * v.ez.x) + rp.hw;
          const double fy = (p.y + t * v.ez.y) + rp.hh;
          const bool inside = (fx > -1) & (fx < wD) & (fy > -1) & (fy < hD);
          const int ix = int(inside ? fx : 0.0), iy = int(inside ? fy : 0.0);
          const size_t index = size_t(iy) * w + size_t(ix);
          if (ahead) prefetchValue(ahead, ptrdiff_t(index) + shift);
          const double val = flipped(slice[index], rp);
          // The candidate is the value or -inf, chosen by bit mask, and the running
          // best is kept with max: no data-dependent branch to mispredict.
          const bool ok = inside & (val >= rp.low) & (val <= rp.vCut);
          const uint64_t mask = uint64_t(0) - uint64_t(ok);
          const double cand =
              std::bit_cast<double>((std::bit_cast<uint64_t>(val) & mask) | (kNegInfBits & ~mask));
          const double old = best[size_t(at)];
          best[size_t(at)] = old < cand ? cand : old;
        }
      }
    }
    for (int at = first; at <= last; ++at) {
      const double m = best[size_t(at)] > -HUGE_VAL ? windowed(best[size_t(at)], rp) : 0.0;
      const double sv = secVal[size_t(at)];
      int r, g, bl;
      if (rp.section && sv > 0) {
        r = shadeChannel(rp.secR, sv);
        g = shadeChannel(rp.secG, sv);
        bl = shadeChannel(rp.secB, sv);
      } else if (m > 0) {
        r = shadeChannel(rp.volR, m);
        g = shadeChannel(rp.volG, m);
        bl = shadeChannel(rp.volB, m);
      } else {
        continue;
      }
      QRgb* out = reinterpret_cast<QRgb*>(layer.scanLine(j0 + at / cols));
      out[i0 + at % cols] =
          qRgba(rp.pm[size_t(r)], rp.pm[size_t(g)], rp.pm[size_t(bl)], rp.pmAlpha);
    }
  }
}

}  // namespace

bool setVolumeRenderVectorPath(bool enabled) {
  const bool previous = kHasAvx2.load();
  kHasAvx2.store(enabled && __builtin_cpu_supports("avx2"));
  return previous;
}

QImage renderVolumeLayer(const SliceSeries& series, const SliceSetStyle& style,
                         const ViewState& view, int threads) {
  const QSize size = clampedPictureSize(view.width, view.height);
  QImage layer(size, QImage::Format_ARGB32_Premultiplied);
  layer.fill(Qt::transparent);
  const int n = int(series.slices.size());
  if (n == 0 || series.width <= 0 || series.height <= 0 || view.ez.z == 0) return layer;
  RayParams rp{};
  rp.series = &series;
  rp.w = series.width;
  rp.h = series.height;
  rp.n = n;
  rp.hw = rp.w / 2.0;
  rp.hh = rp.h / 2.0;
  rp.hn = n / 2.0;
  valueWindow(style, &rp.low, &rp.high);
  // An empty window gives every value u = 0, an infinite (or not-a-number) one
  // u = 0 or not a number: nothing is drawn.
  if (rp.high == rp.low || !std::isfinite(rp.high - rp.low)) return layer;
  if (rp.high < rp.low) {
    rp.signMask = std::bit_cast<uint64_t>(-0.0);
    rp.low = -rp.low;
    rp.high = -rp.high;
  }
  rp.vCut = windowCut(rp.low, rp.high);
  rp.section = style.showSection;
  rp.avx2 = kHasAvx2.load();
  rp.normal = style.sectionNormal;
  rp.s = style.slider / 100.0 * n;
  rp.sLow = rp.s - sectionBand(rp.normal, view.ez);
  rp.view = view;
  rp.view.width = size.width();
  rp.view.height = size.height();
  rp.volR = style.volumeColor.red();
  rp.volG = style.volumeColor.green();
  rp.volB = style.volumeColor.blue();
  rp.secR = style.sectionColor.red();
  rp.secG = style.sectionColor.green();
  rp.secB = style.sectionColor.blue();
  const int alpha = std::clamp(style.opacity, 0, 255);
  rp.pm = premultipliedChannels(alpha);
  {
    // The stored alpha of such a point, read the same way.
    QImage probe(1, 1, QImage::Format_ARGB32_Premultiplied);
    probe.fill(Qt::transparent);
    QPainter p(&probe);
    p.setPen(QPen(QColor(255, 255, 255, alpha)));
    p.drawPoint(0, 0);
    p.end();
    rp.pmAlpha = uchar(qAlpha(probe.pixel(0, 0)));
  }
  if (threads <= 0) threads = int(std::max(1u, std::thread::hardware_concurrency()));
  std::atomic<int> nextRow{0};
  std::vector<std::thread> pool;
  for (int t = 1; t < threads; ++t) pool.emplace_back([&] { renderRows(rp, layer, nextRow); });
  renderRows(rp, layer, nextRow);
  for (auto& t : pool) t.join();
  return layer;
}

namespace {

QPoint projectCorner(const Vec3& q, const ViewState& v, int W, int H) {
  const Vec3 d = q - v.m;
  return QPoint(int(W / 2.0 + d.dot(v.ex) / v.scale), int(H / 2.0 + d.dot(v.ey) / v.scale));
}

}  // namespace

void paintFrame(QPainter& p, const SliceSeries& series, const SliceSetStyle& style,
                const ViewState& view, bool front, double lineOffset) {
  const double hw = series.width / 2.0, hh = series.height / 2.0, hn = series.slices.size() / 2.0;
  const int W = view.width, H = view.height;
  p.setPen(QPen(style.volumeColor));
  // Each face: its centre's axis and sign; its corners run around the face.
  for (int axis = 0; axis < 3; ++axis) {
    for (int sign = -1; sign <= 1; sign += 2) {
      Vec3 centre;
      (axis == 0   ? centre.x
       : axis == 1 ? centre.y
                   : centre.z) = sign * (axis == 0   ? hw
                                         : axis == 1 ? hh
                                                     : hn);
      const double depth = centre.dot(view.ez);
      if (front ? !(depth > 0) : !(depth < 0)) continue;
      // The two other axes span the face.
      const double half[3] = {hw, hh, hn};
      const int a1 = (axis + 1) % 3, a2 = (axis + 2) % 3;
      const int su[4] = {-1, 1, 1, -1}, sv[4] = {-1, -1, 1, 1};
      QPoint pts[4];
      for (int c = 0; c < 4; ++c) {
        double q[3];
        q[axis] = sign * half[axis];
        q[a1] = su[c] * half[a1];
        q[a2] = sv[c] * half[a2];
        pts[c] = projectCorner(Vec3(q[0], q[1], q[2]), view, W, H);
      }
      for (int c = 0; c < 4; ++c) {
        if (lineOffset == 0) {
          p.drawLine(pts[c], pts[(c + 1) % 4]);
        } else {
          const QPointF o(lineOffset, lineOffset);
          p.drawLine(QPointF(pts[c]) + o, QPointF(pts[(c + 1) % 4]) + o);
        }
      }
    }
  }
}

void paintPicture(QPainter& p, int width, int height, const std::vector<SliceSetInput>& sets,
                  const ViewState& view, double lineOffset) {
  ViewState v = view;
  v.width = width;
  v.height = height;
  p.fillRect(QRect(0, 0, width, height), Qt::white);
  for (const auto& set : sets) {
    if (!set.series) continue;
    const SliceSeries& s = *set.series;
    if (s.width <= 0 || s.height <= 0 || s.slices.empty()) continue;
    if (set.style.showFrame) paintFrame(p, s, set.style, v, false, lineOffset);
    if (set.style.showVolume) p.drawImage(0, 0, renderVolumeLayer(s, set.style, v));
    if (set.style.showFrame) paintFrame(p, s, set.style, v, true, lineOffset);
  }
}

QImage renderPicture(const std::vector<SliceSetInput>& sets, const ViewState& view) {
  const QSize size = clampedPictureSize(view.width, view.height);
  QImage picture(size, QImage::Format_ARGB32_Premultiplied);
  QPainter p(&picture);
  paintPicture(p, size.width(), size.height(), sets, view);
  p.end();
  return picture;
}
