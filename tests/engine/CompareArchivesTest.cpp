#include <gtest/gtest.h>

#include <functional>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "parvex/version.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::ReadOnly;
using test::RecordedErrors;
using test::Row;
using test::TempDir;

struct ArchivesCase {
  const char* name;
  std::string archive1;
  std::string archive2;
  bool includeReadOnly;
  std::vector<DifferenceRow> rows;
  PairingNotes notes{};
  friend void PrintTo(const ArchivesCase& c, std::ostream* os) { *os << c.name; }
};

PairingNotes LeftOver(int archive, std::uint64_t lines, std::uint64_t from) {
  PairingNotes notes;
  notes.leftOverArchive = archive;
  notes.leftOver = lines;
  notes.leftOverFrom = from;
  return notes;
}

PairingNotes Shift(PairingNotes notes, std::uint64_t line, std::string address1,
                   std::string address2) {
  notes.shiftLine = line;
  notes.address1 = std::move(address1);
  notes.address2 = std::move(address2);
  return notes;
}

class CompareArchivesCases : public ::testing::TestWithParam<ArchivesCase> {};

TEST_P(CompareArchivesCases, ListsTheDifferingValues) {
  RecordedErrors errors;
  TempDir dir;
  const ArchivesCase& c = GetParam();
  DifferenceList list;
  list.Append(Row("old", "", "", "", ""));
  // With every option off, exactly the positional results.
  PairingNotes notes = Shift(LeftOver(1, 7, 7), 7, "earlier", "notes");
  CompareArchives(dir.Write("a1.txt", c.archive1), dir.Write("a2.txt", c.archive2), list,
                  ReadOnly(c.includeReadOnly), &notes);
  EXPECT_EQ(list.Rows(), c.rows);
  // A file cut short is noted from its last byte alone, and tested apart.
  notes.cutShort.clear();
  EXPECT_EQ(notes, c.notes);
  EXPECT_EQ(list.Status(), std::to_string(c.rows.size()) + " Difference(s)");
  EXPECT_EQ(list.Column(2).Caption, "Archive 1");
  EXPECT_EQ(list.Column(3).Caption, "Archive 2");
  EXPECT_TRUE(errors.Shown().empty());
}

