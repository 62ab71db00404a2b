// Rules files: what their patterns match, how tolerances decide, which files
// are refused, and that every pairing obeys them alike.

#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

std::shared_ptr<const Rules> Parse(const std::string& text) {
  return Rules::Parse(text, "rules.toml");
}

std::string Status(long long rows, long long ignored, long long tolerated) {
  return std::to_string(rows) + " Difference(s), " + std::to_string(ignored) + " ignored, " +
         std::to_string(tolerated) + " within tolerance";
}

// Whether the rules remove the row of one line against itself with another value.
bool RemovesPair(const std::shared_ptr<const Rules>& rules, const std::string& address,
                 const std::string& description, const std::string& value1,
                 const std::string& value2) {
  RecordedErrors errors;
  TempDir dir;
  DifferenceList list;
  CompareArchives(dir.Write("a", L(address, description, value1)),
                  dir.Write("b", L(address, description, value2)), list,
                  CompareOptions{false, false, rules, false, true});
  return list.Count() == 0;
}

// Each text holds a pattern and what it is held against, "pattern/text".
struct PatternCase {
  const char* key;
  std::vector<std::string> match;
  std::vector<std::string> other;
};

TEST(RulesPatterns, MatchParsedAddressesAndDescriptionsIgnoringAsciiCase) {
  const PatternCase cases[] = {
      {"addresses",
       {"12.5/12.5", "12.5/12.05", "12/12", "12/12.0", "12.*/12.0", "12.*/12.999", "12.*/12",
        "100.1-100.20/100.1", "100.1-100.20/100.20", "100.1-100.20/100.7", "100.5-100.5/100.5",
        "*/7.3", "*/P12", "-1/P12"},
       {"12.5/12.50", "12.5/12.4", "12.5/13.5", "12/12.1", "12.*/120.1", "12.*/1.2",
        "12.*/11.32767", "12.*/13.0", "100.1-100.20/100.0", "100.1-100.20/100.21",
        "100.1-100.20/101.5", "100.5-100.5/100.4", "100.5-100.5/100.6", "-1.0/12"}},
      // Only ASCII letters are folded: a glob's UTF-8 bytes meet the
      // description's bytes as they are.
      {"descriptions",
       {"Serial*/Serial number", "Serial*/SERIAL NO", "Serial*/serial", "*hours*/Operating Hours",
        "S?rial/Serial", "a*b*c/aXXbYYc", "\xc3\xa9t\xc3\xa9/\xc3\xa9T\xc3\xa9", "/", "*/"},
       {"Serial*/The serial", "S?rial/Srial", "S?rial/Serial2", "a*b*c/aXXcYYb",
        "\xc3\xa9t\xc3\xa9/\xc3\x89T\xc3\x89"}},
  };
  for (const PatternCase& c : cases) {
    for (const bool matches : {true, false}) {
      for (const std::string& pair : matches ? c.match : c.other) {
        const std::string pattern = pair.substr(0, pair.find('/'));
        const std::string text = pair.substr(pair.find('/') + 1);
        const bool address = std::string(c.key) == "addresses";
        const auto rules = Parse("[ignore]\n" + std::string(c.key) + " = [\"" + pattern + "\"]\n");
        EXPECT_EQ(RemovesPair(rules, address ? text : "1.1", address ? "d" : text, "1", "2"),
                  matches)
            << pair;
        EXPECT_TRUE(address || GlobMatches(pattern, text) == matches) << pair;
      }
    }
  }
}

// The keys of one [[tolerance]] for every address, and value pairs "a=b"
// within it and beyond it.
struct ToleranceCase {
  const char* table;
  std::vector<std::string> within;
  std::vector<std::string> beyond;
};

