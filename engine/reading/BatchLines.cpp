// How the bytes of a batch become lines: split into fields as they are
// read, or kept whole and split when asked.
#include <algorithm>
#include <cstring>

#include "engine/reading/BatchReader.h"

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace parvex {

namespace {

// Bit k of tabs and lfs tells whether p[k] is a tab or an LF, for 64 bytes.
inline void Classify(const char* p, std::uint64_t& tabs, std::uint64_t& lfs) {
#if defined(__SSE2__)
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i newline = _mm_set1_epi8('\n');
  tabs = 0;
  lfs = 0;
  for (unsigned k = 0; k < 4; ++k) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    tabs |= static_cast<std::uint64_t>(
                static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, tab))))
            << (16 * k);
    lfs |= static_cast<std::uint64_t>(
               static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, newline))))
           << (16 * k);
  }
#else
  tabs = 0;
  lfs = 0;
  for (unsigned k = 0; k < 64; ++k) {
    tabs |= static_cast<std::uint64_t>(p[k] == '\t') << k;
    lfs |= static_cast<std::uint64_t>(p[k] == '\n') << k;
  }
#endif
}

// Bit k tells whether p[k] is an LF, for 64 bytes.
inline std::uint64_t LineEnds(const char* p) {
  std::uint64_t lfs = 0;
#if defined(__SSE2__)
  const __m128i newline = _mm_set1_epi8('\n');
  const auto mask = [&](unsigned k) {
    const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * k));
    return static_cast<std::uint64_t>(
        static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, newline))));
  };
  lfs = mask(0) | (mask(1) << 16) | (mask(2) << 32) | (mask(3) << 48);
#else
  for (unsigned k = 0; k < 64; ++k) lfs |= static_cast<std::uint64_t>(p[k] == '\n') << k;
#endif
  return lfs;
}

// Bit k tells whether p[k] is a tab, for 16 bytes.
inline unsigned TabsIn16(const char* p) {
#if defined(__SSE2__)
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  return static_cast<unsigned>(_mm_movemask_epi8(_mm_cmpeq_epi8(chunk, _mm_set1_epi8('\t'))));
#else
  unsigned tabs = 0;
  for (unsigned k = 0; k < 16; ++k) tabs |= static_cast<unsigned>(p[k] == '\t') << k;
  return tabs;
#endif
}

// Whether five digits at p (which has eight bytes to read) are at most
// 32767: digits of one length compare as numbers, and as bytes read first
// byte highest.
inline bool FiveDigitsInRange(const char* p) {
  std::uint64_t v = 0;
  std::memcpy(&v, p, sizeof v);
  return (__builtin_bswap64(v) >> 24) <= 0x3332373637ULL;
}

// An address of length bytes at p (which has 16 bytes to read) in the common
// shape "N" or "N.M", each of one to five digits and within range: the
// digits of each in n and m (0 when there is no member). False for anything
// else, which the general parser then takes.
inline bool PlainAddress(const char* p, std::size_t length, unsigned& n, unsigned& m) {
  if constexpr (std::endian::native != std::endian::little) return false;
  if (length == 0 || length > 11) return false;
  unsigned others = 0;  // bit k: p[k] is no digit
#if defined(__SSE2__)
  const __m128i chunk = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
  const __m128i values = _mm_sub_epi8(chunk, _mm_set1_epi8('0'));
  const __m128i digit = _mm_cmpeq_epi8(_mm_min_epu8(values, _mm_set1_epi8(9)), values);
  others = ~static_cast<unsigned>(_mm_movemask_epi8(digit));
#else
  for (unsigned k = 0; k < length; ++k) {
    others |= static_cast<unsigned>(static_cast<unsigned char>(p[k] - '0') > 9) << k;
  }
#endif
  others &= (1U << length) - 1U;
  n = static_cast<unsigned>(length);
  m = 0;
  if (others != 0) {
    n = static_cast<unsigned>(__builtin_ctz(others));
    if ((others & (others - 1)) != 0 || p[n] != '.') return false;
    m = static_cast<unsigned>(length) - n - 1;
    if (m == 0 || m > 5) return false;
  }
  if (n == 0 || n > 5) return false;
  // Only five digits can pass 32767.
  if (n == 5 && !FiveDigitsInRange(p)) return false;
  return m != 5 || FiveDigitsInRange(p + n + 1);
}

