// One comparison of a pair of archives, with or without the fleet's rules
// file, for counting its instructions (bench/rules_bench.sh): on a machine
// shared with others, instruction counts do not move with their load.
//   rules_bench ARCHIVE1 ARCHIVE2 none|plain|rules [by-address]
// "none" reads the rules and compares nothing, so that the setting up can be
// taken off the other two.
#include <cstdio>
#include <cstring>

#include "ArchiveGenerator.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/values/Rules.h"

int main(int argc, char** argv) {
  if (argc < 4) {
    std::fprintf(stderr, "usage: rules_bench ARCHIVE1 ARCHIVE2 none|plain|rules [by-address]\n");
    return 2;
  }
  const auto rules = parvex::Rules::Parse(parvex::bench::FleetRules(), "fleet.toml");
  if (std::strcmp(argv[3], "none") == 0) return 0;
  const bool withRules = std::strcmp(argv[3], "rules") == 0;
  const bool byAddress = argc > 4 && std::strcmp(argv[4], "by-address") == 0;
  parvex::DifferenceList list;
  parvex::CompareOptions options{byAddress, false, withRules ? rules : nullptr};
  options.IncludeReadOnly = true;
  parvex::CompareArchives(argv[1], argv[2], list, options);
  std::printf("%s\n", list.Status().c_str());
  return 0;
}
