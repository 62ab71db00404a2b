#include "engine/values/Rules.h"

#include <algorithm>

#include "engine/values/NumericEquality.h"

namespace parvex {

namespace {

char LowerAscii(char c) {
  return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

}  // namespace

bool GlobMatches(std::string_view glob, std::string_view text) {
  std::size_t g = 0;
  std::size_t t = 0;
  // Where the last "*" was, and the text it has taken up to, to try it with
  // one byte more when what follows it fails.
  std::size_t star = std::string_view::npos;
  std::size_t resume = 0;
  while (t < text.size()) {
    if (g < glob.size() && glob[g] == '*') {
      star = g++;
      resume = t;
    } else if (g < glob.size() && (glob[g] == '?' || LowerAscii(glob[g]) == LowerAscii(text[t]))) {
      ++g;
      ++t;
    } else if (star != std::string_view::npos) {
      g = star + 1;
      t = ++resume;
    } else {
      return false;
    }
  }
  while (g < glob.size() && glob[g] == '*') ++g;
  return g == glob.size();
}

std::string Rules::FileName() const {
  const std::size_t slash = path_.find_last_of("/\\");
  return slash == std::string::npos ? path_ : path_.substr(slash + 1);
}

std::uint16_t Rules::Find(const std::vector<Span>& spans, std::uint32_t key) {
  auto after = std::upper_bound(spans.begin(), spans.end(), key,
                                [](std::uint32_t k, const Span& s) { return k < s.first; });
  if (after == spans.begin()) return kNoTable;
  --after;
  return key <= after->last ? after->table : kNoTable;
}

bool Rules::IgnoresKey(std::uint32_t key) const {
  return !ignored_.empty() && Find(ignored_, key) != kNoTable;
}

bool Rules::ExemptsUnits(std::uint32_t key) const {
  return !unitsExempt_.empty() && Find(unitsExempt_, key) != kNoTable;
}

std::uint16_t Rules::TableOfKey(std::uint32_t key) const {
  return tables_.empty() ? kNoTable : Find(tables_, key);
}

std::uint16_t Rules::DescriptionMark(std::string_view description) const {
  std::uint16_t mark = kNoTable;
  for (const std::string& glob : ignoredDescriptions_) {
    if (GlobMatches(glob, description)) {
      mark = static_cast<std::uint16_t>(mark | kIgnoredBit);
      break;
    }
  }
  for (const auto& [table, glob] : tableDescriptions_) {
    if (GlobMatches(glob, description)) {
      mark = static_cast<std::uint16_t>((mark & kIgnoredBit) | table);
      break;
    }
  }
  return mark;
}

bool Rules::Within(std::uint16_t table, std::string_view a, std::string_view b) const {
  return tolerances_[table].Within(a, b);
}

bool ValueJudge::SameNumber(std::string_view a, std::string_view b) {
  return SameDecimalNumber(a, b);
}

bool ValueJudge::Removes(std::string_view a, std::string_view b, const RuleLine& first,
                         const RuleLine& second) {
  // An ignored line takes no part, whatever a tolerance would say of it.
  // Paired lines mostly have the same address, which is then looked up once.
  const bool sameKey = first.key == second.key;
  if (Ignores(first, second)) {
    ++counts_.ignored;
    return true;
  }
  // Tables are numbered in file order: the lowest that matches either line
  // is the first.
  const auto low = static_cast<std::uint16_t>(~Rules::kIgnoredBit);
  const std::uint16_t table1 = rules_->TableOfKey(first.key);
  const std::uint16_t table = std::min({table1, sameKey ? table1 : rules_->TableOfKey(second.key),
                                        static_cast<std::uint16_t>(first.mark & low),
                                        static_cast<std::uint16_t>(second.mark & low)});
  if (table != Rules::kNoTable && rules_->Within(table, a, b)) {
    ++counts_.tolerated;
    return true;
  }
  return false;
}

bool ValueJudge::Ignores(const RuleLine& first, const RuleLine& second) const {
  return ((first.mark | second.mark) & Rules::kIgnoredBit) != 0 || rules_->IgnoresKey(first.key) ||
         (first.key != second.key && rules_->IgnoresKey(second.key));
}

bool ValueJudge::LeavesOut(const RuleLine& line) {
  if (rules_ == nullptr) return false;
  if ((line.mark & Rules::kIgnoredBit) == 0 && !rules_->IgnoresKey(line.key)) return false;
  ++counts_.ignored;
  return true;
}

}  // namespace parvex