// The record of a line with a plain address of n and m digits and at least
// three fields, ending at the tabs t[0], t[1] and t[2], its units at unitsEnd.
inline void FillPlainLine(BatchReader::Line& line, const char* data, const std::size_t* t,
                          std::size_t unitsEnd, unsigned n, unsigned m) {
  using Line = BatchReader::Line;
  const std::size_t descriptionAt = t[0] + 1;
  const bool readOnly = descriptionAt != t[1] && data[descriptionAt] == '!';
  const std::size_t textAt = descriptionAt + (readOnly ? 1 : 0);
  line.text = data + textAt;
  line.descriptionSize = static_cast<std::uint32_t>(t[1] - textAt);
  line.valueSize = static_cast<std::uint32_t>(t[2] - t[1] - 1);
  line.unitsAt = static_cast<std::uint32_t>(t[2] + 1 - textAt);
  line.unitsSize = static_cast<std::uint32_t>(unitsEnd - t[2] - 1);
  line.digits = static_cast<std::uint8_t>(n | (m << 4U));
  line.flags = static_cast<std::uint8_t>(Line::kDigits | (readOnly ? Line::kReadOnly : 0));
}

}  // namespace

// Splits off every complete line of what has been read, from where the last
// look stopped: the tabs and LFs of 64 bytes at a time are found at once and
// then taken in order.
void BatchReader::ParseLines(Batch& batch) {
  const char* const data = batch.bytes.data.get();
  const std::size_t size = batch.bytes.size;
  Scan scan = scan_;
  for (std::size_t i = scan.next; i < size; i += 64) {
    std::uint64_t tabs = 0;
    std::uint64_t lfs = 0;
    Classify(data + i, tabs, lfs);  // bytes past the end come from the slack
    if (size - i < 64) {
      const std::uint64_t valid = (std::uint64_t{1} << (size - i)) - 1;
      tabs &= valid;
      lfs &= valid;
    }
    // Line by line: the tabs before its LF end its fields (the first four
    // count), and what is left after the last LF belongs to the next line.
    while (lfs != 0) {
      const auto e = static_cast<unsigned>(__builtin_ctzll(lfs));
      const std::uint64_t before = (std::uint64_t{1} << e) - 1;
      for (std::uint64_t t = tabs & before; t != 0 && scan.tabs < 4; t &= t - 1) {
        scan.fieldEnd[scan.tabs++] = i + static_cast<unsigned>(__builtin_ctzll(t));
      }
      tabs &= ~before;
      const std::size_t at = i + e;
      if (!AddPlainLine(batch, scan, at)) AddLine(batch, scan, at, true);
      if (sink_ != nullptr) batch.starts.push_back(static_cast<std::uint32_t>(scan.start));
      scan.start = at + 1;
      scan.tabs = 0;
      lfs &= lfs - 1;
    }
    for (; tabs != 0 && scan.tabs < 4; tabs &= tabs - 1) {
      scan.fieldEnd[scan.tabs++] = i + static_cast<unsigned>(__builtin_ctzll(tabs));
    }
  }
  scan.next = size;
  scan_ = scan;
}

// The common line, "N.M" or "N" of at most five digits each, ending at lf,
// with at least three fields: added in one pass, inline in the scan. Anything
// else is left to AddLine, a "$" line too, as "$" is no digit.
inline bool BatchReader::AddPlainLine(Batch& batch, const Scan& scan, std::size_t lf) {
  if (scan.tabs < 3 || batch.count == batch.lines.size()) return false;
  const char* const data = batch.bytes.data.get();
  unsigned n = 0;
  unsigned m = 0;
  if (!PlainAddress(data + scan.start, scan.fieldEnd[0] - scan.start, n, m)) return false;
  const std::size_t end = data[lf - 1] == '\r' ? lf - 1 : lf;  // the line has tabs before
  FillPlainLine(batch.lines[batch.count], data, scan.fieldEnd,
                scan.tabs == 3 ? end : scan.fieldEnd[3], n, m);
  lastAt_ = batch.count++;
  ++archiveLines_;
  return true;
}

