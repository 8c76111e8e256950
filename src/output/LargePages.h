#pragma once

// Asks the system to back a large buffer with 2 MB pages (transparent huge
// pages on request, where the system has them). Results and work arrays of
// tens of megabytes are written once into fresh memory; with 4 KB pages the
// page faults alone cost as much as the writing, on a virtual machine
// several times more. Only the 2 MB-aligned part of [begin, end) is advised;
// elsewhere, or where the call is unknown, nothing happens.

#include <cstdint>
#if __has_include(<sys/mman.h>)
#include <sys/mman.h>
#endif

inline void adviseLargePages(void* begin, void* end) {
#ifdef MADV_HUGEPAGE
  constexpr std::uintptr_t kLarge = std::uintptr_t(1) << 21;
  const std::uintptr_t a = (reinterpret_cast<std::uintptr_t>(begin) + kLarge - 1) & ~(kLarge - 1);
  const std::uintptr_t b = reinterpret_cast<std::uintptr_t>(end) & ~(kLarge - 1);
  if (b > a) madvise(reinterpret_cast<void*>(a), b - a, MADV_HUGEPAGE);
#else
  (void)begin;
  (void)end;
#endif
}
