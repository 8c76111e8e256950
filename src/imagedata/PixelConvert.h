#pragma once

#include <cstdint>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include "base/HugePages.h"

// Conversion of raw little-endian or native pixels to doubles, shared by the
// frame readers. Loads go through memcpy so that unaligned data are safe.
namespace pixel {

enum class Kind { U8, S8, U16, S16, U32, S32, F32, F64, None };

inline int bytesOf(Kind k) {
  switch (k) {
    case Kind::U8:
    case Kind::S8: return 1;
    case Kind::U16:
    case Kind::S16: return 2;
    case Kind::U32:
    case Kind::S32:
    case Kind::F32: return 4;
    case Kind::F64: return 8;
    case Kind::None: return 0;
  }
  return 0;
}

template <typename T>
inline void convert(const unsigned char* src, long long count, long long strideBytes, double* out) {
  for (long long i = 0; i < count; ++i) {
    T v;
    std::memcpy(&v, src + i * strideBytes, sizeof(T));
    out[i] = static_cast<double>(v);
  }
}

// Converts count pixels starting at src, stride bytes apart (native byte order).
inline void toDoubles(Kind k, const unsigned char* src, long long count, long long stride,
                      double* out) {
  switch (k) {
    case Kind::U8: convert<std::uint8_t>(src, count, stride, out); break;
    case Kind::S8: convert<std::int8_t>(src, count, stride, out); break;
    case Kind::U16: convert<std::uint16_t>(src, count, stride, out); break;
    case Kind::S16: convert<std::int16_t>(src, count, stride, out); break;
    case Kind::U32: convert<std::uint32_t>(src, count, stride, out); break;
    case Kind::S32: convert<std::int32_t>(src, count, stride, out); break;
    case Kind::F32: convert<float>(src, count, stride, out); break;
    case Kind::F64: convert<double>(src, count, stride, out); break;
    case Kind::None:
      for (long long i = 0; i < count; ++i) out[i] = 0.0;
      break;
  }
}

// Allocator whose resize() leaves new elements uninitialised, for buffers that
// a file read fills completely right after. Frame-sized blocks are huge-page
// backed (see HugePages.h).
template <typename T>
struct UninitAllocator : std::allocator<T> {
  template <typename U>
  struct rebind {
    using other = UninitAllocator<U>;
  };
  UninitAllocator() = default;
  template <typename U>
  UninitAllocator(const UninitAllocator<U>&) noexcept {}
  T* allocate(std::size_t n) {
    if (n > std::size_t(-1) / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(hugepages::allocate(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) noexcept { hugepages::release(p, n * sizeof(T)); }
  template <typename U>
  void construct(U* p) noexcept {
    ::new (static_cast<void*>(p)) U;
  }
  template <typename U, typename... A>
  void construct(U* p, A&&... a) {
    ::new (static_cast<void*>(p)) U(std::forward<A>(a)...);
  }
};

}  // namespace pixel
