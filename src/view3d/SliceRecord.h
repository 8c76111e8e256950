#pragma once

// One loaded slice of a 3D slice series: its grid size, where it came from and
// its values, stored contiguously row by row (one double per pixel), so that the
// renderer reads a slice as a plain array.

#include <sys/mman.h>

#include <QImage>
#include <cstdint>
#include <cstdlib>
#include <new>
#include <vector>

// Allocator of slice values: grids of 2 MiB and more are aligned to 2 MiB and asked
// to be backed by huge pages, since the renderer reads every slice of a series in
// turn and with small pages spends most of its time on address translation.
template <class T>
struct SliceAllocator {
  using value_type = T;
  SliceAllocator() = default;
  template <class U>
  SliceAllocator(const SliceAllocator<U>&) {}
  T* allocate(size_t n) {
    constexpr size_t kHuge = size_t(2) << 20;
    const size_t bytes = n * sizeof(T);
    if (n > size_t(-1) / sizeof(T)) throw std::bad_alloc();
    void* p = nullptr;
    if (bytes >= kHuge) {
      // Map exactly the 2 MiB-aligned range the grid needs (page-rounded), so that
      // no huge page is spent on slack before or after it.
      const size_t len = (bytes + 4095) & ~size_t(4095);
      void* m =
          mmap(nullptr, len + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
      if (m == MAP_FAILED) throw std::bad_alloc();
      char* base = static_cast<char*>(m);
      char* aligned = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(base) + kHuge - 1) &
                                              ~uintptr_t(kHuge - 1));
      if (aligned > base) munmap(base, size_t(aligned - base));
      const size_t tail = size_t(base + len + kHuge - (aligned + len));
      if (tail) munmap(aligned + len, tail);
      madvise(aligned, len, MADV_HUGEPAGE);  // advice only; failure is harmless
      p = aligned;
    } else {
      p = std::malloc(bytes ? bytes : 1);
      if (!p) throw std::bad_alloc();
    }
    return static_cast<T*>(p);
  }
  void deallocate(T* p, size_t n) {
    const size_t bytes = n * sizeof(T);
    if (bytes >= (size_t(2) << 20))
      munmap(p, (bytes + 4095) & ~size_t(4095));
    else
      std::free(p);
  }
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
