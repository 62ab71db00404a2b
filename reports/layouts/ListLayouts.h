#pragma once

#include <iosfwd>
#include <string>

#include "reports/layouts/ReferenceCsv.h"

namespace parvex {

class DifferenceList;
struct ReportTitles;

// A difference list in the JSON or web page layout (layout is one of them),
// dated now.
void WriteListInLayout(std::ostream& out, Layout layout, const DifferenceList& list,
                       const ReportTitles& titles);

// The same into a file, through a temporary file beside it; throws a Failure
// that names the file.
void SaveListInLayout(const std::string& path, Layout layout, const DifferenceList& list,
                      const ReportTitles& titles);

}  // namespace parvex
