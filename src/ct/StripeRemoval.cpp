#include "ct/StripeRemoval.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace {

// Doubles as unsigned keys in the same order (negative numbers reversed,
// positive ones above them; a NaN sorts to an end instead of breaking the
// sort), and back.
inline std::uint64_t orderedKey(double v) {
  const auto b = std::bit_cast<std::uint64_t>(v);
  return b & (1ULL << 63) ? ~b : b | (1ULL << 63);
}
inline double keyValue(std::uint64_t k) {
  return std::bit_cast<double>(k & (1ULL << 63) ? k & ~(1ULL << 63) : ~k);
}

// An order-preserving 32-bit key of a double: that of the value rounded to
// float (rounding keeps the order, though values may tie).
inline std::uint32_t floatKey(double v) {
  const auto b = std::bit_cast<std::uint32_t>(static_cast<float>(v));
  return b & (1U << 31) ? ~b : b | (1U << 31);
}

// Sorts n packed words (a 32-bit key in the high half, the row in the low
// half) by their high half: least significant digit first, 8 bits a pass,
// passes whose digit is the same for every word skipped. Stable, so rows of
// equal keys stay in row order. Returns the buffer holding the result.
std::uint64_t* radixSortHigh(std::uint64_t* w, std::uint64_t* spare, int n) {
  std::uint32_t count[4][256] = {};
  for (int i = 0; i < n; ++i) {
    const auto k = static_cast<std::uint32_t>(w[i] >> 32);
    ++count[0][k & 0xff];
    ++count[1][(k >> 8) & 0xff];
    ++count[2][(k >> 16) & 0xff];
    ++count[3][k >> 24];
  }
  for (int d = 0; d < 4; ++d) {
    const int shift = 32 + 8 * d;
    if (count[d][(w[0] >> shift) & 0xff] == static_cast<std::uint32_t>(n)) continue;
    std::uint32_t at[256];
    std::uint32_t sum = 0;
    for (int b = 0; b < 256; ++b) {
      at[b] = sum;
      sum += count[d][b];
    }
    for (int i = 0; i < n; ++i) spare[at[(w[i] >> shift) & 0xff]++] = w[i];
    std::swap(w, spare);
  }
  return w;
}

// Column index x mirrored into [0, width): -1 -> 0, -2 -> 1, width -> width - 1.
inline int mirrored(int x, int width) {
  while (x < 0 || x >= width) x = x < 0 ? -x - 1 : 2 * width - x - 1;
  return x;
}

// A selection network for `size` values that puts the values of ranks
// size / 2 - 1 and size / 2 (size even) on two known wires: the comparators
// of Batcher's odd-even merge sort of the next power of two, with the padding
// wires (half of them below every value, the rest above) resolved while the
// network is built, and only the comparators those two wires depend on kept.
struct MiddleNetwork {
  int wires = 0;
  std::vector<std::pair<int, int>> pairs;  // (wire given the min, wire given the max)
  int lowWire = 0, highWire = 0;

