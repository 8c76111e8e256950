#pragma once

// Memory for large pixel and value buffers. Blocks of 2 MiB and more are mapped
// on their own, aligned to 2 MiB and advised to be backed by huge pages: a
// projection series or a slice series of several gigabytes otherwise spends
// most of its loading time on page faults (one per 4 KiB) and later, when it is
// read through, on address translation. Smaller blocks come from malloc.

#include <sys/mman.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <new>

// Under AddressSanitizer every block comes from the ordinary allocator (still
// 2 MiB-aligned when large): the sanitizer cannot see overflows of a block
// mapped on its own.
#if defined(__SANITIZE_ADDRESS__)
#define VANTO_HUGEPAGES_PLAIN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define VANTO_HUGEPAGES_PLAIN 1
#endif
#endif
#ifndef VANTO_HUGEPAGES_PLAIN
#define VANTO_HUGEPAGES_PLAIN 0
#endif

namespace hugepages {

constexpr std::size_t kHuge = std::size_t(2) << 20;
constexpr bool kMapped = !VANTO_HUGEPAGES_PLAIN;

inline std::size_t mappedLength(std::size_t bytes) { return (bytes + 4095) & ~std::size_t(4095); }

// At least `bytes` bytes, uninitialised; throws std::bad_alloc.
inline void* allocate(std::size_t bytes) {
  if (bytes < kHuge) {
    void* p = std::malloc(bytes ? bytes : 1);
    if (!p) throw std::bad_alloc();
    return p;
  }
  if (!kMapped) {
    void* p = nullptr;
    if (posix_memalign(&p, kHuge, bytes) != 0) throw std::bad_alloc();
    return p;
  }
  // Map exactly the 2 MiB-aligned range that is needed (page-rounded), so that
  // no huge page is spent on slack before or after it.
  const std::size_t len = mappedLength(bytes);
  void* m = mmap(nullptr, len + kHuge, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (m == MAP_FAILED) throw std::bad_alloc();
  char* base = static_cast<char*>(m);
  char* aligned = reinterpret_cast<char*>((reinterpret_cast<std::uintptr_t>(base) + kHuge - 1) &
                                          ~std::uintptr_t(kHuge - 1));
  if (aligned > base) munmap(base, std::size_t(aligned - base));
  const std::size_t tail = std::size_t(base + len + kHuge - (aligned + len));
  if (tail) munmap(aligned + len, tail);
  madvise(aligned, len, MADV_HUGEPAGE);  // advice only; failure is harmless
  return aligned;
}

// Asks the system to back the 2 MiB-aligned part of [begin, end) of a buffer
// that came from another allocator (malloc, fftw_malloc) with huge pages.
// Results and work arrays of tens of megabytes are written once into fresh
// memory; with 4 KiB pages the page faults alone cost as much as the writing,
// on a virtual machine several times more. Advice only: where the system does
// not know it, nothing happens.
inline void advise(void* begin, void* end) {
#ifdef MADV_HUGEPAGE
  const std::uintptr_t a =
      (reinterpret_cast<std::uintptr_t>(begin) + kHuge - 1) & ~std::uintptr_t(kHuge - 1);
  const std::uintptr_t b = reinterpret_cast<std::uintptr_t>(end) & ~std::uintptr_t(kHuge - 1);
  if (b > a) madvise(reinterpret_cast<void*>(a), b - a, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)end;
#endif
}

// Frees what allocate(bytes) gave, with the same `bytes`.
inline void release(void* p, std::size_t bytes) {
  if (!p) return;
  if (bytes >= kHuge && kMapped)
    munmap(p, mappedLength(bytes));
  else
    std::free(p);
}

}  // namespace hugepages
