#pragma once

#include <cstddef>
#include <string>

namespace parvex::bench {

struct GeneratedPair {
  std::string archive1;
  std::string archive2;
  std::size_t lines = 0;
  std::size_t bytes = 0;  // both files together
};

// Writes a pair of archives of `lines` lines each into folder: about 45 bytes a
// line, roughly differingPerThousand / 1000 of the values differing (1%), a "$" line now and then
// and 10% of the values read-only. The same seed gives the same files.
GeneratedPair GenerateArchivePair(const std::string& folder, std::size_t lines,
                                  int differingPerThousand = 10);

// A rules file as a fleet might keep one: 100 address patterns to ignore,
// spread over the generated archives (single addresses, whole structures and
// ranges), two description globs, and 10 tolerance tables, the last for
// every address. The tolerances are below the generated differences (0.01),
// so the rows stay nearly the same and what rules cost is the judging.
std::string FleetRules();

}  // namespace parvex::bench
