#include "engine/values/Numbers.h"

#include "engine/base/Failure.h"

namespace parvex {

std::int16_t StructureNumber(std::string_view text, char decimalPoint) {
  while (!text.empty() && text.front() == ' ') text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ') text.remove_suffix(1);
  bool negative = false;
  if (!text.empty() && (text.front() == '+' || text.front() == '-')) {
    negative = text.front() == '-';
    text.remove_prefix(1);
  }
  long long whole = 0;
  bool digits = false;
  std::size_t i = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
    if (whole <= 100000) whole = whole * 10 + (text[i] - '0');
    digits = true;
  }
  // The fraction only matters as below, at or above one half.
  int half = -1;  // -1 below, 0 exactly, 1 above
  if (i < text.size() && (text[i] == decimalPoint || text[i] == '.')) {
    ++i;
    bool first = true;
    bool restNonZero = false;
    int firstDigit = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
      if (first) {
        firstDigit = text[i] - '0';
        first = false;
      } else if (text[i] != '0') {
        restNonZero = true;
      }
      digits = true;
    }
    if (firstDigit > 5 || (firstDigit == 5 && restNonZero)) {
      half = 1;
    } else if (firstDigit == 5) {
      half = 0;
    }
  }
  if (!digits || i != text.size()) throw TypeMismatchFailure();
  if (half == 1 || (half == 0 && whole % 2 == 1)) ++whole;
  return CheckedInt16(negative ? -whole : whole);
}

}  // namespace parvex
