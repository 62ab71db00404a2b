#include "reference/ReferenceSupport.h"

namespace parvex::test {

std::vector<std::string> MatrixLines(const ReferenceResult& result) {
  std::vector<std::string> lines;
  for (const ReferenceRow& row : result.rows) {
    std::string line = row.address + "|" + row.description + "|" + row.units + "|" +
                       (row.inReference ? row.reference : std::string(kMissingText));
    for (std::uint32_t k = 0; k < result.archives.size(); ++k) {
      const ReferenceCell cell = result.Cell(row, k);
      switch (cell.kind) {
        case ReferenceCell::Kind::Same:
          line += "|";
          break;
        case ReferenceCell::Kind::Value:
          line += "|" + cell.value;
          break;
        case ReferenceCell::Kind::Missing:
          line += std::string("|") + kMissingText;
          break;
        case ReferenceCell::Kind::Unread:
          line += "|(unread)";
          break;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> SummaryLines(const ReferenceResult& result) {
  std::vector<std::string> lines;
  for (const ArchiveSummary& s : result.archives) {
    lines.push_back(s.name + " " + std::to_string(s.lines) + "/" + std::to_string(s.differ) + "/" +
                    std::to_string(s.missing) + "/" + std::to_string(s.extra) + " " +
                    (s.readable ? std::to_string(s.messages.size()) : "unreadable"));
  }
  return lines;
}

}  // namespace parvex::test
