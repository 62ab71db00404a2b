#include "engine/values/NumericEquality.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace parvex {

namespace {

bool IsDigit(char c) {
  return c >= '0' && c <= '9';
}

std::size_t SkipDigits(std::string_view s, std::size_t i) {
  while (i < s.size() && IsDigit(s[i])) ++i;
  return i;
}

// A decimal number as written, split into its parts.
struct Decimal {
  bool negative = false;
  std::string_view whole;     // digits before the point
  std::string_view fraction;  // digits after it
  bool exponentNegative = false;
  std::string_view exponent = "0";  // without leading zeros

  std::size_t DigitCount() const { return whole.size() + fraction.size(); }
  char Digit(std::size_t k) const {
    return k < whole.size() ? whole[k] : fraction[k - whole.size()];
  }
};

std::optional<Decimal> ReadDecimal(std::string_view s) {
  Decimal d;
  std::size_t i = 0;
  if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.negative = s[i++] == '-';
  std::size_t end = SkipDigits(s, i);
  d.whole = s.substr(i, end - i);
  i = end;
  if (i < s.size() && s[i] == '.') {
    ++i;
    end = SkipDigits(s, i);
    d.fraction = s.substr(i, end - i);
    i = end;
  }
  if (d.DigitCount() == 0) return std::nullopt;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E')) {
    ++i;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) d.exponentNegative = s[i++] == '-';
    end = SkipDigits(s, i);
    if (end == i) return std::nullopt;
    d.exponent = s.substr(i, end - i);
    while (d.exponent.size() > 1 && d.exponent.front() == '0') d.exponent.remove_prefix(1);
    i = end;
  }
  if (i != s.size()) return std::nullopt;
  return d;
}

// Exponents may have any number of digits; the rare long ones are added as
// decimal digit strings (magnitudes without leading zeros).
int CompareMagnitudes(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return a.size() < b.size() ? -1 : 1;
  return a.compare(b);
}

std::string AddMagnitudes(std::string_view a, std::string_view b) {
  std::string sum;
  int carry = 0;
  for (std::size_t k = 0; k < a.size() || k < b.size() || carry != 0; ++k) {
    int digit = carry;
    if (k < a.size()) digit += a[a.size() - 1 - k] - '0';
    if (k < b.size()) digit += b[b.size() - 1 - k] - '0';
    sum.insert(sum.begin(), static_cast<char>('0' + digit % 10));
    carry = digit / 10;
  }
  return sum;
}

// a - b for a >= b.
std::string SubtractMagnitudes(std::string_view a, std::string_view b) {
  std::string difference(a);
  int borrow = 0;
  for (std::size_t k = 0; k < a.size(); ++k) {
    char& digit = difference[a.size() - 1 - k];
    int value = digit - '0' - borrow - (k < b.size() ? b[b.size() - 1 - k] - '0' : 0);
    borrow = value < 0 ? 1 : 0;
    digit = static_cast<char>('0' + value + 10 * borrow);
  }
  const std::size_t first = difference.find_first_not_of('0');
  return first == std::string::npos ? "0" : difference.substr(first);
}

// The exponent plus shift, as signed decimal text ("0" has no sign).
std::string ExponentPlus(const Decimal& d, long long shift) {
  const bool shiftNegative = shift < 0;
  const std::string magnitude =
      std::to_string(shiftNegative ? 0ULL - static_cast<unsigned long long>(shift)
                                   : static_cast<unsigned long long>(shift));
  std::string sum;
  bool negative = false;
  if (d.exponentNegative == shiftNegative) {
    sum = AddMagnitudes(d.exponent, magnitude);
    negative = shiftNegative;
  } else if (CompareMagnitudes(d.exponent, magnitude) >= 0) {
    sum = SubtractMagnitudes(d.exponent, magnitude);
    negative = d.exponentNegative;
  } else {
    sum = SubtractMagnitudes(magnitude, d.exponent);
    negative = shiftNegative;
  }
  return negative && sum != "0" ? "-" + sum : sum;
}

// The significant digits of a number (between its first and last non-zero
// digit) and the power of ten of the last of them: the number is those digits
// times ten to that power.
struct Significant {
  std::size_t first = 0;
  std::size_t last = 0;  // inclusive
  bool zero = true;
  long long shift = 0;  // power of ten of the last digit, before the exponent
};

