#include "reports/layouts/ReferenceCsv.h"

#include <ostream>

#include "reference/ReferenceResult.h"

namespace parvex {

namespace {

// One field between double quotes, quotes inside doubled: appended a run of
// bytes at a time, as a matrix of many archives has millions of fields.
void AppendCsvField(std::string& line, std::string_view text) {
  line += '"';
  for (std::size_t quote = text.find('"'); quote != std::string_view::npos;
       quote = text.find('"')) {
    line.append(text.substr(0, quote + 1));
    line += '"';
    text.remove_prefix(quote + 1);
  }
  line.append(text);
  line += '"';
}

}  // namespace

std::string MatrixCellText(const ReferenceRow& row, const ReferenceCell& cell) {
  switch (cell.kind) {
    case ReferenceCell::Kind::Value:
      // A line the reference lacks has no units to differ from.
      return row.inReference ? CellText(cell) : cell.value;
    case ReferenceCell::Kind::Missing:
      return kMissingText;
    case ReferenceCell::Kind::Unread:
      // Empty would claim equality with the reference.
      return kNotReadText;
    default:
      return {};
  }
}

// Fields are appended to one line, which is also what keeps GCC's -O3
// restrict check quiet about chains of string concatenations.
void WriteReferenceCsv(std::ostream& out, const ReferenceResult& result) {
  std::string line;
  const auto field = [&line](std::string_view text) {
    if (text.empty()) {
      // Most cells of a large matrix: the archive equals the reference.
      line.append(line.empty() ? "\"\"" : ",\"\"");
      return;
    }
    if (!line.empty()) line += ',';
    AppendCsvField(line, text);
  };
  for (const char* caption : {"Address", "Description", "Units", "Reference"}) field(caption);
  for (const ArchiveSummary& a : result.archives) field(a.name);
  out << line << "\r\n";
  for (const ReferenceRow& row : result.rows) {
    line.clear();
    field(row.address);
    field(row.description);
    field(row.units);
    field(row.inReference ? std::string_view(row.reference) : std::string_view(kMissingText));
    ForEachCell(result, row, [&](std::uint32_t, const ReferenceCell& cell) {
      field(MatrixCellText(row, cell));
    });
    out << line << "\r\n";
  }
}

}  // namespace parvex
