#pragma once

#include <iosfwd>
#include <string>

#include "reports/layouts/ReportLayout.h"

namespace parvex {

class DifferenceList;
struct ReferenceResult;
struct ReportTitles;

// The one way a result becomes a report file, for both windows and the
// command line: through the one writer, so that a report replaces the file
// at path only when whole. Failures are thrown as Failures that name the
// file, except those of the page and comma-delimited layouts, which
// WriteReport tells itself (under "Error While Printing") before it leaves
// the old file as it was.
void SaveReport(const std::string& path, Layout layout, const DifferenceList& list,
                const ReportTitles& titles);
// A reference comparison: the CSV matrix (Page stands for it too), JSON or
// the web page.
void SaveReport(const std::string& path, Layout layout, const ReferenceResult& result);

// The same reports into a stream, dated now: a list in the JSON or web page
// layout (the page and comma-delimited layouts go through WriteReport), a
// reference comparison in any.
void WriteListReport(std::ostream& out, Layout layout, const DifferenceList& list,
                     const ReportTitles& titles);
void WriteReferenceReport(std::ostream& out, Layout layout, const ReferenceResult& result);

}  // namespace parvex
