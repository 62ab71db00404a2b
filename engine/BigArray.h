#pragma once

#include <cstddef>
#include <cstdlib>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace parvex {

// Memory for arrays of millions of entries, filled once: on Linux in blocks
// of 2 MiB that the kernel may back with huge pages, since touching fresh
// memory a 4 KiB page at a time costs more than filling it. Elsewhere, and
// for small arrays, the usual heap.
inline constexpr std::size_t kBigBlock = std::size_t{2} << 20;

inline void* AllocateBig(std::size_t bytes) {
#ifdef __linux__
  if (bytes >= 2 * kBigBlock) {
    const std::size_t rounded = (bytes + kBigBlock - 1) / kBigBlock * kBigBlock;
    void* p = std::aligned_alloc(kBigBlock, rounded);
    if (p == nullptr) throw std::bad_alloc();
    ::madvise(p, rounded, MADV_HUGEPAGE);  // a hint: without it, plain pages
    return p;
  }
#endif
  return ::operator new(bytes);
}

inline void FreeBig(void* p, std::size_t bytes) {
#ifdef __linux__
  if (bytes >= 2 * kBigBlock) {
    std::free(p);
    return;
  }
#endif
  static_cast<void>(bytes);
  ::operator delete(p);
}

template <typename T>
struct BigAllocator {
  using value_type = T;
  BigAllocator() = default;
  template <typename U>
  explicit BigAllocator(const BigAllocator<U>&) {}

  T* allocate(std::size_t n) {
    if (n > std::numeric_limits<std::size_t>::max() / sizeof(T)) throw std::bad_alloc();
    return static_cast<T*>(AllocateBig(n * sizeof(T)));
  }
  void deallocate(T* p, std::size_t n) { FreeBig(p, n * sizeof(T)); }

  friend bool operator==(const BigAllocator&, const BigAllocator&) { return true; }
};

template <typename T>
using BigVector = std::vector<T, BigAllocator<T>>;

}  // namespace parvex
