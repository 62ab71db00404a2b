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

DifferenceRow RowOfLines(const BatchReader::Line& line1, const BatchReader::Line& line2,
                         const ValueJudge& judge) {
  const ArchiveFields f = line1.Fields();
  return DifferenceRow{std::to_string(f.ParamNumber) + "." + std::to_string(f.SubIndex),
                       {std::string(f.Description), std::string(f.Value),
                        SecondValue(judge, line2.Value(), f.Units,
                                    std::string_view(line2.text + line2.unitsAt, line2.unitsSize)),
                        std::string(f.Units)},
                       f.ReadOnly};
}

}  // namespace parvex
