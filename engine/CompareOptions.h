#pragma once

namespace parvex {

// Choices that change how a comparison pairs lines and tells values apart. All
// off is the plain comparison: lines paired by position, values compared as
// bytes.
struct CompareOptions {
  // Pair lines (or members) with the same address instead of the same position.
  bool MatchByAddress = false;
  // Values that both read as decimal numbers are equal when the numbers are.
  bool NumbersByValue = false;

  friend bool operator==(const CompareOptions&, const CompareOptions&) = default;
};

}  // namespace parvex