INSTANTIATE_TEST_SUITE_P(
    Pairs, CompareArchivesCases,
    ::testing::Values(
        ArchivesCase{
            "Identical", "1\td\t5\tu\n2.1\te\t6\tv\n", "1\td\t5\tu\n2.1\te\t6\tv\n", false, {}},
        ArchivesCase{"BothEmpty", "", "", false, {}},
        ArchivesCase{"OneDifference",
                     "1\td\t5\tu\r\n2.1\te\t6\tv\r\n",
                     "1\tX\t5\tY\n2.1\tZ\t7\tW\n",
                     false,
                     {Row("2.1", "e", "6", "7", "v")}},
        ArchivesCase{"SecondShorter",
                     "1\td\t5\tu\n2\td\t6\tu\n3\td\t7\tu\n",
                     "1\td\t9\tu\n",
                     false,
                     {Row("1.0", "d", "5", "9", "u")},
                     LeftOver(1, 2, 2)},
        ArchivesCase{"FirstShorter",
                     "1\td\t5\tu\n",
                     "1\td\t9\tu\n2\td\t6\tu\n",
                     false,
                     {Row("1.0", "d", "5", "9", "u")},
                     LeftOver(2, 1, 2)},
        // Every line left over counts, whatever it holds, ended or not.
        ArchivesCase{"LeftOverLinesOfEveryKind",
                     "1\td\t5\tu\n2\td\t6\tu\n",
                     "1\td\t5\tu\n2\td\t6\tu\n$ x\n\ngarbage\n99999\td\t1\tu\n9\td\t1",
                     false,
                     {},
                     LeftOver(2, 5, 3)},
        ArchivesCase{"InsertedLineShiftsPairing",
                     "1\ta\t1\tu\n2\tb\t2\tu\n3\tc\t3\tu\n",
                     "1\ta\t1\tu\n9\tnew\t9\tu\n2\tb\t2\tu\n",
                     false,
                     {Row("2.0", "b", "2", "9", "u"), Row("3.0", "c", "3", "2", "u")},
                     Shift({}, 2, "2.0", "9.0")},
        // A shift is told where it starts even when the values there are equal
        // or read-only, and once.
        ArchivesCase{"RemovedLineShiftsAndLeavesALineOver",
                     "1\ta\t1\tu\n2\t!b\t2\tu\n3.4\tc\t2\tu\n4\td\t4\tu\n",
                     "1\ta\t1\tu\n3.4\tc\t3\tu\n4\td\t4\tu\n",
                     false,
                     {Row("3.4", "c", "2", "4", "u")},
                     Shift(LeftOver(1, 1, 4), 2, "2.0", "3.4")},
        ArchivesCase{"BlankAndCaseMatter",
                     "1\td\t1500\tu\n2\td\tabc\tu\n",
                     "1\td\t1500 \tu\n2\td\tABC\tu\n",
                     false,
                     {Row("1.0", "d", "1500", "1500 ", "u"), Row("2.0", "d", "abc", "ABC", "u")}},
        ArchivesCase{"ReadOnlyLeftOut", "1\t!d\t1\tu\n", "1\td\t2\tu\n", false, {}},
        ArchivesCase{"ReadOnlyIncluded",
                     "1\t!d\t1\tu\n",
                     "1\td\t2\tu\n",
                     true,
                     {Row("1.0", "d", "1", "2", "u", true)}},
        ArchivesCase{"SecondReadOnlyPlaysNoPart",
                     "1\td\t1\tu\n",
                     "1\t!d\t2\tu\n",
                     false,
                     {Row("1.0", "d", "1", "2", "u")}},
        ArchivesCase{"DollarFacingDollar", "$x\n", "$y\n", false, {}},
        ArchivesCase{"DollarFirstBeforeAnyParse",
                     "$x\n",
                     "1\td\t5\tu\n",
                     false,
                     {Row("0.0", "", "", "5", "")}},
        ArchivesCase{"DollarFirstKeepsLastParsed",
                     "4.2\t!d\t5\tu\n$x\n",
                     "4.2\td\t5\tu\n1\te\t6\tf\n",
                     true,
                     {Row("4.2", "d", "", "6", "u", true)}},
        ArchivesCase{"BareDollarFirstKeepsLastParsed",
                     "4.2\t!d\t5\tu\n$\n",
                     "4.2\td\t5\tu\n1\te\t6\tf\n",
                     true,
                     {Row("4.2", "d", "", "6", "u", true)}},
        ArchivesCase{"DollarSecond", "1\td\t5\tu\n", "$\n", false, {Row("1.0", "d", "5", "", "u")}},
        // Lines equal byte for byte are passed over whole: a "$" line is not
        // equal to the line it takes its fields from, and lines of one length
        // can differ far into them.
        ArchivesCase{"DollarFacingTheLineItRepeats",
                     "1\td\t5\tu\n$\n",
                     "1\td\t5\tu\n1\td\t5\tu\n",
                     false,
                     {Row("1.0", "d", "", "5", "u")}},
        ArchivesCase{"DollarAfterARunOfSameLines",
                     "1\tfirst\t5\tu\n2\tsecond\t6\tv\r\n$\n",
                     "1\tfirst\t5\tu\n2\tsecond\t6\tv\r\n3\tother\t7\tw\n",
                     false,
                     {Row("2.0", "second", "", "7", "v")}},
        ArchivesCase{"LineFacingTheDollarThatRepeatsIt",
                     "1\td\t5\tu\r\n1\td\t5\tu\r\n",
                     "1\td\t5\tu\r\n$\r\n",
                     false,
                     {Row("1.0", "d", "5", "", "u")}},
        ArchivesCase{"DifferenceFarIntoTheLine",
                     "12.3\tA long description\t1500\tu\n",
                     "12.3\tA long description\t1600\tu\n",
                     false,
                     {Row("12.3", "A long description", "1500", "1600", "u")}},
        ArchivesCase{"ShortLineLeftOut",
                     "garbage\n",
                     "1\td\t5\tu\n",
                     false,
                     {},
                     Shift({}, 1, "-1.0", "1.0")},
        ArchivesCase{"ShortLineIncluded",
                     "garbage\n",
                     "1\td\t5\tu\n",
                     true,
                     {Row("-1.0", "<UNKNOWN>", "", "5", "", true)},
                     Shift({}, 1, "-1.0", "1.0")},
        ArchivesCase{"EmptyLines", "\n\n", "\n\n", false, {}},
        ArchivesCase{"NonNumericAddress",
                     "P1\td\t5\tu\n",
                     "P1\td\t6\tu\n",
                     false,
                     {Row("-1.0", "d", "5", "6", "u")}},
        ArchivesCase{"HighBytesRoundTrip",
                     "1\t\xb5m\t\x80\xff\t\xb0\n",
                     "1\td\t\x81\xfe\tu\n",
                     false,
                     {Row("1.0", "\xb5m", "\x80\xff", "\x81\xfe", "\xb0")}}),
    [](const auto& p) { return std::string(p.param.name); });

