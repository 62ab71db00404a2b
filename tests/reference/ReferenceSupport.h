#pragma once

#include <string>
#include <vector>

#include "reference/ReferenceResult.h"

namespace parvex::test {

// One archive line from its four fields.
inline std::string L(const std::string& address, const std::string& description,
                     const std::string& value, const std::string& units = "u") {
  return address + "\t" + description + "\t" + value + "\t" + units + "\n";
}

// The matrix as lines of text, one per row: address, description, units,
// reference and every archive's cell, joined by "|"; an unread archive's cell
// reads "(unread)".
std::vector<std::string> MatrixLines(const ReferenceResult& result);

// Each summary as "name lines/differ/missing/extra", then "unreadable" or the
// count of messages.
std::vector<std::string> SummaryLines(const ReferenceResult& result);

}  // namespace parvex::test
