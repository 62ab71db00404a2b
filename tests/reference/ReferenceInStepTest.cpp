// The comparison of an archive with the reference as it is read, held to
// the pair comparison by address and to itself at every read size and job
// count, on references in which no address comes twice.

#include "engine/pairing/AddressTable.h"
#include "reference/ArchiveReading.h"
#include "reference/CompareWithReference.h"
#include "reference/GeneratedFleets.h"
#include "reference/ReferenceInStep.h"
#include "reference/ReferenceSupport.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

std::string AddressOf(const std::string& line) {
  return line.substr(0, line.find('\t'));
}

// A generated archive whose addresses come once each.
std::vector<std::string> UniqueArchive(std::mt19937& random, std::size_t lines) {
  std::vector<std::string> out;
  std::set<std::string> addresses;
  for (int tries = 0; tries < 100 && out.size() < lines; ++tries) {
    std::string line = test::GeneratedLine(random);
    if (line[0] == '$' || addresses.insert(AddressOf(line)).second) {
      out.push_back(std::move(line));
    }
  }
  return out;
}

// Units that differ from the reference's on some of its lines; the lines it
// lacks get units that follow the address, so that a row the reference lacks
// reads the same whichever archive describes it.
void MutateUnits(std::mt19937& random, const std::vector<std::string>& reference,
                 std::vector<std::string>& lines) {
  std::set<std::string> left;
  for (const std::string& line : reference) left.insert(AddressOf(line));
  for (std::string& line : lines) {
    if (line[0] == '$') continue;
    const std::string address = AddressOf(line);
    const std::size_t units = line.rfind('\t') + 1;
    if (left.erase(address) == 0) {
      line.replace(units, line.size() - units - 1, "u" + address);
    } else if (random() % 10 == 0) {
      line.replace(units, line.size() - units - 1, "w");
    }
  }
}

// What the reader must take apart besides: CR LF line ends, a run of lines
// again, a line that fails to split, a last line without line end.
std::string MoreMutated(std::mt19937& random, const std::vector<std::string>& reference,
                        std::vector<std::string> lines) {
  if (lines.size() > 4 && random() % 4 == 0) {
    const auto from = static_cast<std::ptrdiff_t>(random() % (lines.size() - 3));
    const std::vector<std::string> again(lines.begin() + from, lines.begin() + from + 2);
    lines.insert(lines.begin() + from + 3, again.begin(), again.end());
  }
  MutateUnits(random, reference, lines);
  for (std::string& line : lines) {
    if (random() % 6 == 0) line.insert(line.size() - 1, "\r");
  }
  if (random() % 10 == 0) lines.insert(lines.begin(), "1.99999\tb\t2\tu\n");
  std::string text = test::Join(lines);
  if (!text.empty() && random() % 8 == 0) text.pop_back();
  return text;
}

// Whether archive k is compared as it is read.
bool ComparedInStep(const std::string& referencePath, const std::string& archivePath,
                    const CompareOptions& options) {
  AddressTable table;
  table.SetRules(options.AppliedRules.get());
  if (options.CompareUnits) table.KeepUnits();
  ArchiveSummary summary;
  if (!ReadArchive(referencePath, {}, table, summary)) return false;
  const std::unique_ptr<ReferenceLines> lines = ReferenceLines::Read(referencePath, {}, table);
  if (!lines) return false;
  ReferenceRequest request;
  request.options = options;
  Outcome out;
  return CompareWhileReading(*lines, table, request, archivePath, out);
}

// Everything a result tells, the rows with their occurrences and the
// archives with their notes.
std::vector<std::string> Told(const ReferenceResult& result) {
  std::vector<std::string> told = test::MatrixLines(result);
  for (std::size_t r = 0; r < result.rows.size(); ++r) {
    told[r] += " #" + std::to_string(result.rows[r].occurrence);
  }
  const std::vector<std::string> summaries = test::SummaryLines(result);
  told.insert(told.end(), summaries.begin(), summaries.end());
  for (const ArchiveSummary& s : result.archives) {
    for (const std::string& note : s.notes) told.push_back(note);
    for (const ReferenceMessage& m : s.messages) told.push_back(m.title + ": " + m.text);
  }
  return told;
}

// The fleet compared as read where it can be, at several read sizes, against
// the same through tables.
void CheckAgainstTables(const std::string& reference, const std::vector<FleetArchive>& archives,
                        const CompareOptions& options,
                        const std::vector<ReadSizes>& readSizes = {ReadSizes{}, ReadSizes{1, 1},
                                                                   ReadSizes{7, 3}}) {
  TempDir dir;
  const auto expected = Told(test::RunFleet(dir, reference, archives, options, 0, {}, false));
  for (const ReadSizes sizes : readSizes) {
    EXPECT_EQ(Told(test::RunFleet(dir, reference, archives, options, 0, sizes)), expected)
        << sizes.buffer << "/" << sizes.batch;
  }
}

