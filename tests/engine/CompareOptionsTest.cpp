#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <random>
#include <tuple>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/AddressTable.h"
#include "engine/pairing/Compare.h"
#include "engine/reading/TextStream.h"
#include "engine/values/NumericEquality.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::L;
using test::ReadOnly;
using test::RecordedErrors;
using test::Row;
using test::TempDir;

const CompareOptions kByAddress{true, false};
const CompareOptions kBoth{true, true};

const std::string M = "(missing)";

struct ByAddressCase {
  const char* name;
  std::string archive1;
  std::string archive2;
  bool includeReadOnly;
  CompareOptions options;
  std::vector<DifferenceRow> rows;
  friend void PrintTo(const ByAddressCase& c, std::ostream* os) { *os << c.name; }
};

class ArchivesByAddress : public ::testing::TestWithParam<ByAddressCase> {};

TEST_P(ArchivesByAddress, PairsLinesWithTheSameAddress) {
  RecordedErrors errors;
  TempDir dir;
  const ByAddressCase& c = GetParam();
  DifferenceList list;
  list.Append(Row("old", "", "", "", ""));
  CompareArchives(dir.Write("a1", c.archive1), dir.Write("a2", c.archive2), list,
                  ReadOnly(c.includeReadOnly, c.options));
  EXPECT_EQ(list.Rows(), c.rows);
  EXPECT_EQ(list.Status(), std::to_string(c.rows.size()) + " Difference(s)");
  EXPECT_EQ(list.Column(2).Caption, "Archive 1");
  EXPECT_EQ(list.Column(3).Caption, "Archive 2");
  EXPECT_TRUE(errors.Shown().empty());
}

const std::string kABC = L("1", "a", "1") + L("2", "b", "2") + L("3", "c", "3");

