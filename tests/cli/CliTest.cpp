// The two archives' commands on real files: their report, standard error
// and exit status, run in this process; and the program itself, for what
// only a process of its own shows.

#include "CliSupport.h"

namespace parvex::test {
namespace {

class Cli : public ::testing::Test {
 protected:
  TempDir dir;
  std::string a1 = dir.Write("a1.arc", "1\td\t5\tu\r\n2\t!ro\t6\tv\r\n3.1\tx,y\t\"q\"\tw\r\n");
  std::string a2 = dir.Write("a2.arc", "1\td\t5\tu\r\n2\tro\t7\tv\r\n3.1\tx\t\"r\"\tw\r\n");
};

// Both commands take the layout an option asks for, else the one the name
// of -o ends in (its last characters, case-sensitively), else their own: the
// page for two archives, the matrix for a reference comparison.
TEST_F(Cli, LayoutFollowsTheOptionThenTheNameThenTheCommand) {
  const std::map<std::string, std::string> starts = {
      {"page", "\r\nArchive Report Created at "},
      {"csv", "Archive Report Created at "},
      {"matrix", "\"Address\",\"Description\",\"Units\",\"Reference\","},
      {"json", "{"},
      {"html", "<!DOCTYPE html>"}};
  // The options of each command (its two archives go in first), then the
  // layout the report must have.
  const std::pair<const char*, std::vector<const char*>> cases[] = {
      {"archives",
       {"-o r.csv csv", "-o reportcsv csv", "-o r.CSV page", "-o Report page", "-o r.txt --csv csv",
        "-o r.json json", "-o rjson json", "-o r.htm html", "-o r.HTML page", "-o html.txt page",
        "-o r.csv.txt page", "-o r.csv --json json", "--html html", "page", "--csv csv"}},
      {"reference",
       {"-o r.txt matrix", "-o r.json json", "-o r.html html", "-o r.JSON matrix",
        "-o r.json --csv matrix", "-o r.csv --html html", "matrix", "--json json"}}};
  for (const auto& [command, options] : cases) {
    for (const std::string line : options) {
      std::vector<std::string> args =
          Words(std::string(command) + " " + a1 + " " + a2 + " " + line);
      const std::string layout = args.back();
      args.pop_back();
      const auto output = std::find(args.begin(), args.end(), "-o");
      const std::string name = output == args.end() ? "" : *(output + 1);
      const CliRun run = RunCli(dir, args);
      EXPECT_EQ(run.status, 1) << line << run.err;
      const std::string report = name.empty() ? run.out : ReadBytes(dir.File(name));
      EXPECT_EQ(report.rfind(starts.at(layout), 0), 0U) << line << "\n" << report.substr(0, 80);
      EXPECT_TRUE(name.empty() || run.out.empty()) << line;
    }
  }
  EXPECT_TRUE(WriterTemporaries(dir).empty());
}

TEST_F(Cli, StructuresAndTheirNumbers) {
  const auto archive =
      dir.Write("s.arc", "10.1\ta\t1\tu\n10.2\tb\t2\tu\n20.1\tx\t1\tv\n20.2\ty\t9\tv\n");
  struct Case {
    std::string s1;
    std::string s2;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {" 10 ", "20", 1, "1 Difference(s)\n"},
      {"10.5", "19.5", 1, "1 Difference(s)\n"},  // halves go to the even neighbour
      {"20", "20", 0, "0 Difference(s)\n"},
      {"abc", "20", 2,
       "Error With Structure Parameters: Error 13: Type mismatch\n0 Difference(s)\n"},
      {"10", "40000", 2, "Error With Structure Parameters: Error 6: Overflow\n0 Difference(s)\n"},
      {"", "20", 2, "Error With Structure Parameters: Error 13: Type mismatch\n0 Difference(s)\n"},
      {"-1", "10", 0, "0 Difference(s)\n"},    // negative numbers are numbers, not options
      {"-.5", "10", 0, "0 Difference(s)\n"},   // so are those without a leading digit
      {"20", "-7.5", 1, "2 Difference(s)\n"},  // -8 has no members
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(dir, {"structures", archive, c.s1, c.s2, "--csv"});
    EXPECT_EQ(run.status, c.status) << c.s1 << "/" << c.s2;
    EXPECT_EQ(run.err, c.err) << c.s1 << "/" << c.s2;
    if (c.status != 2) {
      const auto lines = LinesWithoutDate(run.out);
      ASSERT_GE(lines.size(), 2U);
      EXPECT_EQ(lines[1], "Address,Description,Archive 1: " + archive + ",Structures " + c.s1 +
                              " and " + c.s2 + ",Units");
    }
  }
}

TEST_F(Cli, OptionsReachTheComparisonAndTheTitle) {
  const auto a = dir.Write("a.arc", "1\ta\t1500\tu\n2\tb\t2\tu\n");
  const auto b = dir.Write("b.arc", "0\tn\t9\tv\n1\ta\t1.5E3\tu\n2\tb\t2\tu\n");
  struct Case {
    std::vector<std::string> flags;
    std::string title2;
    std::vector<std::string> rows;
  };
  const Case cases[] = {
      {{},
       "Archive 2: " + b,
       {"\"1.0\",\"a\",\"1500\",\"9\",\"u\",", "\"2.0\",\"b\",\"2\",\"1.5E3\",\"u\","}},
      {{"--by-address"},
       "Archive 2: " + b + " (matched by address)",
       {"\"0.0\",\"n\",\"(missing)\",\"9\",\"v\",", "\"1.0\",\"a\",\"1500\",\"1.5E3\",\"u\","}},
      {{"--numeric", "--by-address"},
       "Archive 2: " + b + " (matched by address) (numbers by value)",
       {"\"0.0\",\"n\",\"(missing)\",\"9\",\"v\","}},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = {"archives", a, b, "--csv"};
    args.insert(args.end(), c.flags.begin(), c.flags.end());
    const CliRun run = RunCli(dir, args);
    std::vector<std::string> expected = {
        "", "Address,Description,Archive 1: " + a + "," + c.title2 + ",Units"};
    expected.insert(expected.end(), c.rows.begin(), c.rows.end());
    EXPECT_EQ(LinesWithoutDate(run.out), expected) << c.title2;
    EXPECT_EQ(run.status, 1);
  }
}

TEST_F(Cli, FailuresAndWarningsEndWithStatusTwo) {
  // A comparison that cannot start writes no report: an earlier one stays, and
  // nothing reaches standard output.
  const auto missing = dir.File("missing.arc");
  const auto earlier = dir.Write("out.csv", "earlier report");
  CliRun run = RunCli(dir, {"archives", missing, a2, "-o", earlier});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err, "Parvex 1: File '" + missing + "' does not exist.\n0 Difference(s)\n");
  EXPECT_EQ(ReadBytes(earlier), "earlier report");
  run = RunCli(dir, {"structures", dir.Path().string(), "1", "2"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.out, "");

  run = RunCli(dir, {"archives", a1, a2, "-o", dir.File("no/such/folder/r.txt")});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(run.err.rfind("Error While Saving Report: Error 76: ", 0), 0U) << run.err;
}

TEST_F(Cli, OptionsMayFollowAndDoubleDashEndsThem) {
  const auto archive = dir.Write("s.arc", "-1.1\ta\t1\tu\n10.1\tb\t2\tu\n");
  for (const auto& args : std::vector<std::vector<std::string>>{
           {"structures", archive, "10", "-1", "--csv"},
           {"--csv", "structures", "--", archive, "10", "-1"},
           {"structures", archive, "10", "-o", dir.File("r.csv"), "-1", "--csv"}}) {
    const CliRun run = RunCli(dir, args);
    EXPECT_EQ(run.status, 1) << args.size();
    EXPECT_EQ(run.err, "1 Difference(s)\n") << args.size();
  }
}

TEST_F(Cli, NotesOnLinesLeftOverAndShiftedPairs) {
  std::string whole;
  for (int i = 1; i <= 20; ++i) whole += std::to_string(i) + "\td\t" + std::to_string(i) + "\tu\n";
  const auto full = dir.Write("full.arc", whole);
  const auto cut = dir.Write("cut.arc", whole.substr(0, whole.find("13\t")));
  const auto inserted = dir.Write("ins.arc", "1\td\t1\tu\n99\tnew\t2\tu\n" + whole.substr(8));
  const std::string why =
      " on: they were not compared, as comparing by position stops at the end of the shorter "
      "archive.\n";
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string err;
  };
  const Case cases[] = {
      {{"archives", full, cut},
       1,
       "Note: Archive 1 has 8 lines more than Archive 2, from line 13" + why + "0 Difference(s)\n"},
      {{"archives", cut, full, "-o", dir.File("r.txt")},
       1,
       "Note: Archive 2 has 8 lines more than Archive 1, from line 13" + why + "0 Difference(s)\n"},
      {{"archives", full, inserted, "--csv"},
       1,
       "Note: Archive 2 has 1 line more than Archive 1, from line 21" + why +
           "Note: Lines with different addresses were paired from line 2 on (2.0 in Archive 1, "
           "99.0 in Archive 2): Options, Match Lines by Address pairs lines by address.\n"
           "18 Difference(s)\n"},
      {{"archives", full, full}, 0, "0 Difference(s)\n"},
      // Matching by address and structures pair nothing by position.
      {{"archives", full, inserted, "--by-address"}, 1, "1 Difference(s)\n"},
      {{"structures", full, "1", "2"}, 1, "1 Difference(s)\n"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args[2];
    EXPECT_EQ(run.err, c.err) << c.args[2];
  }
  // The report itself is the one of equal archives: notes are not in it.
  const auto untitled = [](std::vector<std::string> lines) {
    std::erase_if(lines, [](const std::string& l) { return l.rfind("Archive ", 0) == 0; });
    return lines;
  };
  EXPECT_EQ(untitled(LinesWithoutDate(RunCli(dir, {"archives", full, cut}).out)),
            untitled(LinesWithoutDate(RunCli(dir, {"archives", cut, cut}).out)));
}

TEST_F(Cli, PageBreaksOnStandardOutputEndInCrLf) {
  // More rows than fit one page, so form feed lines are written.
  std::string first;
  std::string second;
  for (int i = 0; i < 130; ++i) {
    first += std::to_string(i) + "\td\t" + std::to_string(i) + "\tu\n";
    second += std::to_string(i) + "\td\tx" + std::to_string(i) + "\tu\n";
  }
  const auto p1 = dir.Write("p1.arc", first);
  const auto p2 = dir.Write("p2.arc", second);
  const CliRun toFile = RunCli(dir, {"archives", p1, p2, "-o", dir.File("r.txt")});
  const CliRun toStdout = RunCli(dir, {"archives", p1, p2});
  EXPECT_EQ(toFile.status, 1);
  EXPECT_EQ(toStdout.status, 1);
  EXPECT_NE(toStdout.out.find("\f\r\n"), std::string::npos);
  EXPECT_EQ(LinesWithoutDate(toStdout.out), LinesWithoutDate(ReadBytes(dir.File("r.txt"))));
}

TEST_F(Cli, RulesFileOnEveryCommand) {
  const auto a = dir.Write("a.arc", "1\tSerial\t17\tu\n2\tb\t1.00\tu\n3\tc\t5\tu\n");
  const auto b = dir.Write("b.arc", "1\tSerial\t18\tu\n2\tb\t1.01\tu\n3\tc\t6\tu\n");
  const auto s =
      dir.Write("s.arc", "1.1\tSerial\t17\tu\n1.2\tb\t5\tu\n2.1\tx\t18\tu\n2.2\tb\t5.01\tu\n");
  const auto rules = dir.Write("sub/fleet.toml",
                               "[ignore]\ndescriptions = [\"serial*\"]\n"
                               "[[tolerance]]\naddresses = [\"*\"]\nabsolute = \"0.01\"\n");
  CliRun run = RunCli(dir, {"archives", a, b, "--csv", "--rules", rules});
  EXPECT_EQ(run.status, 1);
  EXPECT_EQ(run.err, "1 Difference(s), 1 ignored, 1 within tolerance\n");
  EXPECT_EQ(LinesWithoutDate(run.out),
            (std::vector<std::string>{"",
                                      "Address,Description,Archive 1: " + a + ",Archive 2: " + b +
                                          " (rules: fleet.toml),Units",
                                      "\"3.0\",\"c\",\"5\",\"6\",\"u\","}));
  // Every difference ignored or tolerated: status 0.
  run = RunCli(dir, {"structures", s, "1", "2", "--by-address", "--rules", rules});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err, "0 Difference(s), 1 ignored, 1 within tolerance\n");
  EXPECT_NE(run.out.find("Structures 1 and 2 (matched by address) (rules: fleet.toml)"),
            std::string::npos);
}

TEST_F(Cli, RefusedRulesFileStopsTheRunWithStatusTwo) {
  const auto earlier = dir.Write("out.csv", "earlier report");
  const auto bad = dir.Write("bad.toml", "[ignore]\naddresses = [\"1.x\"]\n");
  for (const std::string& rules : {bad, dir.File("missing.toml")}) {
    const CliRun run = RunCli(dir, {"archives", a1, a2, "--rules", rules, "-o", earlier});
    EXPECT_EQ(run.status, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err.rfind("Error While Reading Rules: Error 321: Rules file '" + rules + "'", 0),
              0U)
        << run.err;
    EXPECT_EQ(ReadBytes(earlier), "earlier report");
  }
  EXPECT_NE(RunCli(dir, {"archives", a1, a2, "--rules", bad}).err.find("line 2, column 14"),
            std::string::npos);
}

TEST_F(Cli, UsageErrors) {
  struct Case {
    std::vector<std::string> args;
    std::string what;
  };
  const Case cases[] = {
      {{}, "no command given"},
      {{"compare", a1, a2}, "unknown command: compare"},
      {{"archives", a1}, "wrong number of arguments for archives"},
      {{"archives", a1, a2, a1}, "wrong number of arguments for archives"},
      {{"structures", a1, "1"}, "wrong number of arguments for structures"},
      {{"--bogus"}, "Unknown option 'bogus'."},
      {{"archives", a1, a2, "-o"}, "Missing value after '-o'."},
      {{"archives", a1, a2, "--csv", "--json"}, "choose one of --csv, --json and --html"},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(dir, c.args);
    EXPECT_EQ(run.status, 2) << c.what;
    EXPECT_EQ(run.err, "parvex-cli: " + c.what + "\nTry 'parvex-cli --help'.\n");
    EXPECT_EQ(run.out, "") << c.what;
  }
  // An -o without its file writes nothing, not even to a file named "--".
  EXPECT_FALSE(std::filesystem::exists(dir.File("--")));
}

// The program itself: its exit status and what reaches its standard output
// and standard error.
TEST_F(Cli, TheProgramsStatusAndStreams) {
  struct Case {
    std::vector<std::string> args;
    int status;
    std::string outStarts;
    std::string err;
  };
  const CliRun help = RunProgram(dir, {"--help"});
  const Case cases[] = {
      {{"archives", a1, a1}, 0, "\r\nArchive Report Created at ", "0 Difference(s)\n"},
      {{"archives", a1, a2, "--csv"}, 1, "Archive Report Created at ", "1 Difference(s)\n"},
      {{"archives", a1, dir.File("none.arc")},
       2,
       "",
       "Parvex 1: File '" + dir.File("none.arc") + "' does not exist.\n0 Difference(s)\n"},
      {{"archives", a1},
       2,
       "",
       "parvex-cli: wrong number of arguments for archives\nTry "
       "'parvex-cli --help'.\n"},
      {{"--help"}, 0, "Usage: ", ""},
      // There are no options of Qt's own to add, and --help says so.
      {{"--help-all"}, 0, help.out, ""},
      {{"--version"}, 0, "parvex-cli ", ""},
  };
  EXPECT_NE(help.out.find("--include-read-only"), std::string::npos);
  EXPECT_NE(help.out.find("--help-all                  Displays the same help as --help.\n"),
            std::string::npos);
  EXPECT_EQ(help.out.find("Qt"), std::string::npos);
  for (const Case& c : cases) {
    const CliRun run = RunProgram(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args[0];
    EXPECT_EQ(run.out.rfind(c.outStarts, 0), 0U) << c.args[0] << "\n" << run.out;
    EXPECT_EQ(run.out.empty(), c.outStarts.empty()) << c.args[0];
    EXPECT_EQ(run.err, c.err) << c.args[0];
  }
}

}  // namespace
}  // namespace parvex::test
