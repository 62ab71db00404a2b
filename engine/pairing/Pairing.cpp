#include "engine/pairing/Pairing.h"

#include <algorithm>

#include "engine/list/DifferenceList.h"

namespace parvex {

AddressOrder::AddressOrder(const AddressTable& table) : table_(table) {
  bool ascending = true;
  for (std::size_t i = 1; i < table.Size() && ascending; ++i) {
    ascending = table.Key(i - 1) <= table.Key(i);
  }
  if (ascending) return;
  sorted_.resize(table.Size());
  for (std::size_t i = 0; i < sorted_.size(); ++i) {
    sorted_[i] = (std::uint64_t{table.Key(i)} << 32) | i;
  }
  std::sort(sorted_.begin(), sorted_.end());
}

Partners Pair(const AddressOrder& oa, const AddressOrder& ob) {
  Partners p{BigVector<std::uint32_t>(oa.Size(), kNoPartner),
             BigVector<std::uint32_t>(ob.Size(), kNoPartner)};
  std::size_t i = 0;
  std::size_t j = 0;
  while (i < oa.Size() && j < ob.Size()) {
    const std::uint32_t ka = oa.Key(i);
    const std::uint32_t kb = ob.Key(j);
    if (ka < kb) {
      ++i;
    } else if (kb < ka) {
      ++j;
    } else {
      const std::uint32_t ia = oa.Index(i++);
      const std::uint32_t ib = ob.Index(j++);
      p.first[ia] = ib;
      p.second[ib] = ia;
    }
  }
  return p;
}

void TellOutcome(DifferenceList& list, long long count, const ValueJudge& judge) {
  list.SetStatus(ComparisonStatus(count, judge));
  // The outcome goes with the status it is part of, also when a missing file
  // left the rows of an earlier comparison in place.
  list.SetRulesOutcome(judge.WithRules() ? std::optional<RulesOutcome>(RulesOutcome{
                                               judge.RulesInUse()->Path(), judge.Counts().ignored,
                                               judge.Counts().tolerated})
                                         : std::nullopt);
}

}  // namespace parvex
