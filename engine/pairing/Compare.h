#pragma once

#include <cstdint>
#include <string>

#include "engine/pairing/CompareOptions.h"
#include "engine/pairing/PairingNotes.h"
#include "engine/reading/BatchReader.h"

namespace parvex {

class DifferenceList;

// Compares two archives line by line (the n-th line of one with the n-th line
// of the other), or with options.MatchByAddress line by address, and lists
// every pair whose values differ. Failures are reported under "Error While
// Comparing Archives"; rows found so far stay. Notes (when given) tell an
// archive that seems cut short, and what pairing by position left uncompared
// or paired across addresses (those stay empty when lines are matched by
// address or the comparison does not get to its end).
void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     const CompareOptions& options = {}, PairingNotes* notes = nullptr,
                     const ReadSizes& sizes = {});

// Compares the k-th member of structure 1 with the k-th member of structure 2
// of one archive (or, matching by address, members of the same number).
// Failures are reported under "Error While Comparing Structures"; rows found
// so far stay. Notes (when given) tell that the archive seems cut short.
void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, const CompareOptions& options = {},
                       PairingNotes* notes = nullptr, const ReadSizes& sizes = {});

}  // namespace parvex
