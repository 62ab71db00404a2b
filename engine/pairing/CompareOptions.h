#pragma once

namespace parvex {

class Rules;

// Choices that change how a comparison pairs lines and tells values apart. All
// off is the plain comparison: lines paired by position, values compared as
// bytes.
struct CompareOptions {
  // Pair lines (or members) with the same address instead of the same position.
  bool MatchByAddress = false;
  // Values that both read as decimal numbers are equal when the numbers are.
  bool NumbersByValue = false;
  // Lines to leave out and numeric tolerances; none when null. Owned by the
  // caller for as long as the comparison runs.
  const Rules* AppliedRules = nullptr;
  // A line whose units differ from its partner's differs too (a cell then
  // shows its units in square brackets), unless the rules exempt it.
  bool CompareUnits = false;

  friend bool operator==(const CompareOptions&, const CompareOptions&) = default;
};

}  // namespace parvex