  explicit MiddleNetwork(int size) : wires(size) {
    int p = 1;
    while (p < size) p *= 2;
    std::vector<std::pair<int, int>> all;
    for (int span = 1; span < p; span *= 2)
      for (int k = span; k >= 1; k /= 2)
        for (int j = k % span; j + k < p; j += 2 * k)
          for (int i = 0; i < std::min(k, p - j - k); ++i)
            if ((i + j) / (2 * span) == (i + j + k) / (2 * span))
              all.emplace_back(i + j, i + j + k);
    // Position w of the sorting network holds -inf, a value (in slot[w]) or
    // +inf; a comparator with a padding input needs no work, at most an
    // exchange of what two positions hold.
    const int lowPads = (p - size) / 2;
    enum Kind { Low, Value, High };
    std::vector<int> slot(p), kind(p);
    for (int w = 0; w < p; ++w) {
      kind[w] = w < lowPads ? Low : (w < lowPads + size ? Value : High);
      slot[w] = kind[w] == Value ? w - lowPads : -1;
    }
    std::vector<std::pair<int, int>> ops;
    for (auto [i, j] : all) {
      if (kind[i] == Low || kind[j] == High) continue;  // in order already
      if (kind[i] == High || kind[j] == Low) {
        std::swap(slot[i], slot[j]);
        std::swap(kind[i], kind[j]);
        continue;
      }
      ops.emplace_back(slot[i], slot[j]);
    }
    lowWire = slot[lowPads + size / 2 - 1];
    highWire = slot[lowPads + size / 2];
    std::vector<char> live(size, 0);
    live[lowWire] = live[highWire] = 1;
    for (auto it = ops.rbegin(); it != ops.rend(); ++it) {
      if (live[it->first] || live[it->second]) {
        live[it->first] = live[it->second] = 1;
        pairs.push_back(*it);
      }
    }
    std::reverse(pairs.begin(), pairs.end());
  }
};

// The network applied to kNetLanes windows side by side (wire w's values at
// v[w * kNetLanes ...]), with vectors of Width doubles: each comparator is a
// few vector min/max pairs. One version per instruction set, picked at run
// time (vectors wider than the processor's would be taken apart lane by lane).
constexpr int kNetLanes = 16;
template <int Width>
inline void applyNetworkAs(double* v, const std::pair<int, int>* pairs, int count) {
  typedef double Vec __attribute__((vector_size(Width * sizeof(double))));
  for (int c = 0; c < count; ++c) {
    double* a = v + static_cast<std::size_t>(pairs[c].first) * kNetLanes;
    double* b = v + static_cast<std::size_t>(pairs[c].second) * kNetLanes;
    for (int q = 0; q < kNetLanes; q += Width) {
      Vec x, y;
      std::memcpy(&x, a + q, sizeof x);
      std::memcpy(&y, b + q, sizeof y);
      const Vec lo = y < x ? y : x;
      const Vec hi = y < x ? x : y;
      std::memcpy(a + q, &lo, sizeof lo);
      std::memcpy(b + q, &hi, sizeof hi);
    }
  }
}
__attribute__((target("avx512f"))) void applyNetworkAvx512(double* v,
                                                           const std::pair<int, int>* pairs,
                                                           int count) {
  applyNetworkAs<8>(v, pairs, count);
}
__attribute__((target("avx2"))) void applyNetworkAvx2(double* v, const std::pair<int, int>* pairs,
                                                      int count) {
  applyNetworkAs<4>(v, pairs, count);
}
void applyNetworkSse2(double* v, const std::pair<int, int>* pairs, int count) {
  applyNetworkAs<2>(v, pairs, count);
}
using NetworkFn = void (*)(double*, const std::pair<int, int>*, int);
NetworkFn pickNetwork() {
  __builtin_cpu_init();
  if (__builtin_cpu_supports("avx512f")) return applyNetworkAvx512;
  if (__builtin_cpu_supports("avx2")) return applyNetworkAvx2;
  return applyNetworkSse2;
}

// Windows up to this size take the selection network, larger ones the
// running median.
constexpr int kNetworkLimit = 32;

// A running median of `size` (odd) keys: the window is kept sorted; each
// step finds the places of the leaving and the entering key by branch-free
// binary search and slides the keys between them by one.
struct RunningMedian {
  std::uint64_t* w;
  int size;

