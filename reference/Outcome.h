#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/pairing/Pairing.h"
#include "reference/ReferenceResult.h"

namespace parvex {

// A deviation at a line of the reference: the archive lacks it, or holds
// another value.
struct AtReference {
  std::uint32_t line = 0;
  bool missing = false;
  std::string value;
  std::optional<std::string> units;  // the archive's, where they differ
};

// A line the reference lacks, by address and occurrence.
struct Extra {
  std::uint32_t key = 0;
  std::uint32_t occurrence = 0;
  // Where it stands: after the reference line paired with the nearest line
  // before it in its archive (kNoPartner: before every line), and its line.
  std::uint32_t after = kNoPartner;
  std::uint32_t line = 0;
  std::string address;
  std::string value;
  std::string description;
  std::string units;
};

// What one archive leaves behind: its summary and its deviations alone.
struct Outcome {
  ArchiveSummary summary;
  std::vector<AtReference> atReference;  // by line of the reference, ascending
  std::vector<Extra> extras;
};

}  // namespace parvex
