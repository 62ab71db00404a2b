#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

namespace parvex {

struct ReferenceCell;
struct ReferenceResult;
struct ReferenceRow;

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
