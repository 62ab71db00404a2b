#include "engine/PairingCases.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

// A comparison into a list that held a row before: the rows (as Rows
// writes them), the status that counts them, the captions, no message.
void ExpectCompared(const std::function<void(DifferenceList&)>& compare, const std::string& rows,
                    const std::string& caption) {
  RecordedErrors errors;
  DifferenceList list;
  list.Append(Row("old", "", "", "", ""));
  compare(list);
  EXPECT_EQ(list.Rows(), test::Rows(rows));
  EXPECT_EQ(list.Status(), std::to_string(list.Count()) + " Difference(s)");
  EXPECT_EQ(list.Column(2).Caption, caption + " 1");
  EXPECT_EQ(list.Column(3).Caption, caption + " 2");
  EXPECT_TRUE(errors.Shown().empty());
}

struct ArchivesCase {
  const char* name;
  std::string archive1;
  std::string archive2;
  CompareOptions options;
  std::string rows;
  PairingNotes notes{};
  friend void PrintTo(const ArchivesCase& c, std::ostream* os) { *os << c.name; }
};

class CompareArchivesCases : public ::testing::TestWithParam<ArchivesCase> {};

TEST_P(CompareArchivesCases, ListsTheDifferingValues) {
  TempDir dir;
  const ArchivesCase& c = GetParam();
  // Notes of an earlier comparison go.
  PairingNotes notes = Shift(LeftOver(1, 7, 7), 7, "earlier", "notes");
  ExpectCompared(
      [&](DifferenceList& list) {
        CompareArchives(dir.Write("a1.txt", c.archive1), dir.Write("a2.txt", c.archive2), list,
                        c.options, &notes);
      },
      c.rows, "Archive");
  // A file cut short is noted from its last byte alone, and tested apart.
  notes.cutShort.clear();
  EXPECT_EQ(notes, c.notes);
}

// With every option off: what ReadSizes.ResultsDoNotDependOnThem's line by
// line model does not reach, or once went wrong.
INSTANTIATE_TEST_SUITE_P(
    ByPosition, CompareArchivesCases,
    ::testing::Values(
        // Every line left over counts, whatever it holds, ended or not.
        ArchivesCase{"LeftOverLinesOfEveryKind", "1\td\t5\tu\n2\td\t6\tu\n",
                     "1\td\t5\tu\n2\td\t6\tu\n$ x\n\ngarbage\n99999\td\t1\tu\n9\td\t1", kPosition,
                     "", LeftOver(2, 5, 3)},
        ArchivesCase{"InsertedLineShiftsPairing", "1\ta\t1\tu\n2\tb\t2\tu\n3\tc\t3\tu\n",
                     "1\ta\t1\tu\n9\tnew\t9\tu\n2\tb\t2\tu\n", kPosition, "2.0|b|2|9|u;3.0|c|3|2|u",
                     Shift({}, 2, "2.0", "9.0")},
        // A shift is told where it starts even when the values there are equal
        // or read-only, and once.
        ArchivesCase{"RemovedLineShiftsAndLeavesALineOver",
                     "1\ta\t1\tu\n2\t!b\t2\tu\n3.4\tc\t2\tu\n4\td\t4\tu\n",
                     "1\ta\t1\tu\n3.4\tc\t3\tu\n4\td\t4\tu\n", kPosition, "3.4|c|2|4|u",
                     Shift(LeftOver(1, 1, 4), 2, "2.0", "3.4")},
        ArchivesCase{"DollarFirstBeforeAnyParse", "$x\n", "1\td\t5\tu\n", kPosition, "0.0|||5|"},
        ArchivesCase{"DollarFirstKeepsLastParsed", "4.2\t!d\t5\tu\n$x\n",
                     "4.2\td\t5\tu\n1\te\t6\tf\n", kPositionRO, "!4.2|d||6|u"},
        ArchivesCase{"BareDollarFirstKeepsLastParsed", "4.2\t!d\t5\tu\n$\n",
                     "4.2\td\t5\tu\n1\te\t6\tf\n", kPositionRO, "!4.2|d||6|u"},
        // Lines equal byte for byte are passed over whole: a "$" line is not
        // equal to the line it takes its fields from, and lines of one length
        // can differ far into them.
        ArchivesCase{"DollarFacingTheLineItRepeats", "1\td\t5\tu\n$\n", "1\td\t5\tu\n1\td\t5\tu\n",
                     kPosition, "1.0|d||5|u"},
        ArchivesCase{"DollarAfterARunOfSameLines", "1\tfirst\t5\tu\n2\tsecond\t6\tv\r\n$\n",
                     "1\tfirst\t5\tu\n2\tsecond\t6\tv\r\n3\tother\t7\tw\n", kPosition,
                     "2.0|second||7|v"},
        ArchivesCase{"LineFacingTheDollarThatRepeatsIt", "1\td\t5\tu\r\n1\td\t5\tu\r\n",
                     "1\td\t5\tu\r\n$\r\n", kPosition, "1.0|d|5||u"},
        ArchivesCase{"DifferenceFarIntoTheLine", "12.3\tA long description\t1500\tu\n",
                     "12.3\tA long description\t1600\tu\n", kPosition,
                     "12.3|A long description|1500|1600|u"},
        ArchivesCase{"ShortLineLeftOut", "garbage\n", "1\td\t5\tu\n", kPosition, "",
                     Shift({}, 1, "-1.0", "1.0")},
        ArchivesCase{"ShortLineIncluded", "garbage\n", "1\td\t5\tu\n", kPositionRO,
                     "!-1.0|<UNKNOWN>||5|", Shift({}, 1, "-1.0", "1.0")},
        ArchivesCase{"EmptyLines", "\n\n", "\n\n", kPosition, ""},
        ArchivesCase{"NonNumericAddress", "P1\td\t5\tu\n", "P1\td\t6\tu\n", kPosition,
                     "-1.0|d|5|6|u"},
        ArchivesCase{"HighBytesRoundTrip", "1\t\xb5m\t\x80\xff\t\xb0\n", "1\td\t\x81\xfe\tu\n",
                     kPosition, "1.0|\xb5m|\x80\xff|\x81\xfe|\xb0"}),
    [](const auto& p) { return std::string(p.param.name); });

