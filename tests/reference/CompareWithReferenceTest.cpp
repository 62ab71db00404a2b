#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <random>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/values/Rules.h"
#include "reference/CompareWithReference.h"
#include "reference/Inputs.h"
#include "reference/ReferenceSupport.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::FleetArchive;
using test::FleetCase;
using test::L;
using test::MatrixLines;
using test::RunFleet;
using test::SummaryLines;
using test::TempDir;

const std::string M = kMissingText;
class Fleet : public ::testing::TestWithParam<FleetCase> {};

TEST_P(Fleet, ListsEveryDeviationOfEveryArchive) {
  const FleetCase& c = GetParam();
  for (const unsigned jobs : {1U, 3U}) {
    TempDir dir;
    const ReferenceResult result = RunFleet(dir, c.reference, c.archives, c.options, jobs);
    EXPECT_EQ(MatrixLines(result), c.rows) << jobs << " jobs";
    EXPECT_EQ(SummaryLines(result), c.summaries) << jobs << " jobs";
    EXPECT_TRUE(result.reference.readable);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Fleet, ::testing::ValuesIn(test::FleetCases()));

TEST(FleetMessages, GoToTheArchiveThatToldThem) {
  TempDir dir;
  const ReferenceResult result = RunFleet(
      dir, "7.\tr\t1\tu\n", {{"m1", L("1", "a", "5") + "1.99999\tb\t2\tu\n"}, {"m2", ""}}, {});
  ASSERT_EQ(result.reference.messages.size(), 1U);
  EXPECT_EQ(result.reference.messages[0].title, "Error While Splitting Archive Line");
  EXPECT_EQ(result.reference.messages[0].text.rfind("Error 13: ", 0), 0U);
  ASSERT_EQ(result.archives[0].messages.size(), 1U);
  EXPECT_EQ(result.archives[0].messages[0].text.rfind("Error 6: ", 0), 0U);
  EXPECT_TRUE(result.archives[1].messages.empty());
  EXPECT_FALSE(result.AllRead());
}

TEST(FleetReference, MissingReferenceComparesNothing) {
  TempDir dir;
  ReferenceRequest request;
  request.reference = dir.File("none.arc");
  request.archives = {dir.Write("m1", L("1", "a", "5"))};
  const ReferenceResult result = CompareWithReference(request);
  EXPECT_FALSE(result.reference.readable);
  EXPECT_EQ(result.reference.failure, "File '" + request.reference + "' does not exist.");
  EXPECT_TRUE(result.rows.empty());
  ASSERT_EQ(result.archives.size(), 1U);
  EXPECT_FALSE(result.archives[0].readable);
}

TEST(FleetCancel, StopsStartingArchivesAndSaysSo) {
  // Cancelled after the second archive of five, on one job; or never.
  for (const bool cancel : {true, false}) {
    TempDir dir;
    ReferenceRequest request;
    request.reference = dir.Write("reference.arc", L("1", "a", "5"));
    for (int k = 0; k < 5; ++k) {
      request.archives.push_back(dir.Write("m" + std::to_string(k), L("1", "a", "6")));
    }
    request.jobs = 1;
    std::atomic<bool> stop{false};
    std::size_t told = 0;
    request.cancel = &stop;
    request.progress = [&](std::size_t done, std::size_t) {
      told = done;
      if (cancel && done == 2) stop = true;
    };
    const ReferenceResult result = CompareWithReference(request);
    EXPECT_EQ(result.cancelled, cancel);
    EXPECT_EQ(told, cancel ? 2U : 5U);
    EXPECT_EQ(result.rows.size(), cancel ? 0U : 1U);
    ASSERT_EQ(result.archives.size(), 5U);
    EXPECT_EQ(result.archives[4].differ, cancel ? 0U : 1U);
  }
}

// Generated fleets: a reference and archives made from it by changing values,
// dropping, adding and swapping lines, with duplicated addresses, read-only
// and "$" lines. Descriptions follow the address, so a row the reference lacks
// reads the same whichever archive describes it.
std::string GeneratedLine(std::mt19937& random, bool dollarAllowed = true) {
  const int s = static_cast<int>(random() % 6) - 1;
  const int m = static_cast<int>(random() % 4);
  if (dollarAllowed && random() % 15 == 0) return "$ note\n";
  static const char* const kValues[] = {"1", "2", "1.0", "x", "", "10"};
  const std::string address = std::to_string(s) + "." + std::to_string(m);
  const std::string description = (random() % 5 == 0 ? "!d" : "d") + address;
  return L(address, description, kValues[random() % 6], "u" + address);
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

// The rows a pair comparison by address of the reference with archive k
// would list, from the matrix.
std::vector<std::string> PairRowsOf(const ReferenceResult& result, std::uint32_t k) {
  std::vector<std::string> rows;
  for (const ReferenceRow& row : result.rows) {
    const ReferenceCell cell = result.Cell(row, k);
    if (cell.kind == ReferenceCell::Kind::Same) continue;
    if (!row.inReference && cell.kind == ReferenceCell::Kind::Missing) continue;
    const std::string v1 = row.inReference ? row.reference : M;
    const std::string v2 = cell.kind == ReferenceCell::Kind::Value ? cell.value : M;
    rows.push_back(row.address + "|" + row.description + "|" + v1 + "|" + v2 + "|" + row.units);
  }
  std::sort(rows.begin(), rows.end());
  return rows;
}

TEST(FleetProperty, EachColumnIsWhatThePairComparisonByAddressGives) {
  std::mt19937 random(20261207);
  for (int round = 0; round < 48; ++round) {
    TempDir dir;
    const std::vector<std::string> reference = GeneratedArchive(random, random() % 30);
    std::vector<FleetArchive> archives;
    const std::size_t count = 1 + random() % 5;
    for (std::size_t k = 0; k < count; ++k) {
      archives.push_back({"m" + std::to_string(k), Join(Mutated(random, reference))});
    }
    // Every other round with rules that ignore and tolerate some of the lines.
    const std::shared_ptr<const Rules> rules = round % 4 < 2 ? nullptr
                                                             : Rules::Parse(R"([ignore]
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
    const ReferenceOptions options{round % 2 == 0, round % 3 == 0, rules};
    const ReferenceResult result = RunFleet(dir, Join(reference), archives, options);
    SCOPED_TRACE("round " + std::to_string(round));

    for (std::uint32_t k = 0; k < count; ++k) {
      test::RecordedErrors errors;
      DifferenceList list;
      CompareArchives(dir.File("reference.arc"), dir.File(archives[k].name), list,
                      options.includeReadOnly,
                      CompareOptions{true, options.numbersByValue, rules.get()});
      std::vector<std::string> expected;
      std::uint64_t differ = 0;
      std::uint64_t missing = 0;
      for (const DifferenceRow& r : list.Rows()) {
        expected.push_back(r.Text + "|" + r.SubItems[0] + "|" + r.SubItems[1] + "|" +
                           r.SubItems[2] + "|" + r.SubItems[3]);
        differ += r.SubItems[1] != M && r.SubItems[2] != M ? 1 : 0;
        missing += r.SubItems[2] == M ? 1 : 0;
      }
      std::sort(expected.begin(), expected.end());
      EXPECT_EQ(PairRowsOf(result, k), expected) << "archive " << k;
      const ArchiveSummary& s = result.archives[k];
      EXPECT_EQ(s.differ, differ);
      EXPECT_EQ(s.missing, missing);
      EXPECT_EQ(s.differ + s.missing + s.extra, list.Count());
      EXPECT_EQ(s.ignored, rules ? list.Rules()->ignored : 0U);
      EXPECT_EQ(s.tolerated, rules ? list.Rules()->tolerated : 0U);
    }

    // The same result with one job or many, at default and tiny read sizes.
    for (const unsigned jobs : {1U, 4U}) {
      for (const ReadSizes sizes : {ReadSizes{}, ReadSizes{1, 1}, ReadSizes{3, 2}}) {
        TempDir other;
        const ReferenceResult again =
            RunFleet(other, Join(reference), archives, options, jobs, sizes);
        EXPECT_EQ(MatrixLines(again), MatrixLines(result)) << jobs << " jobs " << sizes.buffer;
        EXPECT_EQ(SummaryLines(again), SummaryLines(result)) << jobs << " jobs " << sizes.buffer;
      }
    }
  }
}

struct InputsCase {
  const char* name;
  std::vector<std::string> files;  // made in the folder
  std::vector<std::string> given;  // relative to the folder
  bool recursive;
  std::vector<std::string> paths;  // relative to the folder
  std::vector<std::string> names;
  std::string error;  // the start of it
};

void PrintTo(const InputsCase& c, std::ostream* os) {
  *os << c.name;
}

class Inputs : public ::testing::TestWithParam<InputsCase> {};

TEST_P(Inputs, ExpandFoldersAndNameColumns) {
  const InputsCase& c = GetParam();
  TempDir dir;
  const std::string root = dir.Path().string() + "/";
  std::filesystem::create_directories(dir.Path() / "empty");
  for (const std::string& f : c.files) dir.Write(f, "1\ta\t1\tu\n");
  std::vector<std::string> given;
  for (const std::string& g : c.given) given.push_back(root + g);
  const ExpandedInputs out = ExpandInputs(given, c.recursive);
  if (!c.error.empty()) {
    EXPECT_NE(out.error.find(c.error), std::string::npos) << out.error;
    return;
  }
  EXPECT_EQ(out.error, "");
  std::vector<std::string> paths;
  for (const std::string& p : out.paths) paths.push_back(p.substr(root.size()));
  EXPECT_EQ(paths, c.paths);
  std::vector<std::string> names = ColumnNames(out.paths);
  for (std::string& n : names) {
    if (n.rfind(root, 0) == 0) n = n.substr(root.size());
  }
  EXPECT_EQ(names, c.names);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Inputs,
    ::testing::Values(InputsCase{"a folder stands for its files in name order",
                                 {"f/b.arc", "f/a.arc", "f/C.arc", "f/sub/z.arc"},
                                 {"f"},
                                 false,
                                 {"f/C.arc", "f/a.arc", "f/b.arc"},
                                 {"C.arc", "a.arc", "b.arc"},
                                 ""},
                      InputsCase{"recursive takes subfolders in their place",
                                 {"f/b.arc", "f/a.arc", "f/ab/z.arc"},
                                 {"f/"},
                                 true,
                                 {"f/a.arc", "f/ab/z.arc", "f/b.arc"},
                                 {"a.arc", "z.arc", "b.arc"},
                                 ""},
                      InputsCase{"the same file twice is two columns named by path",
                                 {"x/m.arc"},
                                 {"x/m.arc", "x/m.arc"},
                                 false,
                                 {"x/m.arc", "x/m.arc"},
                                 {"x/m.arc", "x/m.arc"},
                                 ""},
                      InputsCase{"one name in two folders: every column by its path",
                                 {"x/m.arc", "y/m.arc", "y/n.arc"},
                                 {"x/m.arc", "y"},
                                 false,
                                 {"x/m.arc", "y/m.arc", "y/n.arc"},
                                 {"x/m.arc", "y/m.arc", "y/n.arc"},
                                 ""},
                      InputsCase{"a missing file is kept, to be told unreadable",
                                 {"x/m.arc"},
                                 {"nothing.arc", "x/m.arc"},
                                 false,
                                 {"nothing.arc", "x/m.arc"},
                                 {"nothing.arc", "m.arc"},
                                 ""},
                      InputsCase{"an empty folder is refused",
                                 {"x/m.arc"},
                                 {"x/m.arc", "empty"},
                                 false,
                                 {},
                                 {},
                                 "holds no archive files"}));

}  // namespace
}  // namespace parvex
