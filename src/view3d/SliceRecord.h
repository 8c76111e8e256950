#pragma once

// One loaded slice of a 3D slice series: its grid size, where it came from and
// its values, stored contiguously row by row (one double per pixel), so that the
// renderer reads a slice as a plain array.

#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

#include "base/HugePages.h"

// Allocator of slice values: grids of 2 MiB and more are huge-page backed
// (base/HugePages.h), since the renderer reads every slice of a series in
// turn and with small pages spends most of its time on address translation.
template <class T>
struct SliceAllocator {
  using value_type = T;
  SliceAllocator() = default;
  template <class U>
  SliceAllocator(const SliceAllocator<U>&) {}
  T* allocate(size_t n) {
    if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(hugepages::allocate(n * sizeof(T)));
  }
  void deallocate(T* p, size_t n) { hugepages::release(p, n * sizeof(T)); }
  template <class U>
  bool operator==(const SliceAllocator<U>&) const {
    return true;
  }
};

using SliceValues = std::vector<double, SliceAllocator<double>>;

struct SliceRecord {
  int width = 0, height = 0;
  bool isImage = false;
  QImage image;  // the picture the slice was read from, when it was one
  double minimum = 0, maximum = 0;
  SliceValues values;  // row-major, values[y * width + x]

  double value(int x, int y) const { return values[size_t(y) * size_t(width) + size_t(x)]; }
  const double* row(int y) const { return values.data() + size_t(y) * size_t(width); }
};