namespace {

// The same line from fields the general parser filled: its description, value
// and units are still in that order in the line.
void FromFields(const ArchiveFields& f, const char* lineStart, BatchReader::Line& line) {
  line.text = f.Description.data() != nullptr ? f.Description.data() : lineStart;
  line.descriptionSize = static_cast<std::uint32_t>(f.Description.size());
  line.valueSize = static_cast<std::uint32_t>(f.Value.size());
  line.unitsAt = f.Units.empty() ? 0 : static_cast<std::uint32_t>(f.Units.data() - line.text);
  line.unitsSize = static_cast<std::uint32_t>(f.Units.size());
  line.paramNumber = f.ParamNumber;
  line.subIndex = f.SubIndex;
  line.flags = f.ReadOnly ? BatchReader::Line::kReadOnly : 0;
}

}  // namespace

// Adds the line scanned so far, which ends at end (its LF, when terminated).
void BatchReader::AddLine(Batch& batch, const Scan& scan, std::size_t end, bool terminated) {
  const char* const data = batch.bytes.data.get();
  const std::size_t start = scan.start;
  if (terminated && end > start && data[end - 1] == '\r') --end;
  // Room for many lines at once, so the lines that follow take the fast path.
  if (batch.count == batch.lines.size())
    batch.lines.resize(std::max<std::size_t>(64, 2 * batch.count));
  Line& line = batch.lines[batch.count];
  if (end > start && data[start] == '$') {
    if (lastAt_ != kNone) {
      line = batch.lines[lastAt_];
    } else {
      // The texts of an earlier batch's last line, copied to this one's start.
      line = last_;
      line.text = data;
      line.unitsAt = line.descriptionSize;
    }
    line.valueSize = 0;
    // Within its batch, the line copied still has its address's bytes, or
    // is still whole.
    line.flags = static_cast<std::uint8_t>(
        (line.flags & (Line::kReadOnly | Line::kDigits | Line::kWhole)) | Line::kDollar);
    ++batch.count;
    return;
  }
  if (end == start) {
    line = Line{};
  } else {
    ArchiveFields fields;
    std::string_view split[4];
    std::size_t from = start;
    for (std::size_t k = 0; k < scan.tabs; ++k) {
      split[k] = std::string_view(data + from, scan.fieldEnd[k] - from);
      from = scan.fieldEnd[k] + 1;
    }
    if (scan.tabs == 3) split[3] = std::string_view(data + from, end - from);
    bool failed = false;
    try {
      FillArchiveFields(split, scan.tabs, fields);
    } catch (...) {
      batch.failures.push_back({batch.count, CurrentFailure()});
      failed = true;
    }
    FromFields(fields, data + start, line);
    if (failed) line.flags |= Line::kFailed;
    // An address and the three fields after it: a line of an archive.
    if (!failed && scan.tabs >= 3 && IsNumericAddress(split[0])) ++archiveLines_;
  }
  lastAt_ = batch.count++;
}

namespace {

// Whether the line of length bytes at p starts with a plain address and a
// tab: such a line is kept whole.
inline bool KeptWhole(const char* p, std::size_t length) {
  unsigned tabs = TabsIn16(p);
  if (length < 16) tabs &= (1U << length) - 1U;
  unsigned n = 0;
  unsigned m = 0;
  return tabs != 0 && PlainAddress(p, static_cast<unsigned>(__builtin_ctz(tabs)), n, m);
}

}  // namespace

// A line that is not kept whole, from start to its LF at lf, the way the
// fields are read.
void BatchReader::AddSplitLine(Batch& batch, std::size_t start, std::size_t lf) {
  Scan scan;
  scan.start = start;
  FindTabs(batch.bytes.data.get(), lf, scan);
  if (!AddPlainLine(batch, scan, lf)) AddLine(batch, scan, lf, true);
}

