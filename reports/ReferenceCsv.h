#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace parvex {

struct ReferenceResult;

// The layouts a report can take; a file's name chooses one unless a command
// asks for one.
enum class Layout { Page, Csv, Json, Html };

// By the name's ending, case-sensitively like the comma-delimited layout:
// "json", "html" or "htm"; else fallback.
Layout LayoutForName(std::string_view path, Layout fallback);

// The matrix of a reference comparison: the header line, then one line per
// row, every field quoted, CR LF line ends, the bytes as they stand in the
// files.
void WriteReferenceCsv(std::ostream& out, const ReferenceResult& result);

}  // namespace parvex
