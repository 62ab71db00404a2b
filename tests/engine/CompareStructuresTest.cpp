#include <gtest/gtest.h>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::ReadOnly;
using test::RecordedErrors;
using test::Row;
using test::TempDir;

struct StructuresCase {
  const char* name;
  std::string archive;
  std::int16_t s1;
  std::int16_t s2;
  bool includeReadOnly;
  std::vector<DifferenceRow> rows;
  friend void PrintTo(const StructuresCase& c, std::ostream* os) { *os << c.name; }
};

class CompareStructuresCases : public ::testing::TestWithParam<StructuresCase> {};

TEST_P(CompareStructuresCases, PairsMembersByPosition) {
  RecordedErrors errors;
  TempDir dir;
  const StructuresCase& c = GetParam();
  DifferenceList list;
  list.Append(Row("old", "", "", "", ""));
  // With every option off, exactly the positional results.
  CompareStructures(dir.Write("a.txt", c.archive), c.s1, c.s2, list, ReadOnly(c.includeReadOnly));
  EXPECT_EQ(list.Rows(), c.rows);
  EXPECT_EQ(list.Status(), std::to_string(c.rows.size()) + " Difference(s)");
  EXPECT_EQ(list.Column(2).Caption, "Stucture 1");
  EXPECT_EQ(list.Column(3).Caption, "Stucture 2");
  EXPECT_TRUE(errors.Shown().empty());
}

const std::string kTwoStructures =
    "10.1\ta\t1\tu1\n10.2\tb\t2\tu2\n10.3\tc\t3\tu3\n"
    "20.1\tx\t1\tv1\n20.2\ty\t2\tv2\n20.3\tz\t9\tv3\n";

INSTANTIATE_TEST_SUITE_P(
    Structures, CompareStructuresCases,
    ::testing::Values(
        StructuresCase{
            "OneDifference", kTwoStructures, 10, 20, false, {Row("3", "c", "3", "9", "u3")}},
        StructuresCase{"SecondHasFewer",
                       "10.1\ta\t1\tu\n10.2\tb\t2\tu\n10.3\tc\t\tu\n20.1\tx\t1\tv\n",
                       10,
                       20,
                       false,
                       {Row("2", "b", "2", "", "u")}},
        StructuresCase{"FirstHasFewer",
                       "10.1\ta\t1\tu\n20.1\tx\t5\tv\n20.2\ty\t6\tv\n",
                       10,
                       20,
                       false,
                       {Row("1", "a", "1", "5", "u")}},
        StructuresCase{"NoMembers", kTwoStructures, 30, 20, false, {}},
        StructuresCase{
            "NegativeStructure", "x\t1\t2\t3\nP\td\tv\tu\n20\td\tw\tu\n", -1, 20, true, {}},
        StructuresCase{"SameStructure", kTwoStructures, 10, 10, false, {}},
        StructuresCase{"PlainAddressIsMemberZero",
                       "30\ta\t1\tu\n40\tb\t2\tu\n",
                       30,
                       40,
                       false,
                       {Row("0", "a", "1", "2", "u")}},
        StructuresCase{"EmptyLineIsMemberZeroOfZero",
                       "\n1\td\tv\tu\n",
                       0,
                       1,
                       false,
                       {Row("0", "", "", "v", "")}},
        StructuresCase{"DollarLinesLeftOut",
                       "$a\n10.1\ta\t1\tu\n$b\t\t\t\n20.1\tx\t2\tv\n$c\n",
                       10,
                       20,
                       false,
                       {Row("1", "a", "1", "2", "u")}},
        StructuresCase{"BareDollarLineIsNoMemberOfStructureMinusOne",
                       "10.1\ta\t1\tu\n$\nP\tx\t1\tv\n",
                       10,
                       -1,
                       false,
                       {}},
        StructuresCase{"FileOrderDecides",
                       "20.7\tx\t1\tv\n10.9\ta\t1\tu\n10.1\tb\t2\tu\n20.2\ty\t3\tv\n",
                       10,
                       20,
                       false,
                       {Row("1", "b", "2", "3", "u")}},
        StructuresCase{"DuplicateAddresses",
                       "10.1\ta\t1\tu\n10.1\ta\t2\tu\n20.1\tx\t1\tv\n20.1\tx\t3\tv\n",
                       10,
                       20,
                       false,
                       {Row("1", "a", "2", "3", "u")}},
        StructuresCase{"ReadOnlyLeftOut", "10.1\t!a\t1\tu\n20.1\tx\t2\tv\n", 10, 20, false, {}},
        StructuresCase{"ReadOnlyIncluded",
                       "10.1\t!a\t1\tu\n20.1\tx\t2\tv\n",
                       10,
                       20,
                       true,
                       {Row("1", "a", "1", "2", "u", true)}},
        StructuresCase{"SecondReadOnlyNoEffect",
                       "10.1\ta\t1\tu\n20.1\t!x\t2\tv\n",
                       10,
                       20,
                       false,
                       {Row("1", "a", "1", "2", "u")}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(CompareStructures, TablesGrowPastOneHundredMembers) {
  RecordedErrors errors;
  TempDir dir;
  std::string archive;
  for (int i = 0; i < 250; ++i)
    archive += "5." + std::to_string(i) + "\td\t" + std::to_string(i) + "\tu\n";
  for (int i = 0; i < 250; ++i) {
    archive += "6." + std::to_string(i) + "\te\t" + std::to_string(i == 100 || i == 249 ? -1 : i) +
               "\tu\n";
  }
  DifferenceList list;
  CompareStructures(dir.Write("a", archive), 5, 6, list);
  ASSERT_EQ(list.Count(), 2);
  EXPECT_EQ(list.Row(0), Row("100", "d", "100", "-1", "u"));
  EXPECT_EQ(list.Row(1), Row("249", "d", "249", "-1", "u"));
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
  ASSERT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(errors.Shown()[0].prompt, "Error 6: Overflow");
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Comparing Structures");
  EXPECT_EQ(list.Count(), 0);  // cleared before reading, no row found yet
  EXPECT_EQ(list.Status(), "earlier");

  // One member fewer still fits.
  archive.erase(0, archive.find('\n') + 1);
  CompareStructures(dir.Write("b", archive), 1, 2, list);
  EXPECT_EQ(errors.Shown().size(), 1U);
  EXPECT_EQ(list.Count(), 32600);
}

}  // namespace
}  // namespace parvex
