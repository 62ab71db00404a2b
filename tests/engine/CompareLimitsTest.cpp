// Where a comparison meets its limits and bad input: the notes of lines left
// over, hostile bytes, missing files, the list's 16-bit limit, lines that do
// not split and read errors.

#include "engine/PairingCases.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

// A rest that could not be read to its end is not given a count (the other
// notes' texts are held by the command line's tests).
TEST(PairingNotes, SayWhenTheRestCouldNotBeRead) {
  EXPECT_EQ(PairingNoteTexts(Unreadable(2, 3, 5)),
            std::vector<std::string>{
                "Archive 2 has more lines than Archive 1, from line 5 on (not all of them could "
                "be read): they were not compared, as comparing by position stops at the end of "
                "the shorter archive."});
  EXPECT_TRUE(PairingNoteTexts({}).empty());
}

TEST(CompareArchives, HostileInputNeitherCrashesNorHangs) {
  RecordedErrors errors;
  TempDir dir;
  std::string binary;
  for (int i = 0; i < 200000; ++i) binary.push_back(static_cast<char>((i * 7919) % 256));
  const auto huge = dir.Write("huge", std::string(50 * 1024 * 1024, 'x'));
  const auto bin = dir.Write("bin", binary);
  const auto normal = dir.Write("normal", "1\td\t5\tu\n");

  DifferenceList list;
  CompareArchives(huge, normal, list, ReadOnly(true));
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Row(0), Row("-1.0", "<UNKNOWN>", "", "5", "", true));

  CompareArchives(bin, bin, list, ReadOnly(true));
  EXPECT_EQ(list.Count(), 0);
  CompareStructures(bin, 0, -1, list, ReadOnly(true));
  CompareStructures(huge, -1, 0, list, ReadOnly(true));
  EXPECT_EQ(list.Status(), "0 Difference(s)");
  for (const auto& shown : errors.Shown()) {
    EXPECT_EQ(shown.caption, "Error While Splitting Archive Line") << shown.prompt;
  }
}

// A missing file is told, each in turn, by every pairing; the list keeps its
// rows and captions and tells its status again.
TEST(CompareArchives, MissingArchivesAreEachToldAndEarlierRowsStay) {
  TempDir dir;
  const auto a = dir.Write("a.txt", "1\td\t1\tu\n");
  const auto gone1 = dir.File("missing1.txt");
  const auto gone2 = dir.File("missing2.txt");
  const auto missing = [](const std::string& path) {
    return std::string(build::kAppTitle) + ": File '" + path + "' does not exist.";
  };
  for (const bool byAddress : {false, true}) {
    const CompareOptions options{byAddress, false};
    const std::vector<std::pair<std::function<void(DifferenceList&)>, std::vector<std::string>>>
        cases = {
            {[&](auto& list) { CompareArchives(gone1, a, list, options); }, {missing(gone1)}},
            {[&](auto& list) { CompareArchives(a, gone2, list, options); }, {missing(gone2)}},
            {[&](auto& list) { CompareArchives(gone1, gone2, list, options); },
             {missing(gone1), missing(gone2)}},
            {[&](auto& list) { CompareStructures(gone1, 1, 2, list, options); }, {missing(gone1)}}};
    for (const auto& [compare, told] : cases) {
      RecordedErrors errors;
      DifferenceList list;
      list.SetCaption("val1", "Earlier");
      list.Append(Row("7", "keep", "1", "2", "u"));
      list.SetStatus("1 Difference(s)");
      compare(list);
      EXPECT_EQ(errors.Told(), told) << byAddress;
      EXPECT_EQ(errors.Shown().front().style, kMsgExclamation);
      EXPECT_EQ(list.Count(), 1);
      EXPECT_EQ(list.Column(2).Caption, "Earlier");
      EXPECT_EQ(list.Status(), "0 Difference(s)");
    }
  }
}

// The 32768th row overflows the 16-bit count after it is added: by
// position, and by address for lines of the second archive alone and for
// pairs (gone through in two halves). By address the lines after it are
// still read, and a bad one there is told.
TEST(CompareArchives, TheListStopsAtTheSixteenBitLimit) {
  std::string first;
  std::string second;
  for (int i = 0; i < 32800; ++i) {
    const std::string address = std::to_string(i / 1000) + "." + std::to_string(i % 1000);
    first += L(address, "d", "w");
    second += L(address, "d", "v");
  }
  first += L("12.", "d", "w");
  second += L("12.", "d", "v");
  const struct {
    const char* name;
    bool alone;
    CompareOptions options;
    std::size_t badLinesTold;
  } cases[] = {{"by position", false, kPosition, 0},
               {"alone, by address", true, kByAddress, 1},
               {"paired, by address", false, kByAddress, 2}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    RecordedErrors errors;
    TempDir dir;
    DifferenceList list;
    list.SetStatus("earlier");
    CompareArchives(dir.Write("a", c.alone ? "" : first), dir.Write("b", second), list, c.options);
    EXPECT_EQ(list.Count(), 32768);
    EXPECT_EQ(list.Row(32767), Row("32.767", "d", c.alone ? M : "w", "v", "u"));
    EXPECT_EQ(list.Status(), "earlier");
    std::vector<std::string> expected(
        c.badLinesTold, "Error While Splitting Archive Line: Error 13: Type mismatch");
    expected.push_back("Error While Comparing Archives: Error 6: Overflow");
    EXPECT_EQ(errors.Told(), expected);
  }
}