const ToleranceCase kTolerances[] = {
    {"absolute = \"0.01\"",
     {"1.00=1.01", "1.00=1.0099999", "1.01=1.00"},
     {"1.00=1.0100001", "abc=abd", "1.00=1.00 ", "=0"}},
    {"absolute = \"0.5\"",
     {"+1=1.5", "007.50=7.0", ".5=0", "5.=5.5", "1E+2=100.5"},
     {"5.=5.51", "1e=1", "1e5x=100000", "1.2.3=1.2", "1234567890123456789=1234567890123456790",
      "123456789012345678=123456789012345679"}},
    // Decided on the shortest text, not on the double (0.3 - 0.2 is above
    // 0.1 in doubles).
    {"absolute = 0.1", {"0.2=0.3"}, {"0=0.10000000000000000001"}},
    {"absolute = 1",
     {"-3=-2", "-0.5=0.5", "1234567890123456789=1234567890123456790",
      "123456789012345678=123456789012345679", "1e-40=1"},
     {"-0.5=0.5000001", "-1e-40=1"}},
    {"absolute = \"1e-3\"", {"1.5E2=150.001"}, {"1.5E2=150.0011"}},
    {"absolute = \"-0\"", {"1500=1.5e3"}, {}},
    {"absolute = \"-0.0\"", {}, {"1=1.0000001"}},
    {"relative = \"-0%\"", {}, {"1000=1000.0001"}},
    {"relative = \"0.1%\"",
     {"999=1000", "-1000=-999", "1000=1001.001"},
     {"1000=998.9999", "-1000=-998.9999", "1000=1001.0011"}},
    {"relative = \"0.001\"", {"1000=1001"}, {}},
    {"relative = 0.001", {}, {"1000=1001.01"}},
    {"relative = \"10%\"", {}, {"0=0.0001"}},
    {"relative = \"50%\"", {"1e-300=2e-300"}, {"1e-300=2.0000001e-300"}},
    {"absolute = \"0.01\"\nrelative = \"1%\"", {"1000=1010", "0.001=0.011"}, {"1000=1010.2"}},
    // Beyond 18 significant digits, or digits far apart: the long way.
    {"absolute = \"1e-22\"",
     {"1.0000000000000000000001=1.0000000000000000000002"},
     {"1.0000000000000000000001=1.00000000000000000000021"}},
    {"relative = \"1%\"",
     {"100000000000000000001=101000000000000000001.01"},
     {"100000000000000000001=102010000000000000001.1"}},
    {"relative = \"1e-50\"", {"0=0.0"}, {}},
    {"relative = \"1e60\"", {"1=2"}, {}},
    {"relative = \"1e-60\"", {}, {"1=1.000000001"}},
    {"relative = \"1e-10\"", {"1e30=1.0000000001e30"}, {}},
    {"relative = \"0.99999e-10\"", {}, {"1e30=1.0000000001e30"}},
};

TEST(RulesTolerance, DecidedExactlyOnTheDecimalDigits) {
  for (const ToleranceCase& c : kTolerances) {
    const auto rules = Parse(std::string("[[tolerance]]\naddresses = [\"*\"]\n") + c.table + "\n");
    for (const bool within : {true, false}) {
      for (const std::string& pair : within ? c.within : c.beyond) {
        const std::string a = pair.substr(0, pair.find('='));
        const std::string b = pair.substr(pair.find('=') + 1);
        EXPECT_EQ(RemovesPair(rules, "1.1", "d", a, b), within) << c.table << ": " << pair;
      }
    }
  }
}

TEST(RulesTolerance, FirstMatchingTableWinsAndIgnoreBeatsTolerance) {
  const auto rules = Parse(
      "[ignore]\naddresses = [\"3.*\"]\ndescriptions = [\"Serial*\"]\n"
      "[[tolerance]]\naddresses = [\"1.*\"]\nabsolute = \"0.5\"\n"
      "[[tolerance]]\ndescriptions = [\"*speed*\"]\nabsolute = \"5\"\n"
      "[[tolerance]]\naddresses = [\"*\"]\nabsolute = \"2\"\n");
  // 1.1 meets the first table (0.5) before the speed table; 2.1 the speed
  // table before "*"; 3.1 is ignored though "*" would tolerate it, and 4.3
  // though the speed table would.
  const std::string a = L("1.1", "speed", "10") + L("1.2", "speed", "10") +
                        L("2.1", "Speed", "10") + L("2.2", "other", "10") + L("3.1", "x", "10") +
                        L("4.1", "Serial no", "1") + L("4.2", "x", "10") +
                        L("4.3", "Serial speed", "10");
  const std::string b = L("1.1", "speed", "11") + L("1.2", "speed", "10.5") +
                        L("2.1", "Speed", "14") + L("2.2", "other", "14") + L("3.1", "x", "11") +
                        L("4.1", "Serial no", "2") + L("4.2", "x", "11") +
                        L("4.3", "Serial speed", "11");
  RecordedErrors errors;
  TempDir dir;
  DifferenceList list;
  CompareArchives(dir.Write("a", a), dir.Write("b", b), list, CompareOptions{false, false, rules});
  EXPECT_EQ(list.Rows(), test::Rows("1.1|speed|10|11|u;2.2|other|10|14|u"));
  EXPECT_EQ(list.Status(), Status(2, 3, 3));
}