Significant SignificantDigits(const Decimal& d) {
  Significant s;
  const std::size_t count = d.DigitCount();
  while (s.first < count && d.Digit(s.first) == '0') ++s.first;
  if (s.first == count) return s;
  s.zero = false;
  s.last = count - 1;
  while (d.Digit(s.last) == '0') --s.last;
  s.shift = static_cast<long long>(d.whole.size()) - 1 - static_cast<long long>(s.last);
  return s;
}

// A number as exactly as written: digits (no leading or trailing zeros; none
// for zero) times ten to the power exponent.
struct Exact {
  bool negative = false;
  std::string digits;
  long long exponent = 0;

  long long Top() const { return exponent + static_cast<long long>(digits.size()) - 1; }
};

// Beyond this many places between two numbers' digits the numbers are not
// aligned: such a gap cannot be told from a tolerance without huge texts.
constexpr long long kMostPlaces = 100000;

std::optional<Exact> ReadExact(std::string_view text) {
  const std::optional<Decimal> d = ReadDecimal(text);
  if (!d || d->exponent.size() > 18) return std::nullopt;
  Exact e;
  const Significant s = SignificantDigits(*d);
  if (s.zero) return e;
  e.negative = d->negative;
  for (std::size_t k = s.first; k <= s.last; ++k) e.digits += d->Digit(k);
  long long exponent = 0;
  for (const char c : d->exponent) exponent = exponent * 10 + (c - '0');
  e.exponent = (d->exponentNegative ? -exponent : exponent) + s.shift;
  return e;
}

// The digits of x written down to the power low (low <= x.exponent).
std::string DigitsDownTo(const Exact& x, long long low) {
  return x.digits + std::string(static_cast<std::size_t>(x.exponent - low), '0');
}

Exact Trimmed(std::string digits, long long exponent) {
  Exact e;
  const std::size_t first = digits.find_first_not_of('0');
  if (first == std::string::npos) return e;
  const std::size_t last = digits.find_last_not_of('0');
  e.digits = digits.substr(first, last - first + 1);
  e.exponent = exponent + static_cast<long long>(digits.size() - 1 - last);
  return e;
}