// Splits off every complete line of what has been read (at most most of
// them), looking only for LFs, 64 bytes at a time. A line whose first field
// is a plain address is kept whole: it cannot fail, and a reader that finds
// it equal to another line never needs its fields.
void BatchReader::ParseWholeLines(Batch& batch, std::size_t most) {
  const char* const data = batch.bytes.data.get();
  const std::size_t size = batch.bytes.size;
  const std::size_t stop = most > kNone - batch.count ? kNone : batch.count + most;
  std::size_t start = scan_.start;
  // Kept here rather than in the batch, which the records written might
  // alias as far as the compiler knows; handed over to it and taken back
  // around the calls that use it.
  Line* lines = batch.lines.data();
  std::size_t room = batch.lines.size();
  std::size_t count = batch.count;
  std::size_t last = lastAt_;
  const auto hand = [&] {
    batch.count = count;
    lastAt_ = last;
  };
  const auto takeBack = [&] {
    lines = batch.lines.data();
    room = batch.lines.size();
    count = batch.count;
    last = lastAt_;
  };
  for (std::size_t i = scan_.next; i < size; i += 64) {
    std::uint64_t lfs = LineEnds(data + i);  // bytes past the end come from the slack
    if (size - i < 64) lfs &= (std::uint64_t{1} << (size - i)) - 1;
    for (; lfs != 0; lfs &= lfs - 1) {
      const std::size_t lf = i + static_cast<unsigned>(__builtin_ctzll(lfs));
      const std::size_t end = lf > start && data[lf - 1] == '\r' ? lf - 1 : lf;
      if (count == room) {
        // Room for many lines at once, as the general way makes it.
        batch.lines.resize(std::max<std::size_t>(64, 2 * count));
        lines = batch.lines.data();
        room = batch.lines.size();
      }
      if (end > start && KeptWhole(data + start, end - start)) {
        Line& line = lines[count];
        line.text = data + start;
        line.descriptionSize = static_cast<std::uint32_t>(end - start);
        line.flags = Line::kWhole;
        last = count++;
      } else {
        hand();
        AddSplitLine(batch, start, lf);
        takeBack();
      }
      start = lf + 1;
      if (count == stop) break;
    }
    if (count == stop) {
      // The rest is looked at when more lines are asked for.
      hand();
      StartLine(start);
      return;
    }
  }
  hand();
  scan_.start = start;
  scan_.next = size;
}

// The first four tabs of the line from scan.start to end.
void BatchReader::FindTabs(const char* data, std::size_t end, Scan& scan) {
  scan.tabs = 0;
  std::size_t from = scan.start;
  while (scan.tabs < 4 && from < end) {
    const void* tab = std::memchr(data + from, '\t', end - from);
    if (tab == nullptr) break;
    const auto at = static_cast<std::size_t>(static_cast<const char*>(tab) - data);
    scan.fieldEnd[scan.tabs++] = at;
    from = at + 1;
  }
}

// A whole line's fields, as the reader would have given them.
BatchReader::Line BatchReader::SplitWhole(const Line& whole) {
  const char* const data = whole.text;
  const std::size_t size = whole.descriptionSize;
  Scan scan;
  FindTabs(data, size, scan);
  Line line;
  unsigned n = 0;
  unsigned m = 0;
  if (scan.tabs >= 3 && PlainAddress(data, scan.fieldEnd[0], n, m)) {
    FillPlainLine(line, data, scan.fieldEnd, scan.tabs == 3 ? size : scan.fieldEnd[3], n, m);
  } else {
    // Fewer than four fields (a whole line's address is plain): the general
    // parser's record for a short line, which reads none of them.
    ArchiveFields fields;
    const std::string_view none[4];
    FillArchiveFields(none, scan.tabs, fields);
    FromFields(fields, data, line);
  }
  if ((whole.flags & Line::kDollar) != 0) {
    line.valueSize = 0;
    line.flags =
        static_cast<std::uint8_t>((line.flags & (Line::kReadOnly | Line::kDigits)) | Line::kDollar);
  }
  return line;
}

}  // namespace parvex
