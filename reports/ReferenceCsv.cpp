#include "reports/ReferenceCsv.h"

#include <ostream>

#include "reference/ReferenceResult.h"

namespace parvex {

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// One field between double quotes, quotes inside doubled.
void AppendCsvField(std::string& line, std::string_view text) {
  line += '"';
  for (const char c : text) {
    if (c == '"') line += '"';
    line += c;
  }
  line += '"';
}

}  // namespace

Layout LayoutForName(std::string_view path, Layout fallback) {
  if (EndsWith(path, "json")) return Layout::Json;
  if (EndsWith(path, "html") || EndsWith(path, "htm")) return Layout::Html;
  return fallback;
}

// Fields are appended to one line, which is also what keeps GCC's -O3
// restrict check quiet about chains of string concatenations.
void WriteReferenceCsv(std::ostream& out, const ReferenceResult& result) {
  std::string line;
  const auto field = [&line](std::string_view text) {
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
      const ReferenceCell::Kind kind = cell.kind;
      const std::string value = CellText(cell);
      field(kind == ReferenceCell::Kind::Value     ? std::string_view(value)
            : kind == ReferenceCell::Kind::Missing ? std::string_view(kMissingText)
                                                   : std::string_view());
    });
    out << line << "\r\n";
  }
}

}  // namespace parvex
