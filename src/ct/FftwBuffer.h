#pragma once

#include <fftw3.h>

#include <cstddef>
#include <cstring>

#include "base/HugePages.h"

// Owns one block of FFTW-allocated memory (aligned for FFTW's SIMD code) of
// `count` elements of T, zero-filled on allocation (large blocks on large
// pages where the system offers them).
template <typename T>
class FftwBuffer {
 public:
  FftwBuffer() = default;
  explicit FftwBuffer(std::size_t count) { allocate(count); }
  ~FftwBuffer() { release(); }
  FftwBuffer(const FftwBuffer&) = delete;
  FftwBuffer& operator=(const FftwBuffer&) = delete;
  FftwBuffer(FftwBuffer&& o) noexcept : data_(o.data_), count_(o.count_) {
    o.data_ = nullptr;
    o.count_ = 0;
  }
  FftwBuffer& operator=(FftwBuffer&& o) noexcept {
    if (this != &o) {
      release();
      data_ = o.data_;
      count_ = o.count_;
      o.data_ = nullptr;
      o.count_ = 0;
    }
    return *this;
  }

  bool allocate(std::size_t count) {
    release();
    if (count == 0) return true;
    data_ = static_cast<T*>(fftw_malloc(count * sizeof(T)));
    if (!data_) return false;
    hugepages::advise(data_, data_ + count);
    std::memset(static_cast<void*>(data_), 0, count * sizeof(T));
    count_ = count;
    return true;
  }
  void release() {
    if (data_) fftw_free(data_);
    data_ = nullptr;
    count_ = 0;
  }

  T* get() const { return data_; }
  std::size_t size() const { return count_; }

 private:
  T* data_ = nullptr;
  std::size_t count_ = 0;
};
