#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/values/NumericEquality.h"

namespace parvex {

// The key of an address: one number that sorts like (structure, member).
// Flipping the sign bits makes unsigned order the order of the signed numbers.
inline std::uint32_t AddressKey(std::int16_t structure, std::int16_t member) {
  const auto high = static_cast<std::uint32_t>(static_cast<std::uint16_t>(structure) ^ 0x8000U);
  const auto low = static_cast<std::uint32_t>(static_cast<std::uint16_t>(member) ^ 0x8000U);
  return (high << 16) | low;
}

// Parameters to leave out of a comparison, and numeric tolerances, as a rules
// file gives them. Addresses are matched as the numbers they parse to, by one
// 32-bit key per address that sorts like (structure, member); descriptions
// by globs, without regard to ASCII case.
class Rules {
 public:
  // No tolerance table applies.
  static constexpr std::uint16_t kNoTable = 0x7FFF;
  // What a line's description says about it: kIgnoredBit when an ignore
  // pattern matches it, and in the low bits the first tolerance table whose
  // description patterns match it (kNoTable when none).
  static constexpr std::uint16_t kIgnoredBit = 0x8000;
  static constexpr std::uint16_t kNoMark = kNoTable;

  // Reads and checks a rules file; a file that cannot be read or is not
  // right throws a failure that names the file, the line and column, and
  // what is wrong.
  static std::shared_ptr<const Rules> Read(const std::string& path);
  // The same from a text, the name standing for the file in messages.
  static std::shared_ptr<const Rules> Parse(std::string_view text, const std::string& name);

  const std::string& Path() const { return path_; }
  // The file's name without its folders, as report titles show it.
  std::string FileName() const;

  bool HasDescriptions() const { return hasDescriptions_; }
  bool IgnoresKey(std::uint32_t key) const;
  // Whether the units of the line at this address are left unjudged.
  bool ExemptsUnits(std::uint32_t key) const;
  // The first tolerance table whose address patterns match, or kNoTable.
  std::uint16_t TableOfKey(std::uint32_t key) const;
  std::uint16_t DescriptionMark(std::string_view description) const;
  // Whether two values that both read as decimal numbers are within the
  // table's tolerance; false when either is no number.
  bool Within(std::uint16_t table, std::string_view a, std::string_view b) const;

 private:
  friend class RulesBuilder;
  // Disjoint address ranges in key order, each with the number it stands for
  // (the first table matching there, or 0 for an ignored range).
  struct Span {
    std::uint32_t first;
    std::uint32_t last;
    std::uint16_t table;
  };
  static std::uint16_t Find(const std::vector<Span>& spans, std::uint32_t key);

  std::string path_;
  std::vector<Span> ignored_;
  std::vector<Span> tables_;
  std::vector<Span> unitsExempt_;
  std::vector<std::string> ignoredDescriptions_;
  // (table, glob) in table order.
  std::vector<std::pair<std::uint16_t, std::string>> tableDescriptions_;
  std::vector<DecimalTolerance> tolerances_;
  bool hasDescriptions_ = false;
};

// Whether a glob ("*" any run of bytes, "?" one byte) matches the whole text,
// ASCII letters without regard to case.
bool GlobMatches(std::string_view glob, std::string_view text);

// An address pattern as a rules file takes it (N.M, N, N.*, N.M-N.K or *):
// the keys from first to last; false, with why, when the text is none.
bool ReadAddressRange(std::string_view text, std::uint32_t& first, std::uint32_t& last,
                      std::string& why);

// What rules removed from a comparison.
struct RuleCounts {
  std::uint64_t ignored = 0;
  std::uint64_t tolerated = 0;
};

// One line as the rules see it: its address key and its description's mark.
struct RuleLine {
  std::uint32_t key = 0;
  std::uint16_t mark = Rules::kNoMark;
};

inline RuleLine RuleLineOf(const Rules& rules, std::int16_t structure, std::int16_t member,
                           std::string_view description) {
  return RuleLine{AddressKey(structure, member),
                  rules.HasDescriptions() ? rules.DescriptionMark(description) : Rules::kNoMark};
}

// Two paired lines as the rules see them. Paired lines mostly have the same
// description, which is then matched once.
inline void RulePairOf(const Rules& rules, std::int16_t structure1, std::int16_t member1,
                       std::string_view description1, std::int16_t structure2, std::int16_t member2,
                       std::string_view description2, RuleLine& first, RuleLine& second) {
  first = RuleLineOf(rules, structure1, member1, description1);
  second.key = AddressKey(structure2, member2);
  second.mark = description2 == description1 || !rules.HasDescriptions()
                    ? first.mark
                    : rules.DescriptionMark(description2);
}

// The one place where two values are judged equal, for every pairing alike:
// byte for byte, then as the same decimal number when that option is on,
// then by the rules, counting what they remove.
class ValueJudge {
 public:
  // With units, a line whose units differ from its partner's differs too.
  ValueJudge(bool numbersByValue, const Rules* rules, bool units = false)
      : numbers_(numbersByValue), rules_(rules), units_(units) {}

  // Whether the values of two paired lines count as equal. The lines are
  // asked for only when the rules need them.
  template <typename Lines>
  bool Equal(std::string_view a, std::string_view b, Lines&& lines) {
    if (a == b) return true;
    return EqualAfterBytes(a, b, lines);
  }
  // The same for values already found to differ as bytes.
  template <typename Lines>
  bool EqualAfterBytes(std::string_view a, std::string_view b, Lines&& lines) {
    if (numbers_ && SameNumber(a, b)) return true;
    if (rules_ == nullptr) return false;
    RuleLine first;
    RuleLine second;
    lines(first, second);
    return Removes(a, b, first, second);
  }
  // Whether two paired lines count as equal when units are judged as well:
  // sameUnits tells whether their units are the same bytes. Lines whose
  // units differ are equal only when the rules ignore them, or exempt their
  // units and their values are equal.
  template <typename Lines>
  bool EqualWithUnits(std::string_view a, std::string_view b, bool sameUnits, Lines&& lines) {
    if (sameUnits || !units_) return a == b || EqualAfterBytes(a, b, lines);
    if (rules_ == nullptr) return false;
    RuleLine first;
    RuleLine second;
    lines(first, second);
    if (Ignores(first, second)) {
      ++counts_.ignored;
      return true;
    }
    if (!rules_->ExemptsUnits(first.key)) return false;
    return a == b || (numbers_ && SameNumber(a, b)) || Removes(a, b, first, second);
  }
  bool JudgesUnits() const { return units_; }
  // Whether rules leave out a line that has no partner.
  bool LeavesOut(const RuleLine& line);
  bool WithRules() const { return rules_ != nullptr; }
  // A judge of the same choices that has counted nothing yet, for work done
  // apart (on another core, or on a try that may be dropped).
  ValueJudge Fresh() const { return ValueJudge(numbers_, rules_, units_); }
  const Rules* RulesInUse() const { return rules_; }
  const RuleCounts& Counts() const { return counts_; }
  void Add(const RuleCounts& more) {
    counts_.ignored += more.ignored;
    counts_.tolerated += more.tolerated;
  }

 private:
  static bool SameNumber(std::string_view a, std::string_view b);
  bool Removes(std::string_view a, std::string_view b, const RuleLine& first,
               const RuleLine& second);
  bool Ignores(const RuleLine& first, const RuleLine& second) const;

  bool numbers_;
  const Rules* rules_;
  bool units_;
  RuleCounts counts_;
};

}  // namespace parvex
