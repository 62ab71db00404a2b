#pragma once

#include <cstddef>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// Byte comparisons for the readers' buffers, which keep room behind every
// text so that a short text is compared sixteen bytes at once.
namespace parvex {

// Whether size bytes at a and at b are the same, for buffers that keep at
// least 16 bytes of room behind every value: a short value is then tested
// sixteen bytes at once, without a call.
inline bool SameBytesWithRoom(const char* a, const char* b, std::size_t size) {
  if (size == 0) return true;
#if defined(__SSE2__)
  if (size <= 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b));
    const auto same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
    const unsigned wanted = size == 16 ? 0xFFFFU : (1U << size) - 1U;
    return (same & wanted) == wanted;
  }
#endif
  return std::memcmp(a, b, size) == 0;
}

// The same for texts of any length, sixteen bytes at a time.
inline bool SameLongBytesWithRoom(const char* a, const char* b, std::size_t size) {
#if defined(__SSE2__)
  for (std::size_t k = 0; k < size; k += 16) {
    const __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + k));
    const __m128i y = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + k));
    const auto same = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(x, y)));
    if (size - k < 16) {
      const unsigned wanted = (1U << (size - k)) - 1U;
      return (same & wanted) == wanted;
    }
    if (same != 0xFFFFU) return false;
  }
  return true;
#else
  return std::memcmp(a, b, size) == 0;
#endif
}

}  // namespace parvex