const std::string kABC = "1\ta\t1\tu\n2\tb\t2\tu\n3\tc\t3\tu\n";

// Matching by address pairs the k-th line of an address with the k-th; it
// notes nothing of lines left over or paired across addresses.
INSTANTIATE_TEST_SUITE_P(
    ByAddress, CompareArchivesCases,
    ::testing::Values(
        ArchivesCase{"Identical", kABC, kABC, kByAddress, ""},
        ArchivesCase{"InsertedAtStart", kABC, "0.5\tnew\t9\tv\n" + kABC, kByAddress,
                     "0.5|new|~|9|v"},
        ArchivesCase{"InsertedInMiddleNoLongerShifts", kABC,
                     "1\ta\t1\tu\n1.5\tnew\t9\tv\n2\tb\t2\tu\n3\tc\t7\tu\n", kByAddress,
                     "1.5|new|~|9|v;3.0|c|3|7|u"},
        ArchivesCase{"InsertedAtEnd", kABC, kABC + "4\tnew\t9\tv\n", kByAddress, "4.0|new|~|9|v"},
        ArchivesCase{"DeletedAtStartMiddleAndEnd", "0\tz\t0\tu\n" + kABC + "4\td\t4\tu\n",
                     "1\ta\t1\tu\n3\tc\t3\tu\n", kByAddress, "0.0|z|0|~|u;2.0|b|2|~|u;4.0|d|4|~|u"},
        ArchivesCase{"DuplicatedAddressesPairKthWithKth", "5\tx\t1\tu\n5\ty\t2\tu\n5\tz\t3\tu\n",
                     "5\tx\t1\tu\n5\ty\t9\tu\n", kByAddress, "5.0|y|2|9|u;5.0|z|3|~|u"},
        ArchivesCase{"UnsortedFilesFollowTheFirst", "3\tc\t3\tu\n1\ta\t1\tu\n2\tb\t2\tu\n",
                     "2\tb\t20\tu\n3\tc\t30\tu\n1\ta\t10\tu\n4\td\t40\tu\n", kByAddress,
                     "3.0|c|3|30|u;1.0|a|1|10|u;4.0|d|~|40|u;2.0|b|2|20|u"},
        ArchivesCase{"MembersOfOneStructureSwapped", "7.1\ta\t1\tu\n7.2\tb\t2\tu\n7.3\tc\t3\tu\n",
                     "7.2\tb\t2\tu\n7.1\ta\t1\tu\n7.3\tc\t30\tu\n", kByAddress, "7.3|c|3|30|u"},
        ArchivesCase{"LoneLinesMeetingAreMergedByAddress",
                     "1\ta\t1\tu\n3\tc\t3\tu\n5\te\t5\tu\n7\tg\t7\tu\n",
                     "1\ta\t1\tu\n2\tb\t2\tu\n4\td\t4\tu\n6\tf\t6\tu\n7\tg\t7\tu\n", kByAddress,
                     "2.0|b|~|2|u;3.0|c|3|~|u;4.0|d|~|4|u;5.0|e|5|~|u;6.0|f|~|6|u"},
        ArchivesCase{"AddressesAsParsed", "12.5\ta\t1\tu\n7\tb\t2\tu\n",
                     "7.0\tb\t2\tu\n12.05\ta\t1\tu\n", kByAddress, ""},
        ArchivesCase{"DollarLinesTakeNoPart", "$x\n1\ta\t1\tu\n$y\n", "1\ta\t1\tu\n$z\n$w\n$v\n",
                     kByAddress, ""},
        ArchivesCase{"DollarFacingALineOfTheSecondOnly", "1\ta\t1\tu\n$x\n2\tb\t2\tu\n",
                     "1\ta\t1\tu\n3\tc\t3\tu\n2\tb\t2\tu\n", kByAddress, "3.0|c|~|3|u"},
        ArchivesCase{"FirstReadOnlyLeftOut", "1\t!a\t1\tu\n", "1\ta\t2\tu\n", kByAddress, ""},
        ArchivesCase{"SecondReadOnlyOfAPairPlaysNoPart", "1\ta\t1\tu\n", "1\t!a\t2\tu\n",
                     kByAddress, "1.0|a|1|2|u"},
        ArchivesCase{"LoneLinesFollowTheirOwnMark", "1\t!a\t1\tu\n9\ti\t9\tu\n",
                     "2\t!b\t2\tu\n3\tc\t3\tu\n9\ti\t9\tu\n", kByAddress, "3.0|c|~|3|u"},
        ArchivesCase{"LoneReadOnlyLinesIncluded", "1\t!a\t1\tu\n9\ti\t9\tu\n",
                     "2\t!b\t2\tu\n3\tc\t3\tu\n9\ti\t9\tu\n", kByAddressRO,
                     "!1.0|a|1|~|u;!2.0|b|~|2|u;3.0|c|~|3|u"},
        ArchivesCase{"BothOptions", "1\ta\t1500\tu\n2\tb\t0.1\tu\n3\tc\tabc\tu\n",
                     "0\tnew\t-0\tu\n1\ta\t1.5E3\tu\n2\tb\t0.10\tu\n3\tc\tABC\tu\n",
                     CompareOptions{true, true}, "0.0|new|~|-0|u;3.0|c|abc|ABC|u"},
        ArchivesCase{"EmptyFiles", "", "", CompareOptions{true, true}, ""}),
    [](const auto& p) { return std::string(p.param.name); });