TEST(RulesTolerance, OverlappingPatternsGoToTheFirstTableInTheFile) {
  const auto rules = Parse(
      "[[tolerance]]\naddresses = [\"5.3-5.6\", \"7\"]\nabsolute = 1\n"
      "[[tolerance]]\naddresses = [\"5.*\", \"7.0-7.2\"]\nabsolute = 1\n"
      "[[tolerance]]\naddresses = [\"5.5\", \"-3.*\"]\nabsolute = 1\n"
      "[[tolerance]]\naddresses = [\"*\"]\nabsolute = 1\n");
  const struct {
    std::int16_t structure;
    std::int16_t member;
    std::uint16_t table;
  } cases[] = {{5, 2, 1},  {5, 3, 0},     {5, 5, 0},           {5, 6, 0},        {5, 7, 1},
               {5, -1, 1}, {4, 32767, 3}, {6, -32768, 3},      {7, 0, 0},        {7, 1, 1},
               {7, 3, 3},  {-3, 0, 2},    {-32768, -32768, 3}, {32767, 32767, 3}};
  for (const auto& c : cases) {
    EXPECT_EQ(rules->TableOfKey(AddressKey(c.structure, c.member)), c.table)
        << c.structure << "." << c.member;
  }
  const auto none = Parse("[[tolerance]]\naddresses = [\"5.3-5.6\"]\nabsolute = 1\n");
  EXPECT_EQ(none->TableOfKey(AddressKey(5, 2)), Rules::kNoTable);
  EXPECT_EQ(none->TableOfKey(AddressKey(5, 7)), Rules::kNoTable);
}

// One comparison as every pairing runs it.
enum class Path { Position, InStep, InTables, StructuresByPosition, StructuresByAddress };

void RunPath(Path path, const std::string& a, const std::string& b,
             const std::shared_ptr<const Rules>& rules, DifferenceList& list,
             const ReadSizes& sizes = {}) {
  const CompareOptions options{false, false, rules};
  switch (path) {
    case Path::Position:
      CompareArchives(a, b, list, options, nullptr, sizes);
      break;
    case Path::InStep:
      CompareArchivesByAddress(a, b, list, options, sizes);
      break;
    case Path::InTables:
      CompareArchivesInTables(a, b, list, options, sizes);
      break;
    case Path::StructuresByPosition:
      CompareStructures(a, 1, 2, list, options, nullptr, sizes);
      break;
    case Path::StructuresByAddress:
      CompareStructuresByAddress(a, 1, 2, list, options, sizes);
      break;
  }
}

const Path kEveryPath[] = {Path::Position, Path::InStep, Path::InTables, Path::StructuresByPosition,
                           Path::StructuresByAddress};

bool OfStructures(Path path) {
  return path == Path::StructuresByPosition || path == Path::StructuresByAddress;
}

// The lines of structure 1 against those of structure 2, as one archive for
// the structures' pairings and as two archives of structure 1 for the others.
struct TwoStructures {
  TwoStructures(const TempDir& dir, const std::string& first, const std::string& second)
      : one(dir.Write("one", first + second)), a(dir.Write("a", first)) {
    std::string renamed = second;
    for (std::size_t at = 0; (at = renamed.find("2.", at)) != std::string::npos; at += 2) {
      if (at == 0 || renamed[at - 1] == '\n') renamed[at] = '1';
    }
    b = dir.Write("b", renamed);
  }
  void Run(Path path, const std::shared_ptr<const Rules>& rules, DifferenceList& list) const {
    RunPath(path, OfStructures(path) ? one : a, b, rules, list);
  }
  std::string one;
  std::string a;
  std::string b;
};