  std::uint64_t median() const { return w[size / 2]; }
  // Number of keys in the window below k.
  int below(std::uint64_t k) const {
    const std::uint64_t* base = w;
    int n = size;
    while (n > 1) {
      const int h = n / 2;
      base = base[h - 1] < k ? base + h : base;
      n -= h;
    }
    return static_cast<int>(base - w) + (*base < k);
  }
  void replace(std::uint64_t leaving, std::uint64_t entering) {
    const int p = below(leaving);  // the leaving key's place
    const int q = below(entering);
    if (q > p) {
      // entering > leaving: the keys after p and below entering move down.
      std::memmove(w + p, w + p + 1, sizeof(std::uint64_t) * (q - 1 - p));
      w[q - 1] = entering;
    } else {
      std::memmove(w + q + 1, w + q, sizeof(std::uint64_t) * (p - q));
      w[q] = entering;
    }
  }
};

// Work arrays, kept per thread so that a worker reuses them slice after
// slice instead of paying for fresh pages each time.
struct StripeBuffers {
  std::vector<double> sorted, filtered, values, lanes;
  std::vector<std::uint64_t> packed, spare, window;
  std::vector<std::int32_t> rowOf, rankOf;
};

}  // namespace

void removeStripes(double* sgm, int width, int rows, int size) {
  if (!sgm || width < 2 || rows < 1 || size < 3) return;
  size = std::min(size | 1, (width - 1) | 1);  // odd, at most width
  if (size < 3) return;
  const int half = size / 2;
  const std::size_t count = static_cast<std::size_t>(width) * rows;
  thread_local StripeBuffers buf;
  // Column-major: column x's values in ascending order and the rows they
  // came from at x * rows ... x * rows + rows - 1.
  constexpr int kBlock = 8;
  buf.sorted.resize(count);
  buf.filtered.resize(count);
  buf.rowOf.resize(count);
  buf.values.resize(static_cast<std::size_t>(kBlock) * rows);
  buf.packed.resize(static_cast<std::size_t>(kBlock) * rows);
  buf.spare.resize(rows);
  double* sorted = buf.sorted.data();
  double* filtered = buf.filtered.data();
  std::int32_t* rowOf = buf.rowOf.data();
  auto column = [rows](auto* base, int x) { return base + static_cast<std::size_t>(x) * rows; };

  // Columns are gathered a block at a time, so that every sinogram row read
  // (and, at the end, written) touches whole cache lines. A column is sorted
  // by the 32-bit keys of its values with the rows packed beside them, then
  // made exactly ascending by an insertion pass (only values that round to
  // one float can still be out of order).
  for (int x0 = 0; x0 < width; x0 += kBlock) {
    const int bw = std::min(kBlock, width - x0);
    for (int r = 0; r < rows; ++r) {
      const double* src = sgm + static_cast<std::size_t>(r) * width + x0;
      for (int b = 0; b < bw; ++b) {
        const std::size_t at = static_cast<std::size_t>(b) * rows + r;
        buf.values[at] = src[b];
        buf.packed[at] =
            static_cast<std::uint64_t>(floatKey(src[b])) << 32 | static_cast<std::uint32_t>(r);
      }
    }
    for (int b = 0; b < bw; ++b) {
      const double* v = buf.values.data() + static_cast<std::size_t>(b) * rows;
      const std::uint64_t* w = radixSortHigh(buf.packed.data() + static_cast<std::size_t>(b) * rows,
                                             buf.spare.data(), rows);
      double* out = column(sorted, x0 + b);
      std::int32_t* from = column(rowOf, x0 + b);
      for (int k = 0; k < rows; ++k) {
        const auto r = static_cast<std::int32_t>(w[k] & 0xffffffffU);
        const double value = v[r];
        int at = k;
        while (at > 0 && value < out[at - 1]) {
          out[at] = out[at - 1];
          from[at] = from[at - 1];
          --at;
        }
        out[at] = value;
        from[at] = r;
      }
    }
  }

  // Median across the detector at every rank (a column's value of rank k
  // against the neighbouring columns' values of rank k), several ranks side
  // by side.
  if (size <= kNetworkLimit) {
    // Two neighbouring windows share size - 1 columns: with those sorted as
    // far as their two middle values t[h - 1] <= t[h], the median of a
    // window is its own extra value a clamped to them, min(max(a, t[h - 1]),
    // t[h]); one network serves two columns of output.
    static const NetworkFn apply = pickNetwork();
    thread_local MiddleNetwork net(2);
    if (net.wires != size - 1) net = MiddleNetwork(size - 1);
    buf.lanes.resize(static_cast<std::size_t>(size - 1) * kNetLanes);
    double* v = buf.lanes.data();
    const double* lowMid = v + static_cast<std::size_t>(net.lowWire) * kNetLanes;
    const double* highMid = v + static_cast<std::size_t>(net.highWire) * kNetLanes;
    for (int r0 = 0; r0 < rows; r0 += kNetLanes) {
      const int lanes = std::min(kNetLanes, rows - r0);
      for (int x = 0; x < width; x += 2) {
        for (int i = 0; i < size - 1; ++i) {
          const double* in = column(sorted, mirrored(x - half + 1 + i, width)) + r0;
          double* to = v + static_cast<std::size_t>(i) * kNetLanes;
          if (lanes == kNetLanes)
            std::memcpy(to, in, sizeof(double) * kNetLanes);
          else
            std::copy(in, in + lanes, to);
        }
        apply(v, net.pairs.data(), static_cast<int>(net.pairs.size()));
        for (int j = 0; j < 2 && x + j < width; ++j) {
          const double* a = column(sorted, mirrored(j == 0 ? x - half : x + half + 1, width)) + r0;
          double* out = column(filtered, x + j) + r0;
          for (int l = 0; l < lanes; ++l) {
            const double lo = a[l] < lowMid[l] ? lowMid[l] : a[l];
            out[l] = highMid[l] < lo ? highMid[l] : lo;
          }
        }
      }
    }
  } else {
    constexpr int kLanes = 8;
    buf.window.resize(static_cast<std::size_t>(kLanes) * size);
    for (int r0 = 0; r0 < rows; r0 += kLanes) {
      const int lanes = std::min(kLanes, rows - r0);
      RunningMedian med[kLanes];
      for (int l = 0; l < lanes; ++l) {
        med[l] = RunningMedian{buf.window.data() + static_cast<std::size_t>(l) * size, size};
        for (int i = 0; i < size; ++i)
          med[l].w[i] = orderedKey(column(sorted, mirrored(i - half, width))[r0 + l]);
        std::sort(med[l].w, med[l].w + size);
      }
      for (int x = 0;; ++x) {
        double* out = column(filtered, x) + r0;
        for (int l = 0; l < lanes; ++l) out[l] = keyValue(med[l].median());
        if (x + 1 == width) break;
        const double* leaving = column(sorted, mirrored(x - half, width)) + r0;
        const double* entering = column(sorted, mirrored(x + half + 1, width)) + r0;
        for (int l = 0; l < lanes; ++l)
          med[l].replace(orderedKey(leaving[l]), orderedKey(entering[l]));
      }
    }
  }

  // Every filtered value back to the row it came from. A block of columns
  // at a time, their rank of every row is looked up so that the sinogram is
  // written row by row, whole cache lines at a time.
  buf.rankOf.resize(static_cast<std::size_t>(kBlock) * rows);
  for (int x0 = 0; x0 < width; x0 += kBlock) {
    const int bw = std::min(kBlock, width - x0);
    for (int b = 0; b < bw; ++b) {
      const std::int32_t* from = column(rowOf, x0 + b);
      std::int32_t* rank = buf.rankOf.data() + static_cast<std::size_t>(b) * rows;
      for (int k = 0; k < rows; ++k) rank[from[k]] = k;
    }
    for (int r = 0; r < rows; ++r) {
      double* dst = sgm + static_cast<std::size_t>(r) * width + x0;
      for (int b = 0; b < bw; ++b)
        dst[b] = column(filtered, x0 + b)[buf.rankOf[static_cast<std::size_t>(b) * rows + r]];
    }
  }
}