// -1, 0 or 1 as |x| is below, equal to or above |y|.
int CompareExact(const Exact& x, const Exact& y) {
  if (x.digits.empty() || y.digits.empty()) {
    return x.digits.empty() ? (y.digits.empty() ? 0 : -1) : 1;
  }
  if (x.Top() != y.Top()) return x.Top() < y.Top() ? -1 : 1;
  // The same top place: the digits line up from the left.
  const int c = x.digits.compare(y.digits);
  return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// |a - b|, or nothing when their digits lie too far apart.
std::optional<Exact> Distance(const Exact& a, const Exact& b) {
  if (a.digits.empty()) return Exact{false, b.digits, b.exponent};
  if (b.digits.empty()) return Exact{false, a.digits, a.exponent};
  const long long low = std::min(a.exponent, b.exponent);
  if (std::max(a.Top(), b.Top()) - low > kMostPlaces) return std::nullopt;
  const std::string x = DigitsDownTo(a, low);
  const std::string y = DigitsDownTo(b, low);
  if (a.negative != b.negative) return Trimmed(AddMagnitudes(x, y), low);
  if (CompareMagnitudes(x, y) >= 0) return Trimmed(SubtractMagnitudes(x, y), low);
  return Trimmed(SubtractMagnitudes(y, x), low);
}

Exact Product(const Exact& x, const Exact& y) {
  if (x.digits.empty() || y.digits.empty()) return Exact{};
  std::vector<int> sum(x.digits.size() + y.digits.size(), 0);
  for (std::size_t i = x.digits.size(); i-- > 0;) {
    for (std::size_t j = y.digits.size(); j-- > 0;) {
      sum[i + j + 1] += (x.digits[i] - '0') * (y.digits[j] - '0');
    }
  }
  for (std::size_t k = sum.size(); k-- > 1;) {
    sum[k - 1] += sum[k] / 10;
    sum[k] %= 10;
  }
  std::string digits;
  for (const int d : sum) digits += static_cast<char>('0' + d);
  return Trimmed(std::move(digits), x.exponent + y.exponent);
}

// The usual case, numbers of at most 18 significant digits near one another,
// decided in 128-bit integers without building digit strings.
__extension__ typedef __int128 Wide;

using Short = DecimalTolerance::Short;

enum class Read { Number, NoNumber, TooLong };

// One pass over the text, without splitting it first: this runs for every
// pair of values a tolerance is asked about.
Read ReadShort(std::string_view text, Short& out) {
  out = Short{};
  const std::size_t n = text.size();
  std::size_t i = 0;
  bool negative = false;
  if (i < n && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  std::uint64_t mantissa = 0;
  int digits = 0;  // from the first non-zero digit on
  long long exponent = 0;
  bool any = false;
  const auto take = [&](char c) {
    const auto d = static_cast<std::uint64_t>(c - '0');
    if (mantissa == 0 && d == 0) return true;
    if (digits == 18) return false;
    mantissa = mantissa * 10 + d;
    ++digits;
    return true;
  };
  for (; i < n && IsDigit(text[i]); ++i) {
    any = true;
    if (!take(text[i])) return Read::TooLong;
  }
  if (i < n && text[i] == '.') {
    for (++i; i < n && IsDigit(text[i]); ++i) {
      any = true;
      if (!take(text[i])) return Read::TooLong;
      --exponent;
    }
  }
  if (!any) return Read::NoNumber;
  if (i < n && (text[i] == 'e' || text[i] == 'E')) {
    ++i;
    bool exponentNegative = false;
    if (i < n && (text[i] == '+' || text[i] == '-')) exponentNegative = text[i++] == '-';
    const std::size_t first = i;
    long long written = 0;
    for (; i < n && IsDigit(text[i]); ++i) {
      if (i - first == 9) return Read::TooLong;
      written = written * 10 + (text[i] - '0');
    }
    if (i == first) return Read::NoNumber;
    exponent += exponentNegative ? -written : written;
  }
  if (i != n) return Read::NoNumber;
  if (mantissa == 0) return Read::Number;
  while (mantissa % 10 == 0) {
    mantissa /= 10;
    ++exponent;
    --digits;
  }
  out = Short{negative, mantissa, exponent, digits};
  return Read::Number;
}

// Values below 10^38 fit a Wide with room for one sign.
constexpr int kWideDigits = 38;

constexpr auto kPowersOfTen = [] {
  std::array<Wide, kWideDigits + 1> powers{};
  powers[0] = 1;
  for (std::size_t k = 1; k < powers.size(); ++k) powers[k] = powers[k - 1] * 10;
  return powers;
}();

Wide PowerOfTen(long long n) {
  return kPowersOfTen[static_cast<std::size_t>(n)];
}

// Whether v has more than digits digits, without dividing (slow for 128
// bits); never for a negative count.
bool MoreDigitsThan(Wide v, long long digits) {
  return digits < 0 || (digits <= kWideDigits && v >= PowerOfTen(digits));
}

// x times 10^shift, when that has at most kWideDigits digits.
std::optional<Wide> Scaled(const Short& x, long long shift) {
  if (x.mantissa == 0) return Wide{0};
  if (x.digits + shift > kWideDigits) return std::nullopt;
  return static_cast<Wide>(x.mantissa) * PowerOfTen(shift);
}

}  // namespace

// Whether a and b are within the tolerance, or nothing when the numbers are
// too long or too far apart for 128 bits.
std::optional<bool> DecimalTolerance::WithinShort(std::string_view a, std::string_view b) const {
  Short x;
  Short y;
  const Read ra = ReadShort(a, x);
  const Read rb = ReadShort(b, y);
  if (ra == Read::NoNumber || rb == Read::NoNumber) return false;
  if (ra == Read::TooLong || rb == Read::TooLong || !short_) return std::nullopt;
  const std::string_view absolute = absolute_;
  const std::string_view relative = relative_;
  const Short& limit = limit_;
  const Short& fraction = fraction_;
  // Every number at the power of ten of the lowest digit among them.
  long long low = 0;
  bool any = false;
  for (const Short* n :
       {&std::as_const(x), &std::as_const(y), absolute.empty() ? nullptr : &limit}) {
    if (n == nullptr || n->mantissa == 0) continue;
    low = any ? std::min(low, n->exponent) : n->exponent;
    any = true;
  }
  const std::optional<Wide> wx = Scaled(x, x.exponent - low);
  const std::optional<Wide> wy = Scaled(y, y.exponent - low);
  if (!wx || !wy) return std::nullopt;
  const Wide sx = x.negative ? -*wx : *wx;
  const Wide sy = y.negative ? -*wy : *wy;
  const Wide distance = sx > sy ? sx - sy : sy - sx;
  if (!absolute.empty()) {
    const std::optional<Wide> wl = Scaled(limit, limit.exponent - low);
    if (!wl) return std::nullopt;
    if (distance <= *wl) return true;
  }
  if (!relative.empty()) {
    // distance <= fraction * larger, fraction being m * 10^e.
    const Wide larger = std::max(*wx, *wy);
    if (MoreDigitsThan(larger, kWideDigits - fraction.digits)) return std::nullopt;
    const Wide product = static_cast<Wide>(fraction.mantissa) * larger;
    if (product == 0 || distance == 0) return distance <= product;
    if (fraction.exponent >= 0) {
      if (MoreDigitsThan(product, kWideDigits - fraction.exponent)) return std::nullopt;
      return distance <= product * PowerOfTen(fraction.exponent);
    }
    if (MoreDigitsThan(distance, kWideDigits + fraction.exponent)) return std::nullopt;
    return distance * PowerOfTen(-fraction.exponent) <= product;
  }
  return false;
}

bool SameDecimalNumber(std::string_view a, std::string_view b) {
  const std::optional<Decimal> da = ReadDecimal(a);
  if (!da) return false;
  const std::optional<Decimal> db = ReadDecimal(b);
  if (!db) return false;
  const Significant sa = SignificantDigits(*da);
  const Significant sb = SignificantDigits(*db);
  if (sa.zero || sb.zero) return sa.zero && sb.zero;  // "-0" is 0
  if (da->negative != db->negative) return false;
  if (sa.last - sa.first != sb.last - sb.first) return false;
  for (std::size_t k = 0; k <= sa.last - sa.first; ++k) {
    if (da->Digit(sa.first + k) != db->Digit(sb.first + k)) return false;
  }
  // Exponents of up to 18 digits, plus a shift bounded by the text's length,
  // fit a long long; longer ones take the digit-string path.
  if (da->exponent.size() <= 18 && db->exponent.size() <= 18) {
    const auto value = [](const Decimal& d, long long shift) {
      long long e = 0;
      for (const char c : d.exponent) e = e * 10 + (c - '0');
      return (d.exponentNegative ? -e : e) + shift;
    };
    return value(*da, sa.shift) == value(*db, sb.shift);
  }
  return ExponentPlus(*da, sa.shift) == ExponentPlus(*db, sb.shift);
}

}  // namespace parvex

