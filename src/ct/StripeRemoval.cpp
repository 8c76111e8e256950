#include "ct/StripeRemoval.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
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

// Sorts n keys with their rows: least significant digit first, 8 bits a
// pass, passes whose digit is the same for every key skipped (the sign and
// exponent bytes of values of one range). Returns the buffers that hold the
// result (the first pair or the spare one).
struct Sorted {
  std::uint64_t* key;
  std::int32_t* row;
};
Sorted radixSort(std::uint64_t* key, std::int32_t* row, std::uint64_t* spareKey,
                 std::int32_t* spareRow, int n) {
  std::uint32_t count[8][256] = {};
  for (int i = 0; i < n; ++i) {
    const std::uint64_t k = key[i];
    for (int d = 0; d < 8; ++d) ++count[d][(k >> (8 * d)) & 0xff];
  }
  for (int d = 0; d < 8; ++d) {
    const int shift = 8 * d;
    if (count[d][(key[0] >> shift) & 0xff] == static_cast<std::uint32_t>(n)) continue;
    std::uint32_t at[256];
    std::uint32_t sum = 0;
    for (int b = 0; b < 256; ++b) {
      at[b] = sum;
      sum += count[d][b];
    }
    for (int i = 0; i < n; ++i) {
      const std::uint32_t to = at[(key[i] >> shift) & 0xff]++;
      spareKey[to] = key[i];
      spareRow[to] = row[i];
    }
    std::swap(key, spareKey);
    std::swap(row, spareRow);
  }
  return {key, row};
}

// Column index x mirrored into [0, width): -1 -> 0, -2 -> 1, width -> width - 1.
inline int mirrored(int x, int width) {
  while (x < 0 || x >= width) x = x < 0 ? -x - 1 : 2 * width - x - 1;
  return x;
}

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
  std::vector<std::uint64_t> sorted, filtered, spareKeys, window;
  std::vector<std::int32_t> rowOf, spareRows, rankOf;
};

}  // namespace

void removeStripes(double* sgm, int width, int rows, int size) {
  if (!sgm || width < 2 || rows < 1 || size < 3) return;
  size = std::min(size | 1, (width - 1) | 1);  // odd, at most width
  if (size < 3) return;
  const int half = size / 2;
  const std::size_t count = static_cast<std::size_t>(width) * rows;
  thread_local StripeBuffers buf;
  // Column-major: column x's sorted keys (ascending, as its values) and the
  // rows they came from at x * rows ... x * rows + rows - 1.
  buf.sorted.resize(count);
  buf.filtered.resize(count);
  buf.rowOf.resize(count);
  buf.spareKeys.resize(rows);
  buf.spareRows.resize(rows);
  std::uint64_t* sorted = buf.sorted.data();
  std::uint64_t* filtered = buf.filtered.data();
  std::int32_t* rowOf = buf.rowOf.data();
  auto column = [rows](auto* base, int x) { return base + static_cast<std::size_t>(x) * rows; };

  // Columns are gathered a block at a time, so that every sinogram row read
  // (and, at the end, written) touches whole cache lines.
  constexpr int kBlock = 8;
  for (int x0 = 0; x0 < width; x0 += kBlock) {
    const int bw = std::min(kBlock, width - x0);
    for (int r = 0; r < rows; ++r) {
      const double* src = sgm + static_cast<std::size_t>(r) * width + x0;
      for (int b = 0; b < bw; ++b) {
        column(sorted, x0 + b)[r] = orderedKey(src[b]);
        column(rowOf, x0 + b)[r] = r;
      }
    }
    for (int x = x0; x < x0 + bw; ++x) {
      std::uint64_t* k = column(sorted, x);
      std::int32_t* o = column(rowOf, x);
      if (radixSort(k, o, buf.spareKeys.data(), buf.spareRows.data(), rows).key != k) {
        // An odd number of passes left the column in the spare buffers.
        std::copy(buf.spareKeys.begin(), buf.spareKeys.end(), k);
        std::copy(buf.spareRows.begin(), buf.spareRows.end(), o);
      }
    }
  }

  // Median across the detector at every rank (keys order as their values,
  // so the median of keys is the key of the median), kLanes ranks side by
  // side so that each column step reads one cache line.
  constexpr int kLanes = 8;
  buf.window.resize(static_cast<std::size_t>(kLanes) * size);
  for (int r0 = 0; r0 < rows; r0 += kLanes) {
    const int lanes = std::min(kLanes, rows - r0);
    RunningMedian med[kLanes];
    for (int l = 0; l < lanes; ++l) {
      med[l] = RunningMedian{buf.window.data() + static_cast<std::size_t>(l) * size, size};
      for (int i = 0; i < size; ++i)
        med[l].w[i] = column(sorted, mirrored(i - half, width))[r0 + l];
      std::sort(med[l].w, med[l].w + size);
    }
    for (int x = 0;; ++x) {
      std::uint64_t* out = column(filtered, x) + r0;
      for (int l = 0; l < lanes; ++l) out[l] = med[l].median();
      if (x + 1 == width) break;
      const std::uint64_t* leaving = column(sorted, mirrored(x - half, width)) + r0;
      const std::uint64_t* entering = column(sorted, mirrored(x + half + 1, width)) + r0;
      for (int l = 0; l < lanes; ++l) med[l].replace(leaving[l], entering[l]);
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
        dst[b] =
            keyValue(column(filtered, x0 + b)[buf.rankOf[static_cast<std::size_t>(b) * rows + r]]);
    }
  }
}
