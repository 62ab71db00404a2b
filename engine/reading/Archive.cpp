#include "engine/reading/Archive.h"

#include <cstdint>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"

namespace parvex {

namespace {

std::string_view TrimBlanks(std::string_view s) {
  while (!s.empty() && s.front() == ' ') s.remove_prefix(1);
  while (!s.empty() && s.back() == ' ') s.remove_suffix(1);
  return s;
}

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

}  // namespace

bool IsNumericAddress(std::string_view text) {
  std::string_view s = TrimBlanks(text);
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) s.remove_prefix(1);
  bool digit = false;
  bool point = false;
  for (const char c : s) {
    if (IsDigit(c)) {
      digit = true;
    } else if (c == '.' && !point) {
      point = true;
    } else {
      return false;
    }
  }
  return digit;
}

std::int16_t AddressPieceToInt16(std::string_view piece) {
  std::string_view s = TrimBlanks(piece);
  bool negative = false;
  if (!s.empty() && (s.front() == '+' || s.front() == '-')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  if (s.empty()) throw TypeMismatchFailure();
  long long value = 0;
  for (const char c : s) {
    if (!IsDigit(c)) throw TypeMismatchFailure();
    // Stop growing once out of range; leading zeros keep the value small.
    if (value <= 32768) value = value * 10 + (c - '0');
  }
  return CheckedInt16(negative ? -value : value);
}

namespace {

// The common address shape "digits" or "digits.digits" without blanks or sign,
// converted in one pass. Returns false for anything else, which then takes the
// general path.
bool ParsePlainAddress(std::string_view address, ArchiveFields& f) {
  const char* p = address.data();
  const char* const end = p + address.size();
  // Reads a run of digits; the value stops growing once out of range, so
  // leading zeros and long runs are both handled.
  const auto digits = [&p, end](long long& value) {
    const char* const first = p;
    value = 0;
    while (p != end && IsDigit(*p)) {
      if (value <= 32768) value = value * 10 + (*p - '0');
      ++p;
    }
    return p != first;
  };
  long long number = 0;
  long long member = 0;
  if (!digits(number)) return false;
  if (p == end) {
    f.ParamNumber = CheckedInt16(number);
    f.SubIndex = 0;
    return true;
  }
  if (*p != '.') return false;
  ++p;
  if (!digits(member) || p != end) return false;
  f.ParamNumber = CheckedInt16(number);
  f.SubIndex = CheckedInt16(member);
  return true;
}

// Reading a few bytes past a line's end within the same page cannot fault, but
// the sanitizers rightly cannot know that; their builds take the byte loop.
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
constexpr bool kMayReadPastEnd = false;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer) || __has_feature(thread_sanitizer)
constexpr bool kMayReadPastEnd = false;
#else
constexpr bool kMayReadPastEnd = true;
#endif
#else
constexpr bool kMayReadPastEnd = true;
#endif

// Finds up to four tab-separated fields and returns how many tabs ended a
// field (at most 4); fields[count] then holds the rest of the line when count
// is 3. Sixteen bytes are tested at a time where the processor allows it,
// since this runs once for every line of every archive.
std::size_t SplitFields(std::string_view line, std::string_view (&fields)[4]) {
  const char* data = line.data();
  const std::size_t size = line.size();
  std::size_t count = 0;
  std::size_t start = 0;
  std::size_t i = 0;
#if defined(__SSE2__)
  const __m128i tabs = _mm_set1_epi8('\t');
  for (; i < size; i += 16) {
    unsigned mask = 0;
    if (i + 16 <= size) {
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tabs)));
    } else if (kMayReadPastEnd && (reinterpret_cast<std::uintptr_t>(data + i) & 4095U) <= 4080U) {
      // The last bytes: a 16-byte load that stays within the same memory page
      // cannot fault; the bits past the line's end are masked off.
      const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(data + i));
      mask = static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tabs))) &
             ((1U << (size - i)) - 1U);
    } else {
      break;
    }
    while (mask != 0) {
      const std::size_t at = i + static_cast<std::size_t>(__builtin_ctz(mask));
      fields[count++] = std::string_view(data + start, at - start);
      start = at + 1;
      if (count == 4) return count;
      mask &= mask - 1;
    }
  }
#endif
  for (; i < size; ++i) {
    if (data[i] == '\t') {
      fields[count++] = std::string_view(data + start, i - start);
      start = i + 1;
      if (count == 4) return count;
    }
  }
  if (count == 3) fields[3] = std::string_view(data + start, size - start);
  return count;
}

}  // namespace

void ParseArchiveLine(std::string_view line, ArchiveFields& f) {
  f = ArchiveFields{};
  if (line.empty()) return;

  // Only the first four fields are used; further ones are ignored.
  std::string_view fields[4];
  const std::size_t count = SplitFields(line, fields);
  FillArchiveFields(fields, count, f);
}

void FillArchiveFields(const std::string_view (&fields)[4], std::size_t count, ArchiveFields& f) {
  if (count < 3) {
    f.ParamNumber = -1;
    f.Description = "<UNKNOWN>";
    f.ReadOnly = true;
    return;
  }

  const std::string_view address = fields[0];
  if (ParsePlainAddress(address, f)) {
    // done
  } else if (!IsNumericAddress(address)) {
    f.ParamNumber = -1;
    f.SubIndex = 0;
  } else if (const auto point = address.find('.'); point != std::string_view::npos) {
    f.ParamNumber = AddressPieceToInt16(address.substr(0, point));
    f.SubIndex = AddressPieceToInt16(address.substr(point + 1));
  } else {
    f.ParamNumber = AddressPieceToInt16(address);
    f.SubIndex = 0;
  }

  const std::string_view description = fields[1];
  if (!description.empty() && description.front() == '!') {
    f.ReadOnly = true;
    f.Description = description.substr(1);
  } else {
    f.ReadOnly = false;
    f.Description = description;
  }
  f.Value = fields[2];
  f.Units = fields[3];
}

void SplitArchiveLineInto(std::string_view line, ArchiveRecord& rec) {
  ArchiveFields f;
  try {
    ParseArchiveLine(line, f);
  } catch (...) {
    ReportVBError(kSplitLineTitle);
  }
  rec.ParamNumber = f.ParamNumber;
  rec.SubIndex = f.SubIndex;
  rec.Description.assign(f.Description);
  rec.Value.assign(f.Value);
  rec.Units.assign(f.Units);
  rec.ReadOnly = f.ReadOnly;
}

ArchiveRecord SplitArchiveLine(std::string_view line) {
  ArchiveRecord rec;
  SplitArchiveLineInto(line, rec);
  return rec;
}

}  // namespace parvex
