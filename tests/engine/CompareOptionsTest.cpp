#include "engine/PairingCases.h"
#include "engine/pairing/AddressTable.h"
#include "engine/values/NumericEquality.h"

namespace parvex {
namespace {

using namespace test;

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

// Each text holds the two values, "a=b".
TEST(NumbersByValue, EqualOnlyWhenBothReadAsTheSameDecimalNumber) {
  const std::vector<std::pair<std::vector<std::string>, bool>> groups = {
      {{"1500=1500.0", "1500=1.5E3", "1500.0=1.5e+3", "-0=0", "0.1=0.10", "+1=1", ".5=0.5", "5.=5",
        "-1.5=-15e-1", "1e-3=0.001", "-0.0e-7=0", "0e999=0.000", "00012=12", "1E0=1",
        "1e400=10e399", "1e0000000000000000001=10"},
       true},
      {{"1e100000000000000000000=10e99999999999999999999",
        "0.1e1000000000000000000=1e999999999999999999"},
       true},
      {{"1=10",       "0=5",      "0=0.001",   "12=21", "-1.5=1.5", "100=1e3", "1e=1",
        "+=0",        ".=0",      "1.2.3=1.2", " 1=1",  "1 =1",     "0x10=16", "0x10=0",
        "1,000=1000", "1e5x=1e5", "e5=0",      "1e+=1", "--1=1",    "=0",      "inf=Inf"},
       false},
      {{"1e100000000000000000000=1e100000000000000000001", "0.1=0.1000000000000000055"}, false}};
  for (const auto& [pairs, equal] : groups) {
    for (const std::string& pair : pairs) {
      const std::string a = pair.substr(0, pair.find('='));
      const std::string b = pair.substr(pair.find('=') + 1);
      EXPECT_EQ(SameDecimalNumber(a, b), equal) << pair;
      EXPECT_EQ(SameDecimalNumber(b, a), equal) << pair;
    }
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