INSTANTIATE_TEST_SUITE_P(
    Pairs, ArchivesByAddress,
    ::testing::Values(
        ByAddressCase{"Identical", kABC, kABC, false, kByAddress, {}},
        ByAddressCase{"InsertedAtStart",
                      kABC,
                      L("0.5", "new", "9", "v") + kABC,
                      false,
                      kByAddress,
                      {Row("0.5", "new", M, "9", "v")}},
        ByAddressCase{
            "InsertedInMiddleNoLongerShifts",
            kABC,
            L("1", "a", "1") + L("1.5", "new", "9", "v") + L("2", "b", "2") + L("3", "c", "7"),
            false,
            kByAddress,
            {Row("1.5", "new", M, "9", "v"), Row("3.0", "c", "3", "7", "u")}},
        ByAddressCase{"InsertedAtEnd",
                      kABC,
                      kABC + L("4", "new", "9", "v"),
                      false,
                      kByAddress,
                      {Row("4.0", "new", M, "9", "v")}},
        ByAddressCase{"DeletedAtStartMiddleAndEnd",
                      L("0", "z", "0") + kABC + L("4", "d", "4"),
                      L("1", "a", "1") + L("3", "c", "3"),
                      false,
                      kByAddress,
                      {Row("0.0", "z", "0", M, "u"), Row("2.0", "b", "2", M, "u"),
                       Row("4.0", "d", "4", M, "u")}},
        ByAddressCase{"DuplicatedAddressesPairKthWithKth",
                      L("5", "x", "1") + L("5", "y", "2") + L("5", "z", "3"),
                      L("5", "x", "1") + L("5", "y", "9"),
                      false,
                      kByAddress,
                      {Row("5.0", "y", "2", "9", "u"), Row("5.0", "z", "3", M, "u")}},
        ByAddressCase{"UnsortedFilesFollowTheFirst",
                      L("3", "c", "3") + L("1", "a", "1") + L("2", "b", "2"),
                      L("2", "b", "20") + L("3", "c", "30") + L("1", "a", "10") + L("4", "d", "40"),
                      false,
                      kByAddress,
                      {Row("3.0", "c", "3", "30", "u"), Row("1.0", "a", "1", "10", "u"),
                       Row("4.0", "d", M, "40", "u"), Row("2.0", "b", "2", "20", "u")}},
        ByAddressCase{"MembersOfOneStructureSwapped",
                      L("7.1", "a", "1") + L("7.2", "b", "2") + L("7.3", "c", "3"),
                      L("7.2", "b", "2") + L("7.1", "a", "1") + L("7.3", "c", "30"),
                      false,
                      kByAddress,
                      {Row("7.3", "c", "3", "30", "u")}},
        ByAddressCase{"LoneLinesMeetingAreMergedByAddress",
                      L("1", "a", "1") + L("3", "c", "3") + L("5", "e", "5") + L("7", "g", "7"),
                      L("1", "a", "1") + L("2", "b", "2") + L("4", "d", "4") + L("6", "f", "6") +
                          L("7", "g", "7"),
                      false,
                      kByAddress,
                      {Row("2.0", "b", M, "2", "u"), Row("3.0", "c", "3", M, "u"),
                       Row("4.0", "d", M, "4", "u"), Row("5.0", "e", "5", M, "u"),
                       Row("6.0", "f", M, "6", "u")}},
        ByAddressCase{"AddressesAsParsed",
                      L("12.5", "a", "1") + L("7", "b", "2"),
                      L("7.0", "b", "2") + L("12.05", "a", "1"),
                      false,
                      kByAddress,
                      {}},
        ByAddressCase{"DollarLinesTakeNoPart",
                      "$x\n" + L("1", "a", "1") + "$y\n",
                      L("1", "a", "1") + "$z\n$w\n$v\n",
                      false,
                      kByAddress,
                      {}},
        ByAddressCase{"DollarFacingALineOfTheSecondOnly",
                      L("1", "a", "1") + "$x\n" + L("2", "b", "2"),
                      L("1", "a", "1") + L("3", "c", "3") + L("2", "b", "2"),
                      false,
                      kByAddress,
                      {Row("3.0", "c", M, "3", "u")}},
        ByAddressCase{
            "FirstReadOnlyLeftOut", L("1", "!a", "1"), L("1", "a", "2"), false, kByAddress, {}},
        ByAddressCase{"SecondReadOnlyOfAPairPlaysNoPart",
                      L("1", "a", "1"),
                      L("1", "!a", "2"),
                      false,
                      kByAddress,
                      {Row("1.0", "a", "1", "2", "u")}},
        ByAddressCase{"LoneLinesFollowTheirOwnMark",
                      L("1", "!a", "1") + L("9", "i", "9"),
                      L("2", "!b", "2") + L("3", "c", "3") + L("9", "i", "9"),
                      false,
                      kByAddress,
                      {Row("3.0", "c", M, "3", "u")}},
        ByAddressCase{"LoneReadOnlyLinesIncluded",
                      L("1", "!a", "1") + L("9", "i", "9"),
                      L("2", "!b", "2") + L("3", "c", "3") + L("9", "i", "9"),
                      true,
                      kByAddress,
                      {Row("1.0", "a", "1", M, "u", true), Row("2.0", "b", M, "2", "u", true),
                       Row("3.0", "c", M, "3", "u")}},
        ByAddressCase{
            "BothOptions",
            L("1", "a", "1500") + L("2", "b", "0.1") + L("3", "c", "abc"),
            L("0", "new", "-0") + L("1", "a", "1.5E3") + L("2", "b", "0.10") + L("3", "c", "ABC"),
            false,
            kBoth,
            {Row("0.0", "new", M, "-0", "u"), Row("3.0", "c", "abc", "ABC", "u")}},
        ByAddressCase{"EmptyFiles", "", "", false, kBoth, {}}),
    [](const auto& p) { return std::string(p.param.name); });

TEST(StructuresByAddress, PairMembersByMemberNumber) {
  struct Case {
    const char* name;
    std::string archive;
    bool includeReadOnly;
    std::vector<DifferenceRow> rows;
  };
  const Case cases[] = {
      {"MissingOnEitherSide",
       L("10.1", "a", "1") + L("10.2", "b", "2") + L("10.3", "c", "3") + L("20.2", "y", "2") +
           L("20.3", "z", "9") + L("20.4", "w", "4", "v"),
       false,
       {Row("1", "a", "1", M, "u"), Row("3", "c", "3", "9", "u"), Row("4", "w", M, "4", "v")}},
      {"OrderInTheFileDoesNotMatter",
       L("20.1", "x", "1") + "$s\n" + L("10.2", "b", "2") + L("30.1", "o", "0") +
           L("10.1", "a", "5") + L("20.2", "y", "2"),
       false,
       {Row("1", "a", "5", "1", "u")}},
      {"ReadOnlyMarksOfEachSide",
       L("10.1", "!a", "1") + L("10.2", "!b", "2") + L("20.2", "y", "3") + L("20.3", "!z", "4"),
       false,
       {}},
      {"ReadOnlyMemberWithTheSameNumberOnBothSides",
       L("10.1", "!a", "1") + L("20.1", "x", "2", "v"),
       false,
       {}},
      {"ReadOnlyMarksIncluded",
       L("10.1", "!a", "1") + L("10.2", "!b", "2") + L("20.2", "y", "3") + L("20.3", "!z", "4"),
       true,
       {Row("1", "a", "1", M, "u", true), Row("2", "b", "2", "3", "u", true),
        Row("3", "z", M, "4", "u", true)}},
  };
  for (const Case& c : cases) {
    RecordedErrors errors;
    TempDir dir;
    DifferenceList list;
    CompareStructures(dir.Write("a", c.archive), 10, 20, list,
                      ReadOnly(c.includeReadOnly, kByAddress));
    EXPECT_EQ(list.Rows(), c.rows) << c.name;
    EXPECT_EQ(list.Column(2).Caption, "Stucture 1");
    EXPECT_TRUE(errors.Shown().empty()) << c.name;
  }
}

