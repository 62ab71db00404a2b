#include "ArchiveGenerator.h"

#include <cstdio>
#include <random>
#include <stdexcept>

namespace parvex::bench {

GeneratedPair GenerateArchivePair(const std::string& folder, std::size_t lines,
                                  int differingPerThousand) {
  GeneratedPair pair;
  pair.archive1 = folder + "/bench-archive1.arc";
  pair.archive2 = folder + "/bench-archive2.arc";
  pair.lines = lines;
  std::FILE* a = std::fopen(pair.archive1.c_str(), "wb");
  std::FILE* b = std::fopen(pair.archive2.c_str(), "wb");
  if (a == nullptr || b == nullptr) throw std::runtime_error("cannot write benchmark archives");

  static const char* const kNames[] = {"Motor speed limit",    "Ramp up time",
                                       "Current limit",        "Position window",
                                       "Gear ratio numerator", "Torque offset"};
  static const char* const kUnits[] = {"rpm", "s", "A", "mm", "", "Nm"};
  std::mt19937 rng(20261206);
  std::uniform_int_distribution<int> percent(0, 99);
  std::uniform_int_distribution<int> perThousand(0, 999);
  std::uniform_int_distribution<int> value(0, 99999);
  int structure = 1;
  int member = 0;
  char line1[160];
  char line2[160];
  for (std::size_t i = 0; i < lines; ++i) {
    int n1 = 0;
    int n2 = 0;
    if (i % 997 == 0) {
      n1 = n2 = std::snprintf(line1, sizeof line1, "$ section %d\r\n", structure);
      std::snprintf(line2, sizeof line2, "$ section %d\r\n", structure);
    } else {
      const int k = static_cast<int>(i % 6);
      const bool readOnly = percent(rng) < 10;
      const int v = value(rng);
      const int v2 = perThousand(rng) < differingPerThousand ? v + 1 : v;
      n1 = std::snprintf(line1, sizeof line1, "%d.%d\t%s%s %d\t%d.%02d\t%s\r\n", structure, member,
                         readOnly ? "!" : "", kNames[k], member, v / 100, v % 100, kUnits[k]);
      n2 = std::snprintf(line2, sizeof line2, "%d.%d\t%s%s %d\t%d.%02d\t%s\r\n", structure, member,
                         readOnly ? "!" : "", kNames[k], member, v2 / 100, v2 % 100, kUnits[k]);
      if (++member == 50) {
        // Structure numbers stay 16-bit however long the archives get.
        member = 0;
        structure = structure % 30000 + 1;
      }
    }
    std::fwrite(line1, 1, static_cast<std::size_t>(n1), a);
    std::fwrite(line2, 1, static_cast<std::size_t>(n2), b);
    pair.bytes += static_cast<std::size_t>(n1 + n2);
  }
  std::fclose(a);
  std::fclose(b);
  return pair;
}

std::string FleetRules() {
  std::string text = "[ignore]\naddresses = [\n";
  for (int k = 0; k < 100; ++k) {
    const int structure = 1 + k * 293;
    std::string pattern = std::to_string(structure) + "." + std::to_string(k % 50);
    if (k % 10 == 3) pattern = std::to_string(structure) + ".*";
    if (k % 10 == 7) pattern += "-" + std::to_string(structure) + ".49";
    text += "  \"" + pattern + "\",\n";
  }
  text += "]\ndescriptions = [\"Serial*\", \"Operating hours*\"]\n";
  for (int t = 0; t < 9; ++t) {
    text += "\n[[tolerance]]\naddresses = [\"" + std::to_string(100 + t * 3000) + ".*\", \"" +
            std::to_string(101 + t * 3000) + ".1-" + std::to_string(101 + t * 3000) +
            ".20\"]\nabsolute = \"0.001\"\n";
  }
  text += "\n[[tolerance]]\naddresses = [\"*\"]\nrelative = \"0.0001%\"\n";
  return text;
}

}  // namespace parvex::bench
