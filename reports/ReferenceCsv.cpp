#include "reports/ReferenceCsv.h"

#include <ostream>

#include "reference/ReferenceResult.h"

namespace parvex {

namespace {

bool EndsWith(std::string_view text, std::string_view end) {
  return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

}  // namespace

Layout LayoutForName(std::string_view path, Layout fallback) {
  if (EndsWith(path, "json")) return Layout::Json;
  if (EndsWith(path, "html") || EndsWith(path, "htm")) return Layout::Html;
  return fallback;
}

std::string CsvField(std::string_view text) {
  std::string field = "\"";
  for (const char c : text) {
    if (c == '"') field += '"';
    field += c;
  }
  return field + "\"";
}

void WriteReferenceCsv(std::ostream& out, const ReferenceResult& result) {
  std::string line = CsvField("Address") + "," + CsvField("Description") + "," + CsvField("Units") +
                     "," + CsvField("Reference");
  for (const ArchiveSummary& a : result.archives) line += "," + CsvField(a.name);
  out << line << "\r\n";
  for (const ReferenceRow& row : result.rows) {
    line = CsvField(row.address) + "," + CsvField(row.description) + "," + CsvField(row.units) +
           "," + CsvField(row.inReference ? row.reference : kMissingText);
    ForEachCell(result, row,
                [&](std::uint32_t, ReferenceCell::Kind kind, const std::string& value) {
                  line += ",";
                  if (kind == ReferenceCell::Kind::Value) {
                    line += CsvField(value);
                  } else if (kind == ReferenceCell::Kind::Missing) {
                    line += CsvField(kMissingText);
                  } else {
                    line += "\"\"";
                  }
                });
    out << line << "\r\n";
  }
}

}  // namespace parvex
