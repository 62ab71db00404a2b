#pragma once

#include <ostream>

#include "engine/reading/BatchReader.h"
#include "reference/ReferenceResult.h"
#include "support/TestSupport.h"

namespace parvex::test {

// The matrix as lines of text, one per row: address, description, units,
// reference and every archive's cell, joined by "|"; an unread archive's cell
// reads "(unread)".
std::vector<std::string> MatrixLines(const ReferenceResult& result);

// Each summary as "name lines/differ/missing/extra", then "unreadable" or the
// count of messages, and with rules "ignored/tolerated".
std::vector<std::string> SummaryLines(const ReferenceResult& result);

struct FleetArchive {
  std::string name;
  std::string content;
  bool exists = true;
};

// The options of a reference comparison: units judged unless told not to.
CompareOptions FleetOptions(bool includeReadOnly = false, bool numbersByValue = false,
                            std::shared_ptr<const Rules> rules = nullptr, bool units = true);

// A reference, its archives and what comparing them gives.
struct FleetCase {
  const char* name;
  std::string reference;
  std::vector<FleetArchive> archives;
  CompareOptions options;
  std::vector<std::string> rows;       // as MatrixLines gives them
  std::vector<std::string> summaries;  // as SummaryLines gives them
  friend void PrintTo(const FleetCase& c, std::ostream* os) { *os << c.name; }
};

// The cases every layer's tests go through: equal and differing archives,
// missing, extra and duplicated lines, read-only, numbers, "$" lines, an
// unreadable and an empty archive, lines that fail to split.
std::vector<FleetCase> FleetCases();

// Writes the files into dir (the reference as reference.arc) and compares,
// as read where it can (asRead) or always through tables.
ReferenceResult RunFleet(const TempDir& dir, const std::string& reference,
                         const std::vector<FleetArchive>& archives, CompareOptions options,
                         unsigned jobs = 0, ReadSizes sizes = {}, bool asRead = true);

}  // namespace parvex::test