TEST(RulesEveryPairing, IgnoresAndToleratesAlike) {
  // Member 1 differs beyond any tolerance; member 2 is ignored by its
  // address in structure 1, member 4 by its address in structure 2, member 5
  // by its description in structure 1; member 3 is within the tolerance
  // matched by its address in structure 2. As two archives, both are 1.
  const auto rules = Parse(
      "[ignore]\naddresses = [\"1.2\", \"2.4\"]\ndescriptions = [\"serial*\"]\n"
      "[[tolerance]]\naddresses = [\"2.3\"]\nabsolute = \"0.5\"\n");
  const auto archiveRules = Parse(
      "[ignore]\naddresses = [\"1.2\", \"1.4\"]\ndescriptions = [\"serial*\"]\n"
      "[[tolerance]]\naddresses = [\"1.3\"]\nabsolute = \"0.5\"\n");
  TempDir dir;
  const TwoStructures files(dir,
                            L("1.1", "a", "1") + L("1.2", "b", "1") + L("1.3", "c", "1.0") +
                                L("1.4", "d", "1") + L("1.5", "Serial", "1"),
                            L("2.1", "a", "5") + L("2.2", "b", "2") + L("2.3", "c", "1.5") +
                                L("2.4", "d", "9") + L("2.5", "x", "2"));
  RecordedErrors errors;
  for (const Path path : kEveryPath) {
    DifferenceList list;
    files.Run(path, OfStructures(path) ? rules : archiveRules, list);
    EXPECT_EQ(list.Rows(), test::Rows(OfStructures(path) ? "1|a|1|5|u" : "1.1|a|1|5|u"))
        << static_cast<int>(path);
    EXPECT_EQ(list.Status(), Status(1, 3, 1)) << static_cast<int>(path);
  }
}

TEST(RulesEveryPairing, IgnoredLinesGiveNoRowForBeingMissing) {
  const auto rules = Parse("[ignore]\naddresses = [\"47.*\"]\ndescriptions = [\"Operating*\"]\n");
  TempDir dir;
  // 1.2 is ignored once, though reading in step counts it before it finds
  // that the addresses part and the archives are read again into tables.
  const std::string a = dir.Write("a", L("1.1", "a", "1") + L("1.2", "Operating x", "1") +
                                           L("47.1", "x", "1") + L("5.1", "Operating hours", "7"));
  const std::string b =
      dir.Write("b", L("1.1", "a", "1") + L("1.2", "Operating x", "2") + L("47.2", "y", "1") +
                         L("6.1", "operating HOURS", "8") + L("7.1", "new", "1"));
  for (const Path path : {Path::InStep, Path::InTables}) {
    RecordedErrors errors;
    DifferenceList list;
    RunPath(path, a, b, rules, list);
    EXPECT_EQ(list.Rows(), (std::vector<DifferenceRow>{Row("7.1", "new", "(missing)", "1", "u")}));
    EXPECT_EQ(list.Status(), Status(1, 5, 0));
  }
  // A member alone in structure 1 is ignored by its description too.
  const std::string s =
      dir.Write("s", L("1.1", "a", "1") + L("1.2", "Operating hours", "5") + L("2.1", "a", "1"));
  RecordedErrors errors;
  DifferenceList list;
  RunPath(Path::StructuresByAddress, s, "", rules, list);
  EXPECT_EQ(list.Count(), 0);
  EXPECT_EQ(list.Status(), Status(0, 1, 0));
}

// Past the last member of structure 2 a member of structure 1 is alone: the
// rules judge it by its own address and description, not by the end of the
// other table (no address, no description).
TEST(RulesEveryPairing, AMemberAloneIsJudgedByItself) {
  TempDir dir;
  const std::string s = dir.Write(
      "s", L("1.1", "a", "1") + L("1.2", "b", "2") + L("1.3", "c", "3") + L("2.1", "a", "1"));
  for (const char* rules :
       {"[ignore]\naddresses = [\"-1\"]\n", "[ignore]\ndescriptions = [\"\"]\n"}) {
    for (const Path path : {Path::StructuresByPosition, Path::StructuresByAddress}) {
      SCOPED_TRACE(rules);
      RecordedErrors errors;
      DifferenceList list;
      RunPath(path, s, "", Parse(rules), list);
      const std::string none = path == Path::StructuresByPosition ? "" : "(missing)";
      EXPECT_EQ(list.Rows(), (std::vector<DifferenceRow>{Row("2", "b", "2", none, "u"),
                                                         Row("3", "c", "3", none, "u")}));
    }
  }
}

// Long tables with the same addresses are judged in two halves on two
// cores: what the rules remove in each half counts.
TEST(RulesEveryPairing, LongArchivesCountWhatBothHalvesRemove) {
  const auto rules = Parse(
      "[ignore]\ndescriptions = [\"serial\"]\n[[tolerance]]\naddresses = [\"*\"]\nabsolute = 1\n");
  std::string first;
  std::string second;
  for (int i = 0; i < 9000; ++i) {
    const std::string d = i % 3 == 0 ? "serial" : "d";
    first += L("1." + std::to_string(i), d, "1");
    second += L("2." + std::to_string(i), d, i % 3 == 1 ? "1.5" : "5");
  }
  TempDir dir;
  const TwoStructures files(dir, first, second);
  RecordedErrors errors;
  for (const Path path : kEveryPath) {
    DifferenceList list;
    files.Run(path, rules, list);
    EXPECT_EQ(list.Status(), Status(3000, 3000, 3000)) << static_cast<int>(path);
  }
}

