#include "reference/ReferenceResult.h"

#include <algorithm>

#include "engine/pairing/Pairing.h"
#include "engine/values/Rules.h"

namespace parvex {

ReferenceCell ReferenceRow::CellOf(std::uint32_t k) const {
  const auto at =
      std::lower_bound(cells.begin(), cells.end(), k,
                       [](const ReferenceCell& c, std::uint32_t n) { return c.archive < n; });
  if (at != cells.end() && at->archive == k) return *at;
  return {k, ReferenceCell::Kind::Same, {}, {}};
}

std::string CellText(const ReferenceCell& cell) {
  return cell.units ? ValueWithUnits(cell.value, *cell.units) : cell.value;
}

ReferenceCell ReferenceResult::Cell(const ReferenceRow& row, std::uint32_t k) const {
  if (!archives[k].readable) return {k, ReferenceCell::Kind::Unread, {}, {}};
  return row.CellOf(k);
}

bool ReferenceResult::AllRead() const {
  const auto clean = [](const ArchiveSummary& s) { return s.readable && s.messages.empty(); };
  return clean(reference) && std::all_of(archives.begin(), archives.end(), clean);
}

std::vector<std::string> ReferenceResult::Inputs() const {
  std::vector<std::string> paths{reference.path};
  for (const ArchiveSummary& s : archives) paths.push_back(s.path);
  if (options.AppliedRules) paths.push_back(options.AppliedRules->Path());
  return paths;
}

std::size_t ReferenceResult::Deviating() const {
  return static_cast<std::size_t>(std::count_if(
      archives.begin(), archives.end(), [](const ArchiveSummary& s) { return s.Deviates(); }));
}

std::size_t ReferenceResult::Unread() const {
  return static_cast<std::size_t>(std::count_if(
      archives.begin(), archives.end(), [](const ArchiveSummary& s) { return !s.readable; }));
}

bool ReferenceResult::AnyDeviates() const {
  return std::any_of(archives.begin(), archives.end(),
                     [](const ArchiveSummary& s) { return s.Deviates(); });
}

}  // namespace parvex
