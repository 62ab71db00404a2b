#pragma once

#include <iosfwd>
#include <string>

namespace parvex {

class DifferenceList;
struct ReferenceResult;
struct ReportTitles;

// One self-contained page (its style and script inline, nothing fetched)
// that shows everything without script and prints; the script adds only the
// filter box and the sorting of the archives' table. Every text from a file
// goes through HtmlText.

// A reference comparison: the verdict in words, inputs and options, a
// summary table with each archive's verdict (marked by a sign and a word as
// well as by colour, sortable by it and by each count) and a bar of its
// deviations, then the matrix with its deviating, missing and extra cells
// marked by a sign as well as by colour and differing units in brackets, a
// header and first columns that stay in view, and a filter on address and
// description.
void WriteReferenceHtml(std::ostream& out, const ReferenceResult& result, const std::string& date);

// A difference list with the titles of its report.
void WriteDifferencesHtml(std::ostream& out, const DifferenceList& list, const ReportTitles& titles,
                          const std::string& date);

}  // namespace parvex