// Lines that fail to split are told in file order, the first archive's
// first, and take part with the fields they got; a line whose address could
// not be read tells no shift.
TEST(CompareArchives, BadLinesAreToldInOrderAndTheComparisonGoesOn) {
  const std::string overflow = "Error While Splitting Archive Line: Error 6: Overflow";
  const std::string mismatch = "Error While Splitting Archive Line: Error 13: Type mismatch";
  const struct {
    std::string a;
    std::string b;
    CompareOptions options;
    std::vector<std::string> told;
    std::string rows;
  } cases[] = {
      {"99999\td\t1\tu\n2\td\t1\tu\n",
       "1\td\t1\tu\n2\td\t2\tu\n",
       kPosition,
       {overflow},
       "0.0|||1|;2.0|d|1|2|u"},
      // The failed lines have empty values: the first pair equal, the second not.
      {"12.\td\t1\tu\n5\td\t1\tu\n",
       "99999\td\t1\tu\n.5\td\t1\tu\n",
       kPosition,
       {mismatch, overflow, mismatch},
       "5.0|d|1||u"},
      // Both bad lines keep address 12.0 with empty fields, and pair.
      {"5\td\t1\tu\n12.\td\t1\tu\n",
       "12.99999\td\t1\tu\n5\td\t2\tu\n",
       kByAddress,
       {overflow, mismatch},
       "5.0|d|1|2|u"},
  };
  for (const auto& c : cases) {
    RecordedErrors errors;
    TempDir dir;
    DifferenceList list;
    PairingNotes notes;
    CompareArchives(dir.Write("a", c.a), dir.Write("b", c.b), list, c.options, &notes);
    EXPECT_EQ(errors.Told(), c.told) << c.a;
    EXPECT_EQ(list.Rows(), test::Rows(c.rows)) << c.a;
    EXPECT_EQ(notes, PairingNotes{}) << c.a;
  }
}

TEST(CompareArchives, ReadErrorIsReportedUnderItsTitle) {
  if (!std::filesystem::exists("/proc/self/mem")) GTEST_SKIP();
  TempDir dir;
  const auto normal = dir.Write("b", "1\td\t2\tu\n");
  for (const bool first : {true, false}) {
    for (const bool byAddress : {false, true}) {
      RecordedErrors errors;
      DifferenceList list;
      list.SetStatus("earlier");
      CompareArchives(first ? "/proc/self/mem" : normal, first ? normal : "/proc/self/mem", list,
                      CompareOptions{byAddress, false});
      ASSERT_EQ(errors.Shown().size(), 1U) << first << byAddress;
      EXPECT_EQ(errors.Shown()[0].caption, "Error While Comparing Archives");
      EXPECT_EQ(errors.Shown()[0].prompt.rfind("Error 57: ", 0), 0U) << errors.Shown()[0].prompt;
      EXPECT_EQ(list.Status(), "earlier");
    }
  }
}

TEST(CompareStructures, TablesGrowPastOneHundredMembers) {
  RecordedErrors errors;
  TempDir dir;
  std::string archive;
  for (int i = 0; i < 250; ++i) archive += L("5." + std::to_string(i), "d", std::to_string(i));
  for (int i = 0; i < 250; ++i) {
    archive += L("6." + std::to_string(i), "e", std::to_string(i == 100 || i == 249 ? -1 : i));
  }
  DifferenceList list;
  CompareStructures(dir.Write("a", archive), 5, 6, list);
  EXPECT_EQ(list.Rows(), test::Rows("100|d|100|-1|u;249|d|249|-1|u"));
  EXPECT_TRUE(errors.Shown().empty());
}

TEST(CompareStructures, GrowthPastTheSixteenBitLimitFails) {
  RecordedErrors errors;
  TempDir dir;
  std::string archive;
  for (int i = 0; i < 32601; ++i) archive += "1.1\td\tv\tu\n";
  DifferenceList list;
  list.Append(Row("keep", "", "", "", ""));
  list.SetStatus("earlier");
  CompareStructures(dir.Write("a", archive), 1, 2, list);
  EXPECT_EQ(errors.Told(),
            std::vector<std::string>{"Error While Comparing Structures: Error 6: Overflow"});
  EXPECT_EQ(list.Count(), 0);  // cleared before reading, no row found yet
  EXPECT_EQ(list.Status(), "earlier");
  // One member fewer still fits.
  archive.erase(0, archive.find('\n') + 1);
  CompareStructures(dir.Write("b", archive), 1, 2, list);
  EXPECT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(list.Count(), 32600);
}

class EventLog final : public DifferenceListObserver {
 public:
  void ListCleared() override { events.push_back("clear"); }
  void CaptionChanged(int column) override { events.push_back("caption" + std::to_string(column)); }
  void RowAppended(int row) override { events.push_back("row" + std::to_string(row)); }
  void StatusChanged() override { events.push_back("status"); }
  std::vector<std::string> events;
};

TEST(CompareArchives, EffectsComeInOrder) {
  RecordedErrors errors;
  TempDir dir;
  DifferenceList list;
  EventLog log;
  list.SetObserver(&log);
  CompareArchives(dir.Write("a", "1\td\t1\tu\n2\td\t1\tu\n"),
                  dir.Write("b", "1\td\t2\tu\n2\td\t3\tu\n"), list);
  EXPECT_EQ(log.events,
            (std::vector<std::string>{"clear", "caption2", "caption3", "row0", "row1", "status"}));
}

}  // namespace
}  // namespace parvex
