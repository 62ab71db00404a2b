#pragma once

#include <cstdint>
#include <string>

#include "engine/pairing/CompareOptions.h"
#include "engine/pairing/PairingNotes.h"
#include "engine/reading/BatchReader.h"

namespace parvex {

class DifferenceList;

// Compares two archives line by line (the n-th line of one with the n-th line
// of the other) and lists every pair whose values differ. Failures are
// reported under "Error While Comparing Archives"; rows found so far stay.
void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     bool includeReadOnly, const ReadSizes& sizes = {});
// The same with options, which may pair lines by address instead and compare
// numbers by value.
void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     bool includeReadOnly, const CompareOptions& options,
                     const ReadSizes& sizes = {});
// The same, telling in notes (when given) an archive that seems cut short,
// and what pairing by position left uncompared or paired across addresses
// (those stay empty when lines are matched by address or the comparison does
// not get to its end).
void CompareArchives(const std::string& archive1, const std::string& archive2, DifferenceList& list,
                     bool includeReadOnly, const CompareOptions& options, PairingNotes* notes,
                     const ReadSizes& sizes = {});

// Compares the k-th member of structure 1 with the k-th member of structure 2
// of one archive. Failures are reported under "Error While Comparing
// Structures"; rows found so far stay.
void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, bool includeReadOnly, const ReadSizes& sizes = {});
void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, bool includeReadOnly, const CompareOptions& options,
                       const ReadSizes& sizes = {});
// The same, telling in notes (when given) that the archive seems cut short.
void CompareStructures(const std::string& archive, std::int16_t structure1, std::int16_t structure2,
                       DifferenceList& list, bool includeReadOnly, const CompareOptions& options,
                       PairingNotes* notes, const ReadSizes& sizes = {});

}  // namespace parvex