// Lines found only in the second archive, and pairs of archives with the same
// addresses (gone through in two halves), both stop at the same row. The
// lines after it are still read, and a bad one there is told.
TEST(ByAddress, TheListStopsAtTheSixteenBitLimit) {
  std::string first;
  std::string second;
  for (int i = 0; i < 32800; ++i) {
    const std::string address = std::to_string(i / 1000) + "." + std::to_string(i % 1000);
    first += L(address, "d", "w");
    second += L(address, "d", "v");
  }
  first += L("12.", "d", "w");
  second += L("12.", "d", "v");
  for (const bool alone : {true, false}) {
    SCOPED_TRACE(alone ? "alone" : "paired");
    RecordedErrors errors;
    TempDir dir;
    DifferenceList list;
    list.SetStatus("earlier");
    CompareArchives(dir.Write("a", alone ? "" : first), dir.Write("b", second), list, kByAddress);
    EXPECT_EQ(list.Count(), 32768);
    EXPECT_EQ(list.Row(32767), Row("32.767", "d", alone ? M : "w", "v", "u"));
    EXPECT_EQ(list.Status(), "earlier");
    std::vector<std::string> expected(
        alone ? 1 : 2, "Error While Splitting Archive Line: Error 13: Type mismatch");
    expected.push_back("Error While Comparing Archives: Error 6: Overflow");
    EXPECT_EQ(errors.Told(), expected);
  }
}

TEST(ByAddress, BadLinesAreToldInFileOrderAndStillPair) {
  RecordedErrors errors;
  TempDir dir;
  DifferenceList list;
  // Both bad lines keep address 12.0 with empty fields, and pair with each
  // other; the second archive's comes first in line order.
  CompareArchives(dir.Write("a", L("5", "d", "1") + "12.\td\t1\tu\n"),
                  dir.Write("b", "12.99999\td\t1\tu\n" + L("5", "d", "2")), list, kByAddress);
  const std::string split = "Error While Splitting Archive Line: ";
  EXPECT_EQ(errors.Told(), (std::vector<std::string>{split + "Error 6: Overflow",
                                                     split + "Error 13: Type mismatch"}));
  EXPECT_EQ(list.Rows(), (std::vector<DifferenceRow>{Row("5.0", "d", "1", "2", "u")}));
}

// A random archive with repeated addresses, "$" lines and read-only marks;
// each line's description tells its side and its index.
struct Side {
  std::string text;
  std::vector<std::pair<int, int>> addresses;
  std::vector<std::string> values;
};

Side RandomSide(std::mt19937& rng, char side, int lines, bool ascending) {
  Side made;
  for (int i = 0; i < lines; ++i) {
    made.addresses.emplace_back(static_cast<int>(rng() % 12), static_cast<int>(rng() % 4));
    made.values.push_back(std::to_string(rng() % 3));
  }
  if (ascending) std::sort(made.addresses.begin(), made.addresses.end());
  for (std::size_t i = 0; i < made.addresses.size(); ++i) {
    if (rng() % 10 == 0) made.text += "$ comment\n";
    const auto [s, m] = made.addresses[i];
    made.text +=
        L(std::to_string(s) + "." + std::to_string(m),
          (rng() % 5 == 0 ? "!" : "") + std::string(1, side) + std::to_string(i), made.values[i]);
  }
  return made;
}

using Found = std::tuple<std::string, std::string, std::string>;  // address, value 1, value 2

