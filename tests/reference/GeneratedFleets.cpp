#include "reference/GeneratedFleets.h"

#include "support/TestSupport.h"

namespace parvex::test {

namespace {

const std::string M = kMissingText;

// The rows a pair comparison by address of the reference with archive k
// would list, from the matrix.
std::vector<std::string> PairRowsOf(const ReferenceResult& result, std::uint32_t k) {
  std::vector<std::string> rows;
  for (const ReferenceRow& row : result.rows) {
    const ReferenceCell cell = result.Cell(row, k);
    if (cell.kind == ReferenceCell::Kind::Same) continue;
    if (!row.inReference && cell.kind == ReferenceCell::Kind::Missing) continue;
    const std::string v1 = row.inReference ? row.reference : M;
    const std::string v2 = cell.kind == ReferenceCell::Kind::Value ? CellText(cell) : M;
    rows.push_back(row.address + "|" + row.description + "|" + v1 + "|" + v2 + "|" + row.units);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

// The same options for a pair, its lines matched by address.
CompareOptions ByAddress(CompareOptions options) {
  options.MatchByAddress = true;
  return options;
}

// Archive k's column against the pair comparison of the reference with it.
void CheckColumn(const TempDir& dir, const ReferenceResult& result,
                 const std::vector<FleetArchive>& archives, const CompareOptions& options,
                 std::uint32_t k) {
  test::RecordedErrors errors;
  DifferenceList list;
  CompareArchives(dir.File("reference.arc"), dir.File(archives[k].name), list, ByAddress(options));
  std::vector<std::string> expected;
  std::uint64_t differ = 0;
  std::uint64_t missing = 0;
  for (const DifferenceRow& r : list.Rows()) {
    expected.push_back(r.Text + "|" + r.SubItems[0] + "|" + r.SubItems[1] + "|" + r.SubItems[2] +
                       "|" + r.SubItems[3]);
    differ += r.SubItems[1] != M && r.SubItems[2] != M ? 1 : 0;
    missing += r.SubItems[2] == M ? 1 : 0;
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(PairRowsOf(result, k), expected) << "archive " << k;
  const ArchiveSummary& s = result.archives[k];
  EXPECT_EQ(s.differ, differ);
  EXPECT_EQ(s.missing, missing);
  EXPECT_EQ(s.differ + s.missing + s.extra, list.Count());
  EXPECT_EQ(s.ignored, options.AppliedRules ? list.Rules()->ignored : 0U);
  EXPECT_EQ(s.tolerated, options.AppliedRules ? list.Rules()->tolerated : 0U);
}

}  // namespace

std::string GeneratedLine(std::mt19937& random, bool dollarAllowed) {
  const int s = static_cast<int>(random() % 6) - 1;
  const int m = static_cast<int>(random() % 4);
  if (dollarAllowed && random() % 15 == 0) return "$ note\n";
  static const char* const kValues[] = {"1", "2", "1.0", "x", "", "10"};
  const std::string address = std::to_string(s) + "." + std::to_string(m);
  const std::string description = (random() % 5 == 0 ? "!d" : "d") + address;
  // Units mostly follow the address, so that a pair mostly agrees on them.
  return L(address, description, kValues[random() % 6], random() % 8 == 0 ? "v" : "u" + address);
}

std::vector<std::string> GeneratedArchive(std::mt19937& random, std::size_t lines) {
  std::vector<std::string> out;
  for (std::size_t k = 0; k < lines; ++k) out.push_back(GeneratedLine(random));
  return out;
}

std::string Join(const std::vector<std::string>& lines) {
  std::string text;
  for (const std::string& l : lines) text += l;
  return text;
}

std::vector<std::string> Mutated(std::mt19937& random, std::vector<std::string> lines) {
  const std::size_t changes = random() % 6;
  for (std::size_t c = 0; c < changes; ++c) {
    const std::size_t at = lines.empty() ? 0 : random() % lines.size();
    switch (random() % 4) {
      case 0:
        if (!lines.empty()) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(at));
        break;
      case 1:
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(at), GeneratedLine(random));
        break;
      case 2:
        if (at + 1 < lines.size()) std::swap(lines[at], lines[at + 1]);
        break;
      default:
        if (!lines.empty() && lines[at][0] != '$') {
          const std::size_t value = lines[at].find('\t', lines[at].find('\t') + 1) + 1;
          const std::size_t end = lines[at].find('\t', value);
          lines[at].replace(value, end - value, random() % 2 == 0 ? "1.00" : "y");
        }
    }
  }
  return lines;
}

std::shared_ptr<const Rules> GeneratedRules(int round) {
  if (round % 4 < 2) return nullptr;
  return Rules::Parse(R"([ignore]
addresses = ["3.*"]
descriptions = ["D1.?"]
[[tolerance]]
addresses = ["0.0-0.2", "2"]
absolute = "1"
[[tolerance]]
addresses = ["*"]
relative = "10%"
)",
                      "generated.toml");
}

ReferenceResult CheckAgainstPairs(const std::string& reference,
                                  const std::vector<FleetArchive>& archives,
                                  const CompareOptions& options) {
  TempDir dir;
  const ReferenceResult result = RunFleet(dir, reference, archives, options);
  for (std::uint32_t k = 0; k < archives.size(); ++k) {
    // A file with no archive line (none left, or "$" lines alone) is no
    // archive; two files are compared whatever they hold.
    if (!result.reference.readable || result.archives[k].notArchive) continue;
    CheckColumn(dir, result, archives, options, k);
  }
  for (const unsigned jobs : {1U, 4U}) {
    for (const ReadSizes sizes : {ReadSizes{}, ReadSizes{1, 1}, ReadSizes{3, 2}}) {
      TempDir other;
      const ReferenceResult again = RunFleet(other, reference, archives, options, jobs, sizes);
      EXPECT_EQ(MatrixLines(again), MatrixLines(result)) << jobs << " jobs " << sizes.buffer;
      EXPECT_EQ(SummaryLines(again), SummaryLines(result)) << jobs << " jobs " << sizes.buffer;
    }
  }
  return result;
}

}  // namespace parvex::test
