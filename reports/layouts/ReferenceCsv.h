#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace parvex {

struct ReferenceCell;
struct ReferenceResult;
struct ReferenceRow;

// The layouts a report can take; a file's name chooses one unless a command
// asks for one.
enum class Layout { Page, Csv, Json, Html };

// By the name's ending, case-sensitively like the comma-delimited layout:
// "json", "html" or "htm"; else fallback.
Layout LayoutForName(std::string_view path, Layout fallback);

// What every cell of an archive that could not be read reads.
inline constexpr const char* kNotReadText = "(not read)";

// A cell of row as the matrix writes it: empty where the archive equals the
// reference, the value (with its units in brackets where they differ) where
// it differs, the value alone where the reference lacks the line, "(missing)"
// or "(not read)".
std::string MatrixCellText(const ReferenceRow& row, const ReferenceCell& cell);

// The matrix of a reference comparison: the header line, then one line per
// row, every field quoted, CR LF line ends, the bytes as they stand in the
// files.
void WriteReferenceCsv(std::ostream& out, const ReferenceResult& result);

}  // namespace parvex