// What a list says its rules removed goes with its status, also when a
// missing file leaves the rows before in place.
TEST(RulesEveryPairing, ListTellsTheRulesOfItsLastComparison) {
  const auto rules = Parse("[ignore]\naddresses = [\"1\"]\n");
  TempDir dir;
  const std::string a = dir.Write("a", L("1", "a", "1") + L("2", "b", "2"));
  const std::string b = dir.Write("b", L("1", "a", "5") + L("2", "b", "6"));
  const std::string gone = dir.File("gone");
  // Each step: the second archive (b, or g when missing), with rules or
  // without ('-'); the list tells 1 ignored, 0 when b is missing, or nothing.
  for (const std::string steps : {"bR b- gR g-", "b- gR"}) {
    RecordedErrors errors;
    DifferenceList list;
    for (std::size_t at = 0; at < steps.size(); at += 3) {
      const bool missing = steps[at] == 'g';
      const bool withRules = steps[at + 1] == 'R';
      CompareArchives(a, missing ? gone : b, list,
                      CompareOptions{true, false, withRules ? rules : nullptr});
      ASSERT_EQ(list.Rules().has_value(), withRules) << steps << " " << at;
      if (withRules) {
        EXPECT_EQ(list.Rules()->path, "rules.toml");
        EXPECT_EQ(list.Rules()->ignored, missing ? 0U : 1U) << steps << " " << at;
      }
    }
    list.Clear();
    EXPECT_FALSE(list.Rules().has_value());
  }
}

// Archives that differ in many ways, for the property below.
std::string RandomArchive(std::mt19937& random, bool second) {
  std::string text;
  const char* const values[] = {"1", "1.0", "2", "abc", "", "-3e2", "-300"};
  for (int i = 0; i < 300; ++i) {
    const int structure = 1 + static_cast<int>(random() % 3);
    const int member = static_cast<int>(random() % 40);
    if (second && random() % 10 == 0) continue;
    text +=
        random() % 25 == 0
            ? "$\n"
            : L(std::to_string(structure) + "." + std::to_string(member),
                (random() % 4 == 0 ? "!" : "") + std::string(random() % 5 == 0 ? "SERIAL no" : "d"),
                values[random() % 7]);
  }
  return text;
}

// Rules count the same at every read size and both ways by address; rules
// that match nothing change no row.
TEST(RulesEveryPairing, SameCountsAtEveryReadSizeAndUnmatchedRulesChangeNoRow) {
  const auto rules = Parse(
      "[ignore]\naddresses = [\"2.3-2.20\"]\ndescriptions = [\"serial*\"]\n"
      "[[tolerance]]\naddresses = [\"1.*\"]\nabsolute = \"1\"\n"
      "[[tolerance]]\naddresses = [\"*\"]\nrelative = \"50%\"\n");
  const auto unmatched = Parse(
      "[ignore]\naddresses = [\"9.*\", \"1.41-1.50\"]\ndescriptions = [\"nothing*\"]\n"
      "[[tolerance]]\naddresses = [\"8.1\"]\ndescriptions = [\"none\"]\nabsolute = \"100\"\n");
  std::mt19937 random(2022);
  TempDir dir;
  for (int round = 0; round < 6; ++round) {
    const std::string a = dir.Write("a", RandomArchive(random, false));
    const std::string b = dir.Write("b", RandomArchive(random, round % 2 == 0));
    const ReadSizes sizes = round < 3 ? ReadSizes{} : ReadSizes{7, 3};
    const auto seen = [](const DifferenceList& list) {
      return std::pair(list.Rows(), list.Status());
    };
    std::map<Path, std::pair<std::vector<DifferenceRow>, std::string>> usual;
    for (const Path path : kEveryPath) {
      SCOPED_TRACE(std::to_string(round) + " " + std::to_string(static_cast<int>(path)));
      RecordedErrors errors;
      DifferenceList lists[4];
      RunPath(path, a, b, rules, lists[0]);
      RunPath(path, a, b, rules, lists[1], ReadSizes{5, 2});
      RunPath(path, a, b, nullptr, lists[2], sizes);
      RunPath(path, a, b, unmatched, lists[3], sizes);
      usual[path] = seen(lists[0]);
      EXPECT_EQ(seen(lists[1]), usual[path]);
      EXPECT_EQ(lists[0].Status().find(", 0 ignored, 0 within"), std::string::npos);
      EXPECT_EQ(lists[3].Rows(), lists[2].Rows());
      EXPECT_EQ(lists[3].Status(), lists[2].Status() + ", 0 ignored, 0 within tolerance");
      EXPECT_EQ(lists[3].Column(2).Caption, lists[2].Column(2).Caption);
    }
    EXPECT_EQ(usual[Path::InStep], usual[Path::InTables]) << round;
  }
}

