#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace parvex {

// True when both texts read completely as decimal numbers and denote the same
// number. A number is an optional sign, digits with at most one decimal point
// (at least one digit), and an optional exponent: "e" or "E", an optional sign
// and digits. No blanks, no separators. Decided on the digits themselves, so
// "0.1" and "0.1000000000000000055" differ however a double would round them.
bool SameDecimalNumber(std::string_view a, std::string_view b);

// A tolerance: two texts that both read as decimal numbers (as above) a and
// b are within it when |a - b| <= absolute, or |a - b| <= relative *
// max(|a|, |b|); an empty text is not given. The tolerances are decimal texts
// of the same reading, read once here for the many pairs they are asked
// about. Decided exactly on the digits; numbers whose digits lie more than
// 100000 places apart are never within a tolerance.
class DecimalTolerance {
 public:
  DecimalTolerance(std::string absolute, std::string relative);
  bool Within(std::string_view a, std::string_view b) const;

  // A number of at most 18 significant digits: mantissa times ten to the
  // power exponent, the mantissa without trailing zeros (0 for zero).
  struct Short {
    bool negative = false;
    std::uint64_t mantissa = 0;
    long long exponent = 0;
    int digits = 0;
  };

 private:
  std::optional<bool> WithinShort(std::string_view a, std::string_view b) const;

  std::string absolute_;
  std::string relative_;
  Short limit_;
  Short fraction_;
  bool short_ = false;  // whether both tolerances have the short form
};

}  // namespace parvex
