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

// A reference comparison as one JSON document: its verdict, inputs and
// options, the files skipped as no archives, each archive's summary, messages
// and notes, and the matrix (a cell gives its units where they differ, and is
// marked extra in a row the reference lacks). Texts from the files are
// decoded by DisplayText.
void WriteReferenceJson(std::ostream& out, const ReferenceResult& result);

// A difference list as one JSON document, with the titles of its report.
void WriteDifferencesJson(std::ostream& out, const DifferenceList& list, const ReportTitles& titles,
                          const std::string& date);

}  // namespace parvex