namespace parvex {

DecimalTolerance::DecimalTolerance(std::string absolute, std::string relative)
    : absolute_(std::move(absolute)), relative_(std::move(relative)) {
  short_ = (absolute_.empty() || ReadShort(absolute_, limit_) == Read::Number) &&
           (relative_.empty() || ReadShort(relative_, fraction_) == Read::Number);
}

bool DecimalTolerance::Within(std::string_view a, std::string_view b) const {
  if (const std::optional<bool> quick = WithinShort(a, b)) return *quick;
  const std::string_view absolute = absolute_;
  const std::string_view relative = relative_;
  const std::optional<Exact> x = ReadExact(a);
  if (!x) return false;
  const std::optional<Exact> y = ReadExact(b);
  if (!y) return false;
  const std::optional<Exact> distance = Distance(*x, *y);
  if (!distance) return false;
  if (!absolute.empty()) {
    const std::optional<Exact> limit = ReadExact(absolute);
    if (limit && CompareExact(*distance, *limit) <= 0) return true;
  }
  if (!relative.empty()) {
    const std::optional<Exact> fraction = ReadExact(relative);
    if (fraction) {
      const Exact& larger = CompareExact(*x, *y) >= 0 ? *x : *y;
      if (CompareExact(*distance, Product(*fraction, larger)) <= 0) return true;
    }
  }
  return false;
}

}  // namespace parvex
