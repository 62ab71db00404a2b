#pragma once

#include <optional>
#include <string_view>

namespace parvex {

// The layouts a report can take.
enum class Layout { Page, Csv, Json, Html };

// The one choice of a report's layout, for both windows and the command line:
// the layout an option asks for; else the one the file name ends in, by its
// last characters alone and case-sensitively ("csv", "json", "html" or "htm":
// "r.CSV" and "Report" end in none); else otherwise (the page layout for a
// pair's list, the CSV matrix for a reference comparison, the dialog's
// filter).
Layout ChooseLayout(std::string_view name, std::optional<Layout> asked, Layout otherwise);

}  // namespace parvex
