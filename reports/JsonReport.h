#pragma once

#include <iosfwd>
#include <string>

namespace parvex {

class DifferenceList;
struct ReferenceResult;
struct ReportTitles;

// The version of both JSON layouts, raised whenever a reader would have to
// change; the schemas in docs/schema describe it.
inline constexpr int kJsonFormat = 1;

// A reference comparison as one JSON document: inputs and options, each
// archive's summary and messages, and the matrix. Texts from the files are
// decoded by DisplayText.
void WriteReferenceJson(std::ostream& out, const ReferenceResult& result);

// A difference list as one JSON document, with the titles of its report.
void WriteDifferencesJson(std::ostream& out, const DifferenceList& list, const ReportTitles& titles,
                          const std::string& date);

}  // namespace parvex