// What pairing the k-th with the k-th must give, in any order.
std::vector<Found> KthWithKth(const Side& a, const Side& b) {
  std::map<std::pair<int, int>, std::vector<std::size_t>> byAddressA;
  std::map<std::pair<int, int>, std::vector<std::size_t>> byAddressB;
  for (std::size_t i = 0; i < a.addresses.size(); ++i) byAddressA[a.addresses[i]].push_back(i);
  for (std::size_t i = 0; i < b.addresses.size(); ++i) byAddressB[b.addresses[i]].push_back(i);
  std::vector<Found> expected;
  for (int s = 0; s < 12; ++s) {
    for (int m = 0; m < 4; ++m) {
      const auto& inA = byAddressA[{s, m}];
      const auto& inB = byAddressB[{s, m}];
      const std::string address = std::to_string(s) + "." + std::to_string(m);
      for (std::size_t k = 0; k < std::max(inA.size(), inB.size()); ++k) {
        const std::string v1 = k < inA.size() ? a.values[inA[k]] : M;
        const std::string v2 = k < inB.size() ? b.values[inB[k]] : M;
        if (v1 != v2) expected.emplace_back(address, v1, v2);
      }
    }
  }
  std::sort(expected.begin(), expected.end());
  return expected;
}

// Random archives with repeated addresses, "$" lines and read-only marks: the
// rows are exactly the pairs that differ and the lone lines, each side's lines
// keep their file order, and ascending files give ascending rows.
TEST(ByAddress, RowsAreTheDifferingPairsAndLoneLinesInOrder) {
  std::mt19937 rng(12);
  for (int round = 0; round < 40; ++round) {
    const bool ascending = round % 2 == 1;
    const int lines = round < 38 ? 30 : 8000;  // the long ones cross buffer refills
    const Side a = RandomSide(rng, 'a', lines, ascending);
    const Side b = RandomSide(rng, 'b', lines, ascending);

    RecordedErrors errors;
    TempDir dir;
    DifferenceList list;
    const auto pa = dir.Write("a", a.text);
    const auto pb = dir.Write("b", b.text);
    CompareArchives(pa, pb, list, ReadOnly(true, kByAddress));
    ASSERT_TRUE(errors.Shown().empty());

    const std::vector<Found> expected = KthWithKth(a, b);
    std::vector<Found> found;
    int lastA = -1;
    std::pair<int, int> lastAddress{-1, -1};
    for (const DifferenceRow& row : list.Rows()) {
      found.emplace_back(row.Text, row.Value1(), row.Value2());
      const std::pair<int, int> address{std::stoi(row.Text),
                                        std::stoi(row.Text.substr(row.Text.find('.') + 1))};
      // Each row's texts are those of its own line, read again.
      const std::string& d = row.Description();
      const auto index = static_cast<std::size_t>(std::stoi(d.substr(1)));
      const Side& side = d[0] == 'a' ? a : b;
      EXPECT_EQ(side.addresses[index], address) << "round " << round;
      EXPECT_EQ(side.values[index], d[0] == 'a' ? row.Value1() : row.Value2()) << "round " << round;
      if (d[0] == 'a') {
        EXPECT_GT(static_cast<int>(index), lastA) << "round " << round;
        lastA = static_cast<int>(index);
      }
      if (ascending) {
        EXPECT_LE(lastAddress, address) << "round " << round;
      }
      lastAddress = address;
    }
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, expected) << "round " << round;
  }
}