TEST(ReferenceInStep, TakesOnlyReferencesWhoseAddressesComeOnce) {
  TempDir dir;
  const auto lines = [&](const std::string& text) {
    const std::string path = dir.Write("r.arc", text);
    AddressTable table;
    ArchiveSummary summary;
    ReadArchive(path, {}, table, summary);
    return ReferenceLines::Read(path, {}, table) != nullptr;
  };
  EXPECT_TRUE(lines(L("1.1", "a", "5") + "$ x\n" + L("1.2", "b", "6") + L("0.7", "c", "7")));
  EXPECT_TRUE(lines(L("1.1", "a", "5") + "1.2\tb\t6\tu"));
  EXPECT_FALSE(lines(L("1.1", "a", "5") + L("1.1", "b", "6")));
  EXPECT_FALSE(lines("1.99999\tb\t2\tu\n" + L("1.1", "a", "5")));
  EXPECT_FALSE(lines(L("1.1", "a", "5") + "\n"));
}

// A line of the reference that is no archive line (too few fields, an
// address that is no number) makes no archive of a file that holds nothing
// else, though the file's bytes are the reference's own.
TEST(ReferenceInStep, ReferenceLinesThatAreNoArchiveLinesMakeNoArchive) {
  for (const std::string line : {"1.2\tb\n", "x\tb\t6\tu\n"}) {
    SCOPED_TRACE(line);
    CheckAgainstTables(line + L("1.1", "a", "5"), {{"m", line}}, test::FleetOptions());
    TempDir dir;
    const ReferenceResult result =
        test::RunFleet(dir, line + L("1.1", "a", "5"), {{"m", line}}, test::FleetOptions());
    EXPECT_TRUE(result.archives[0].notArchive);
  }
}

// A read that ends inside a line that goes on as the reference's passes no
// line beyond the bytes read, whatever the buffer held before.
TEST(ReferenceInStep, RunsEndWhereTheBytesReadEnd) {
  std::string reference;
  for (int k = 1; k <= 30; ++k) {
    reference += L("1." + std::to_string(k), std::string(k % 5, 'd'), std::to_string(k * 37));
  }
  std::string changed = reference;
  changed.insert(changed.size() / 2, L("2.1", "e", "1"));
  std::vector<ReadSizes> sizes;
  for (std::size_t buffer = 1; buffer <= 40; ++buffer) {
    for (std::size_t batch = 1; batch <= 3; ++batch) sizes.push_back({buffer, batch});
  }
  CheckAgainstTables(reference, {{"same", reference}, {"changed", changed}}, test::FleetOptions(),
                     sizes);
}

// Each archive's column is what the pair comparison by address gives, on
// references in which an address may come again (compared through tables)
// and on references in which none does (compared as read where it can be,
// and held to the same through tables).
TEST(ReferenceInStep, ListsWhatThePairComparisonByAddressGives) {
  std::mt19937 random(20261208);
  int inStep = 0;
  int archivesSeen = 0;
  for (int round = 0; round < 88; ++round) {
    SCOPED_TRACE("round " + std::to_string(round));
    const bool unique = round % 2 == 0;
    const std::vector<std::string> reference = unique
                                                   ? UniqueArchive(random, 4 + random() % 20)
                                                   : test::GeneratedArchive(random, random() % 30);
    std::vector<FleetArchive> archives;
    const std::size_t count = 1 + random() % 5;
    for (std::size_t k = 0; k < count; ++k) {
      std::vector<std::string> lines = test::Mutated(random, reference);
      archives.push_back({"m" + std::to_string(k),
                          unique ? MoreMutated(random, reference, lines) : test::Join(lines)});
    }
    const int r = round / 2;
    const CompareOptions options =
        test::FleetOptions(r % 2 == 0, r % 3 == 0, test::GeneratedRules(r), r % 4 != 1);
    test::CheckAgainstPairs(test::Join(reference), archives, options);
    if (!unique) continue;
    CheckAgainstTables(test::Join(reference), archives, options);
    TempDir dir;
    const std::string ref = dir.Write("reference.arc", test::Join(reference));
    for (const FleetArchive& a : archives) {
      inStep += ComparedInStep(ref, dir.Write(a.name, a.content), options) ? 1 : 0;
      ++archivesSeen;
    }
  }
  // Most archives are compared as they are read, the others through tables.
  EXPECT_GT(inStep, archivesSeen / 2);
  EXPECT_LT(inStep, archivesSeen);
}

}  // namespace
}  // namespace parvex
