#pragma once

#include <string_view>

namespace parvex {

// True when both texts read completely as decimal numbers and denote the same
// number. A number is an optional sign, digits with at most one decimal point
// (at least one digit), and an optional exponent: "e" or "E", an optional sign
// and digits. No blanks, no separators. Decided on the digits themselves, so
// "0.1" and "0.1000000000000000055" differ however a double would round them.
bool SameDecimalNumber(std::string_view a, std::string_view b);

// Whether two values count as equal: byte for byte, or with numbersByValue
// also as the same decimal number. The bytes are tested first, so the plain
// comparison pays nothing for the option.
inline bool ValuesEqual(std::string_view a, std::string_view b, bool numbersByValue) {
  return a == b || (numbersByValue && SameDecimalNumber(a, b));
}

}  // namespace parvex
