#pragma once

#include "reference/ReferenceResult.h"
#include "reference/ReferenceSupport.h"

namespace parvex::test {

// Generated fleets: a reference and archives made from it by changing values,
// dropping, adding and swapping lines, with duplicated addresses, read-only
// and "$" lines. Descriptions follow the address, so a row the reference lacks
// reads the same whichever archive describes it.
std::string GeneratedLine(std::mt19937& random, bool dollarAllowed = true);
std::vector<std::string> GeneratedArchive(std::mt19937& random, std::size_t lines);
std::string Join(const std::vector<std::string>& lines);
std::vector<std::string> Mutated(std::mt19937& random, std::vector<std::string> lines);

// Rules that ignore and tolerate some of the generated lines, every other
// round of four; nullptr in the others.
std::shared_ptr<const Rules> GeneratedRules(int round);

// Compares the fleet and holds each archive's column to what the pair
// comparison by address of the reference with that archive lists, and the
// result to the same with one job or many, at default and tiny read sizes.
// Returns the result.
ReferenceResult CheckAgainstPairs(const std::string& reference,
                                  const std::vector<FleetArchive>& archives,
                                  const CompareOptions& options);

}  // namespace parvex::test
