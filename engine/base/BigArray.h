#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <new>
#include <vector>

#ifdef __linux__
#include <sys/mman.h>
#endif

namespace parvex {

// Memory for arrays of millions of entries, filled once: on Linux mapped on
// its own in blocks of 2 MiB that the kernel may back with huge pages, since
// touching fresh memory a 4 KiB page at a time costs more than filling it,
// and given back to the system as soon as it is freed. Elsewhere, and for
// small arrays, the usual heap.
inline constexpr std::size_t kBigBlock = std::size_t{2} << 20;

inline std::size_t BigRounded(std::size_t bytes) {
  return (bytes + kBigBlock - 1) / kBigBlock * kBigBlock;
}

inline void* AllocateBig(std::size_t bytes) {
#ifdef __linux__
  if (bytes >= 2 * kBigBlock) {
    if (bytes > std::numeric_limits<std::size_t>::max() / 2) throw std::bad_alloc();
    const std::size_t rounded = BigRounded(bytes);
    const std::size_t span = rounded + kBigBlock;  // room to align the start
    void* raw = ::mmap(nullptr, span, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (raw == MAP_FAILED) throw std::bad_alloc();
    const auto start = reinterpret_cast<std::uintptr_t>(raw);
    const std::uintptr_t aligned = (start + kBigBlock - 1) & ~std::uintptr_t{kBigBlock - 1};
    if (aligned > start) ::munmap(raw, aligned - start);
    const std::uintptr_t tail = aligned + rounded;
    if (start + span > tail) ::munmap(reinterpret_cast<void*>(tail), start + span - tail);
    void* p = reinterpret_cast<void*>(aligned);
    ::madvise(p, rounded, MADV_HUGEPAGE);  // a hint: without it, plain pages
    return p;
  }
#endif
  return ::operator new(bytes);
}

inline void FreeBig(void* p, std::size_t bytes) {
#ifdef __linux__
  if (bytes >= 2 * kBigBlock) {
    ::munmap(p, BigRounded(bytes));
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
