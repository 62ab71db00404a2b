#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/CompareOptions.h"
#include "engine/reading/BatchReader.h"

namespace parvex {

class ValueJudge;

// The comparisons with lines paired by address instead of by position: the
// k-th line of an address in one side with the k-th line of the same address
// in the other. A line found on one side only is a row whose other value reads
// "(missing)". Rows follow the first side's order; a line found only in the
// second goes after the last line before it that both sides share, merged by
// address with the first side's lone lines there. Opening, captions, status
// and failures are as in the positional comparisons.
void CompareArchivesByAddress(const std::string& archive1, const std::string& archive2,
                              DifferenceList& list, const CompareOptions& options,
                              const ReadSizes& sizes = {});

// The same, every line put in tables first, as CompareArchivesByAddress does
// only for archives whose addresses are not the same in the same order; for
// tests, which hold the two ways against each other.
void CompareArchivesInTables(const std::string& archive1, const std::string& archive2,
                             DifferenceList& list, const CompareOptions& options,
                             const ReadSizes& sizes = {});

// The first way of CompareArchivesByAddress: archives whose lines have the
// same addresses in the same order are compared as they are read, their rows
// added to rows. Returns false, telling nothing, at the first line that shows
// they are not such archives or fails to split; exposed for tests, which must
// know that it ran. The judge, of the same options, counts what the rules
// removed.
bool CompareInStep(std::unique_ptr<TextStream> stream1, std::unique_ptr<TextStream> stream2,
                   const CompareOptions& options, ValueJudge& judge, const ReadSizes& sizes,
                   std::vector<DifferenceRow>& rows);

// Members N1.M and N2.M are paired by their member number M.
void CompareStructuresByAddress(const std::string& archive, std::int16_t structure1,
                                std::int16_t structure2, DifferenceList& list,
                                const CompareOptions& options, const ReadSizes& sizes = {});

}  // namespace parvex