struct StructuresCase {
  const char* name;
  std::string archive;
  std::int16_t s1;
  std::int16_t s2;
  CompareOptions options;
  std::string rows;
  friend void PrintTo(const StructuresCase& c, std::ostream* os) { *os << c.name; }
};

class CompareStructuresCases : public ::testing::TestWithParam<StructuresCase> {};

TEST_P(CompareStructuresCases, PairMembers) {
  TempDir dir;
  const StructuresCase& c = GetParam();
  ExpectCompared(
      [&](DifferenceList& list) {
        CompareStructures(dir.Write("a.txt", c.archive), c.s1, c.s2, list, c.options);
      },
      c.rows, "Stucture");
}

const std::string kTwoStructures =
    "10.1\ta\t1\tu1\n10.2\tb\t2\tu2\n10.3\tc\t3\tu3\n"
    "20.1\tx\t1\tv1\n20.2\ty\t2\tv2\n20.3\tz\t9\tv3\n";

// With every option off, exactly the positional results.
INSTANTIATE_TEST_SUITE_P(
    ByPosition, CompareStructuresCases,
    ::testing::Values(
        StructuresCase{"OneDifference", kTwoStructures, 10, 20, kPosition, "3|c|3|9|u3"},
        StructuresCase{"SecondHasFewer",
                       "10.1\ta\t1\tu\n10.2\tb\t2\tu\n10.3\tc\t\tu\n20.1\tx\t1\tv\n", 10, 20,
                       kPosition, "2|b|2||u"},
        StructuresCase{"FirstHasFewer", "10.1\ta\t1\tu\n20.1\tx\t5\tv\n20.2\ty\t6\tv\n", 10, 20,
                       kPosition, "1|a|1|5|u"},
        StructuresCase{"NoMembers", kTwoStructures, 30, 20, kPosition, ""},
        StructuresCase{"NegativeStructure", "x\t1\t2\t3\nP\td\tv\tu\n20\td\tw\tu\n", -1, 20,
                       kPositionRO, ""},
        StructuresCase{"SameStructure", kTwoStructures, 10, 10, kPosition, ""},
        StructuresCase{"PlainAddressIsMemberZero", "30\ta\t1\tu\n40\tb\t2\tu\n", 30, 40, kPosition,
                       "0|a|1|2|u"},
        StructuresCase{"EmptyLineIsMemberZeroOfZero", "\n1\td\tv\tu\n", 0, 1, kPosition, "0|||v|"},
        StructuresCase{"DollarLinesLeftOut", "$a\n10.1\ta\t1\tu\n$b\t\t\t\n20.1\tx\t2\tv\n$c\n", 10,
                       20, kPosition, "1|a|1|2|u"},
        StructuresCase{"BareDollarLineIsNoMemberOfStructureMinusOne",
                       "10.1\ta\t1\tu\n$\nP\tx\t1\tv\n", 10, -1, kPosition, ""},
        StructuresCase{"FileOrderDecides",
                       "20.7\tx\t1\tv\n10.9\ta\t1\tu\n10.1\tb\t2\tu\n20.2\ty\t3\tv\n", 10, 20,
                       kPosition, "1|b|2|3|u"},
        StructuresCase{"DuplicateAddresses",
                       "10.1\ta\t1\tu\n10.1\ta\t2\tu\n20.1\tx\t1\tv\n20.1\tx\t3\tv\n", 10, 20,
                       kPosition, "1|a|2|3|u"},
        StructuresCase{"ReadOnlyLeftOut", "10.1\t!a\t1\tu\n20.1\tx\t2\tv\n", 10, 20, kPosition, ""},
        StructuresCase{"ReadOnlyIncluded", "10.1\t!a\t1\tu\n20.1\tx\t2\tv\n", 10, 20, kPositionRO,
                       "!1|a|1|2|u"},
        StructuresCase{"SecondReadOnlyNoEffect", "10.1\ta\t1\tu\n20.1\t!x\t2\tv\n", 10, 20,
                       kPosition, "1|a|1|2|u"}),
    [](const auto& p) { return std::string(p.param.name); });

