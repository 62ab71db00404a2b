#pragma once

#include <memory>

namespace parvex {

class Rules;

// Every choice that changes what a comparison finds, carried from the
// windows, the settings and the command line to every comparison: two
// archives or two structures, by position or by address, and many archives
// against a reference. All off is the plain comparison: read-only lines left
// out, lines paired by position, values compared as bytes, units unjudged.
struct CompareOptions {
  // Pair lines (or members) with the same address instead of the same
  // position. The reference comparison always pairs by address.
  bool MatchByAddress = false;
  // Values that both read as decimal numbers are equal when the numbers are.
  bool NumbersByValue = false;
  // Lines to leave out and numeric tolerances; none when null. Shared, as the
  // workers of a reference comparison and its result hold them.
  std::shared_ptr<const Rules> AppliedRules = nullptr;
  // A line whose units differ from its partner's differs too (a cell then
  // shows its units in square brackets), unless the rules exempt it.
  bool CompareUnits = false;
  // Lines marked read-only (in the first archive, or in the reference) take
  // part too.
  bool IncludeReadOnly = false;

  friend bool operator==(const CompareOptions&, const CompareOptions&) = default;
};

}  // namespace parvex