// The texts of rows are read again at the places where their lines started.
// A file changed since must never lend a row another line's texts.
TEST(ByAddress, TextsReadAgainOnlyFromTheLineThatWasThere) {
  TempDir dir;
  const std::string read = "1.1\tdesc\tX\tu\n1.2\td2\tY\tu2\n";
  AddressTable table;
  {
    const std::string path = dir.Write("a.arc", read);
    TableFiller fill(table, read.size());
    BatchReader reader(std::make_unique<TextStream>(path, TextStream::Mode::Read), ReadSizes{},
                       &fill);
    while (!reader.AtEnd()) reader.Next();
  }
  ASSERT_EQ(table.Size(), 2U);
  struct Case {
    const char* name;
    std::string now;
    std::vector<TextRequest::Texts> texts;
  };
  const Case cases[] = {
      {"unchanged", read, {{"desc", "u"}, {"d2", "u2"}}},
      {"longer first description",
       "1.1\tlonger description\tX\tu\n1.2\td2\tY\tu2\n",
       {{"longer description", "u"}, {"", ""}}},
      {"a line inside a line", "1.1\tdescr\tXY\t1.2\tEVIL\tY\tEVILU\n", {{"", ""}, {"", ""}}},
      {"CR LF now", "1.1\tdesc\tX\tu\r\n1.2\td2\tY\tu2\r\n", {{"desc", "u"}, {"", ""}}},
      {"cut short", read.substr(0, 10), {{"", ""}, {"", ""}}},
      {"empty", "", {{"", ""}, {"", ""}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    TextRequest request{&table, {0, 1}, {}};
    TextStream stream(dir.Write("a.arc", c.now), TextStream::Mode::Read, 4);
    FetchTextsAt(stream, request);
    ASSERT_EQ(request.texts.size(), 2U);
    for (std::size_t k = 0; k < 2; ++k) {
      EXPECT_EQ(request.texts[k].Description, c.texts[k].Description) << k;
      EXPECT_EQ(request.texts[k].Units, c.texts[k].Units) << k;
    }
  }
}

TEST(NumbersByValue, EqualOnlyWhenBothReadAsTheSameDecimalNumber) {
  struct Case {
    const char* a;
    const char* b;
    bool equal;
  };
  const Case cases[] = {{"1500", "1500.0", true},
                        {"1500", "1.5E3", true},
                        {"1500.0", "1.5e+3", true},
                        {"-0", "0", true},
                        {"0.1", "0.10", true},
                        {"+1", "1", true},
                        {".5", "0.5", true},
                        {"5.", "5", true},
                        {"-1.5", "-15e-1", true},
                        {"1e-3", "0.001", true},
                        {"-0.0e-7", "0", true},
                        {"0e999", "0.000", true},
                        {"00012", "12", true},
                        {"1E0", "1", true},
                        {"1e400", "10e399", true},
                        {"1e100000000000000000000", "10e99999999999999999999", true},
                        {"0.1e1000000000000000000", "1e999999999999999999", true},
                        {"1e0000000000000000001", "10", true},
                        {"0.1", "0.1000000000000000055", false},
                        {"1e100000000000000000000", "1e100000000000000000001", false},
                        {"1", "10", false},
                        {"0", "5", false},
                        {"0", "0.001", false},
                        {"12", "21", false},
                        {"-1.5", "1.5", false},
                        {"100", "1e3", false},
                        {"1e", "1", false},
                        {"+", "0", false},
                        {".", "0", false},
                        {"1.2.3", "1.2", false},
                        {" 1", "1", false},
                        {"1 ", "1", false},
                        {"0x10", "16", false},
                        {"0x10", "0", false},
                        {"1,000", "1000", false},
                        {"1e5x", "1e5", false},
                        {"e5", "0", false},
                        {"1e+", "1", false},
                        {"--1", "1", false},
                        {"", "0", false},
                        {"inf", "Inf", false}};
  for (const Case& c : cases) {
    EXPECT_EQ(SameDecimalNumber(c.a, c.b), c.equal) << c.a << " / " << c.b;
    EXPECT_EQ(SameDecimalNumber(c.b, c.a), c.equal) << c.b << " / " << c.a;
  }
}

TEST(NumbersByValue, RowsShowTheValuesAsTheyStandInBothPairings) {
  RecordedErrors errors;
  TempDir dir;
  const auto a = dir.Write(
      "a", L("1", "a", "1500") + L("2", "b", "0.1") + L("3", "c", "1e") + L("4", "d", "0"));
  const auto b = dir.Write(
      "b", L("1", "a", "1.5E3") + L("2", "b", "0.11") + L("3", "c", "1E") + L("4", "d", "5"));
  const std::vector<DifferenceRow> rows{Row("2.0", "b", "0.1", "0.11", "u"),
                                        Row("3.0", "c", "1e", "1E", "u"),
                                        Row("4.0", "d", "0", "5", "u")};
  for (const bool byAddress : {false, true}) {
    DifferenceList list;
    CompareArchives(a, b, list, CompareOptions{byAddress, true});
    EXPECT_EQ(list.Rows(), rows) << byAddress;
  }
  DifferenceList list;
  const auto s = dir.Write(
      "s", L("1.1", "a", "7") + L("1.2", "b", "2") + L("2.1", "x", "7.00") + L("2.2", "y", "3"));
  CompareStructures(s, 1, 2, list, CompareOptions{false, true});
  EXPECT_EQ(list.Rows(), (std::vector<DifferenceRow>{Row("2", "b", "2", "3", "u")}));
  EXPECT_TRUE(errors.Shown().empty());
}

}  // namespace
}  // namespace parvex
