#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/base/BigArray.h"
#include "engine/pairing/AddressTable.h"
#include "engine/pairing/CompareOptions.h"
#include "engine/values/Rules.h"

namespace parvex {

struct DifferenceRow;

// An index that stands for no line.
inline constexpr std::uint32_t kNoPartner = 0xFFFFFFFFU;

// For each line of one table, the index of its partner in the other, or
// kNoPartner.
struct Partners {
  BigVector<std::uint32_t> first;
  BigVector<std::uint32_t> second;
};

// The lines of a table in address order and, within an address, in file
// order. Tables whose addresses already ascend, the usual case, need no copy.
class AddressOrder {
 public:
  explicit AddressOrder(const AddressTable& table);
  std::size_t Size() const { return table_.Size(); }
  std::uint32_t Key(std::size_t n) const {
    return sorted_.empty() ? table_.Key(n) : static_cast<std::uint32_t>(sorted_[n] >> 32);
  }
  std::uint32_t Index(std::size_t n) const {
    return static_cast<std::uint32_t>(sorted_.empty() ? n : sorted_[n]);
  }

 private:
  const AddressTable& table_;
  BigVector<std::uint64_t> sorted_;  // (key, index), empty when not needed
};

// The k-th line of an address in one table is paired with the k-th line of
// the same address in the other. Every comparison by address pairs here.
Partners Pair(const AddressOrder& a, const AddressOrder& b);
inline Partners Pair(const AddressTable& a, const AddressTable& b) {
  return Pair(AddressOrder(a), AddressOrder(b));
}

// The judge of the options' values: numbers, rules and units.
inline ValueJudge JudgeOf(const CompareOptions& options) {
  return ValueJudge(options.NumbersByValue, options.AppliedRules.get(), options.CompareUnits);
}

// Whether line i of a and its partner, line j of b, are the same bytes: their
// values, and their units when units is true. Such lines are equal, and most
// are; the loops over all lines ask this first, so that it is never a call.
inline bool SamePairedBytes(const AddressTable& a, std::size_t i, const AddressTable& b,
                            std::size_t j, bool units) {
  return units ? a.SameValueAndUnits(i, b, j) : a.SameValue(i, b, j);
}

// Whether line i of a and its partner, line j of b, count as equal (their
// values, and their units when the judge judges them), the judge counting
// what its rules removed. Every comparison by address judges its
// pairs here.
inline bool SamePairedValue(const AddressTable& a, std::size_t i, const AddressTable& b,
                            std::size_t j, ValueJudge& judge) {
  const auto lines = [&](RuleLine& x, RuleLine& y) {
    x = a.ForRules(i);
    y = b.ForRules(j);
  };
  if (!judge.JudgesUnits()) {
    return a.SameValue(i, b, j) || judge.EqualAfterBytes(a.Value(i), b.Value(j), lines);
  }
  // Units judged: both tables keep them.
  if (a.SameValueAndUnits(i, b, j)) return true;
  return judge.EqualWithUnits(a.Value(i), b.Value(j), a.Units(i) == b.Units(j), lines);
}

// A value shown with units that differ from its partner's: "2000 [mm/s]".
inline std::string ValueWithUnits(std::string_view value, std::string_view units) {
  return std::string(value) + " [" + std::string(units) + "]";
}

// The second value of a row: with its units where units are judged and they
// differ from the first line's.
inline std::string SecondValue(const ValueJudge& judge, std::string_view value,
                               std::string_view units1, std::string_view units2) {
  if (!judge.JudgesUnits() || units1 == units2) return std::string(value);
  return ValueWithUnits(value, units2);
}

// Whether two lines read by batch readers and split, paired by position or
// in step, count as equal: their value bytes, then the judge (numbers, rules,
// units), the lines' addresses and descriptions handed to the rules.
inline bool SameLines(const BatchReader::Line& line1, const BatchReader::Line& line2,
                      ValueJudge& judge) {
  const std::string_view units1(line1.text + line1.unitsAt, line1.unitsSize);
  const std::string_view units2(line2.text + line2.unitsAt, line2.unitsSize);
  const bool sameUnits = units1 == units2;
  if (sameUnits && BatchReader::SameValueBytes(line1, line2)) return true;
  return judge.EqualWithUnits(
      line1.Value(), line2.Value(), sameUnits, [&](RuleLine& a, RuleLine& b) {
        RulePairOf(*judge.RulesInUse(), line1.Number(), line1.Member(),
                   std::string_view(line1.text, line1.descriptionSize), line2.Number(),
                   line2.Member(), std::string_view(line2.text, line2.descriptionSize), a, b);
      });
}

// The row of two such lines that differ: the first line's address, texts and
// mark, and the second's value.
DifferenceRow RowOfLines(const BatchReader::Line& line1, const BatchReader::Line& line2,
                         const ValueJudge& judge);

// Whether the judge's rules leave out line i of a table, a line without a
// partner; such a line makes no row for being missing on the other side.
inline bool LeftOutAlone(const AddressTable& table, std::size_t i, ValueJudge& judge) {
  return judge.WithRules() && judge.LeavesOut(table.ForRules(i));
}

}  // namespace parvex