struct RefusedCase {
  std::string text;
  const char* message;
};

TEST(RulesFile, RefusedWithFileLineColumnAndWhatIsWrong) {
  const std::string t = "[[tolerance]]\naddresses = [\"*\"]\n";
  const std::string i = "[ignore]\naddresses = ";
  const RefusedCase cases[] = {
      {"[ignore]\naddresses = [\"1.2\"\n", "line 2, column 20: "},
      {"[ignored]\naddresses = [\"1\"]\n", "line 1, column 2: unknown table or key \"ignored\""},
      {"[ignore]\naddress = [\"1\"]\n", "line 2, column 1: unknown key \"address\" in [ignore]"},
      {t + "absolut = \"1\"\n", "line 3, column 1: unknown key \"absolut\" in [[tolerance]]"},
      {i + "[\"1\", \"12.x\"]\n", "line 2, column 19: \"12.x\": not an address pattern"},
      {"[ignore]\naddresses = [\"1.5-2.7\"]\n",
       "line 2, column 14: \"1.5-2.7\": a range must stay within one structure"},
      {"[ignore]\naddresses = [\"1.9-1.7\"]\n",
       "line 2, column 14: \"1.9-1.7\": a range must not end before it starts"},
      {"[ignore]\naddresses = [\"40000\"]\n", "line 2, column 14: \"40000\": not an address"},
      {"[ignore]\naddresses = [\" 1.2\"]\n", "line 2, column 14: \" 1.2\": not an address"},
      {i + "\"1.2\"\n", "line 2, column 1: \"addresses\" must be an array of texts"},
      {i + "[12]\n", "line 2, column 14: \"addresses\" must be an array of texts"},
      {t + "absolute = \"-0.1\"\n", "line 3, column 12: \"absolute\" must not be negative"},
      {t + "relative = -1\n", "line 3, column 12: \"relative\" must not be negative"},
      {t + "absolute = \"0.1%\"\n", "line 3, column 12: \"absolute\" cannot be a percentage"},
      {t + "relative = \"0.1%%\"\n",
       "line 3, column 12: \"relative\" is not a decimal number: \"0.1%%\""},
      {t + "relative = \"%\"\n", "line 3, column 12: \"relative\" is not a decimal number: \"%\""},
      {t + "relative = true\n",
       "line 3, column 12: \"relative\" must be a number or a text holding one"},
      {t + "relative = nan\n", "line 3, column 12: \"relative\" must be a finite number"},
      {t, "line 1, column 1: [[tolerance]] gives neither"},
      {"[[tolerance]]\nabsolute = 1\n", "line 1, column 1: [[tolerance]] gives no addresses"},
      {"[tolerance]\naddresses = [\"*\"]\nabsolute = 1\n",
       "line 1, column 2: \"tolerance\" must be tables ([[tolerance]])"},
  };
  for (const RefusedCase& c : cases) {
    try {
      Parse(c.text);
      ADD_FAILURE() << "not refused: " << c.text;
    } catch (const Failure& failure) {
      EXPECT_EQ(failure.Description().rfind("Rules file 'rules.toml', ", 0), 0U)
          << failure.Description();
      EXPECT_NE(failure.Description().find(c.message), std::string::npos)
          << failure.Description() << "\nwanted: " << c.message;
    }
  }
  TempDir dir;
  EXPECT_THROW(Rules::Read(dir.File("none.toml")), Failure);
  EXPECT_THROW(Rules::Read(dir.Path().string()), Failure);
  const auto read = Rules::Read(dir.Write("sub/r.toml", "# nothing\n"));
  EXPECT_EQ(read->FileName(), "r.toml");
}

}  // namespace
}  // namespace parvex