// The notes as the window and the command line show them; a rest that could
// not be read to its end is not given a count.
TEST(PairingNotes, SayWhatWasLeftOverAndWhy) {
  const std::string why =
      ": they were not compared, as comparing by position stops at the end of the shorter "
      "archive.";
  PairingNotes unread = LeftOver(2, 3, 5);
  unread.leftOverComplete = false;
  PairingNotes cut;
  cut.cutShort = {"Archive 1 'a' may have been cut short"};
  const std::pair<PairingNotes, std::vector<std::string>> cases[] = {
      {{}, {}},
      {LeftOver(1, 1, 4), {"Archive 1 has 1 line more than Archive 2, from line 4 on" + why}},
      {LeftOver(2, 8, 13), {"Archive 2 has 8 lines more than Archive 1, from line 13 on" + why}},
      {unread,
       {"Archive 2 has more lines than Archive 1, from line 5 on (not all of them could be read)" +
        why}},
      {Shift(cut, 2, "2.0", "9.0"),
       {"Archive 1 'a' may have been cut short.",
        "Lines with different addresses were paired from line 2 on (2.0 in Archive 1, 9.0 in "
        "Archive 2): Options, Match Lines by Address pairs lines by address."}},
  };
  for (const auto& [notes, texts] : cases) EXPECT_EQ(PairingNoteTexts(notes), texts);
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

TEST(CompareArchives, FailureKeepsRowsAndStatus) {
  // The 32768th difference overflows the 16-bit count after its row is added.
  RecordedErrors errors;
  TempDir dir;
  std::string a;
  std::string b;
  for (int i = 0; i < 32800; ++i) {
    a += "1\td\t1\tu\n";
    b += "1\td\t2\tu\n";
  }
  DifferenceList list;
  list.SetStatus("earlier");
  CompareArchives(dir.Write("a", a), dir.Write("b", b), list);
  EXPECT_EQ(list.Count(), 32768);
  EXPECT_EQ(list.Status(), "earlier");
  EXPECT_EQ(errors.Told(),
            std::vector<std::string>{"Error While Comparing Archives: Error 6: Overflow"});
}

TEST(CompareArchives, BadLinesAreToldAndTheComparisonGoesOn) {
  RecordedErrors errors;
  TempDir dir;
  DifferenceList list;
  PairingNotes notes;
  CompareArchives(dir.Write("a", "99999\td\t1\tu\n2\td\t1\tu\n"),
                  dir.Write("b", "1\td\t1\tu\n2\td\t2\tu\n"), list, CompareOptions{}, &notes);
  // A line whose address could not be read tells no shift.
  EXPECT_EQ(notes, PairingNotes{});
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Splitting Archive Line");
  // The bad line parsed to the default record, whose empty value differs.
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Row(0), Row("0.0", "", "", "1", ""));
  EXPECT_EQ(list.Row(1), Row("2.0", "d", "1", "2", "u"));
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

TEST(CompareArchives, LinesAreToldInFileOrderFirstArchiveFirst) {
  RecordedErrors errors;
  TempDir dir;
  DifferenceList list;
  // Pass 1: archive 1 fails with 13, archive 2 with 6; pass 2: archive 2 only, 13.
  CompareArchives(dir.Write("a", "12.\td\t1\tu\n5\td\t1\tu\n"),
                  dir.Write("b", "99999\td\t1\tu\n.5\td\t1\tu\n"), list);
  const std::string split = "Error While Splitting Archive Line: ";
  EXPECT_EQ(errors.Told(), (std::vector<std::string>{split + "Error 13: Type mismatch",
                                                     split + "Error 6: Overflow",
                                                     split + "Error 13: Type mismatch"}));
  // The failed lines have empty values: pass 1 equal, pass 2 differs.
  ASSERT_EQ(list.Count(), 1);
  EXPECT_EQ(list.Row(0), Row("5.0", "d", "1", "", "u"));
}

TEST(CompareArchives, LongArchivesOfDifferentLengthsStopAtTheShorter) {
  RecordedErrors errors;
  TempDir dir;
  std::string a;
  std::string b;
  for (int i = 0; i < 20000; ++i)
    a += std::to_string(i % 300) + "\td\t" + std::to_string(i) + "\tu\n";
  for (int i = 0; i < 9001; ++i) {
    b += i % 1000 == 999 ? "$ section\n"
                         : std::to_string(i % 300) + "\td\t" + std::to_string(i) + "\tu\n";
  }
  for (const bool swap : {false, true}) {
    DifferenceList list;
    const auto pa = dir.Write("a", a);
    const auto pb = dir.Write("b", b);
    CompareArchives(swap ? pb : pa, swap ? pa : pb, list);
    // Only the "$" lines of the shorter archive differ.
    ASSERT_EQ(list.Count(), 9) << swap;
    EXPECT_EQ(list.Row(0).Value1(), swap ? "" : "999");
    EXPECT_EQ(list.Row(0).Value2(), swap ? "999" : "");
    EXPECT_EQ(list.Status(), "9 Difference(s)");
  }
  EXPECT_TRUE(errors.Shown().empty());
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

TEST(DifferenceList, StartsWithDesignCaptionsAndStatus) {
  const DifferenceList list;
  const char* captions[] = {"Address", "Description", "Value 1", "Value 2", "Units"};
  for (int i = 0; i < DifferenceList::kColumnCount; ++i) {
    EXPECT_EQ(list.Column(i).Caption, captions[i]);
  }
  EXPECT_EQ(list.Column(2).Key, "val1");
  EXPECT_EQ(list.Column(3).Key, "val2");
  EXPECT_EQ(list.Status(), "0 Difference(s)");
  EXPECT_EQ(list.Count(), 0);
}

}  // namespace
}  // namespace parvex