INSTANTIATE_TEST_SUITE_P(
    ByAddress, CompareStructuresCases,
    ::testing::Values(
        StructuresCase{"MissingOnEitherSide",
                       "10.1\ta\t1\tu\n10.2\tb\t2\tu\n10.3\tc\t3\tu\n20.2\ty\t2\tu\n20.3\tz\t9\tu\n"
                       "20.4\tw\t4\tv\n",
                       10, 20, kByAddress, "1|a|1|~|u;3|c|3|9|u;4|w|~|4|v"},
        StructuresCase{"OrderInTheFileDoesNotMatter",
                       "20.1\tx\t1\tu\n$s\n10.2\tb\t2\tu\n30.1\to\t0\tu\n10.1\ta\t5\tu\n"
                       "20.2\ty\t2\tu\n",
                       10, 20, kByAddress, "1|a|5|1|u"},
        StructuresCase{"ReadOnlyMarksOfEachSide",
                       "10.1\t!a\t1\tu\n10.2\t!b\t2\tu\n20.2\ty\t3\tu\n20.3\t!z\t4\tu\n", 10, 20,
                       kByAddress, ""},
        StructuresCase{"ReadOnlyMemberWithTheSameNumberOnBothSides",
                       "10.1\t!a\t1\tu\n20.1\tx\t2\tv\n", 10, 20, kByAddress, ""},
        StructuresCase{"ReadOnlyMarksIncluded",
                       "10.1\t!a\t1\tu\n10.2\t!b\t2\tu\n20.2\ty\t3\tu\n20.3\t!z\t4\tu\n", 10, 20,
                       kByAddressRO, "!1|a|1|~|u;!2|b|2|3|u;!3|z|~|4|u"}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace parvex
