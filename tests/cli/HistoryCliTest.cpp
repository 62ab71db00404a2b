// parvex-cli history and reference --history, in this process, against a
// SQLite store in the case's own folder: what each call prints, says and ends
// with, and that diff is the pair comparison of the two snapshots.
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <regex>

#include "CliSupport.h"
#include "history/Store.h"

namespace parvex::test {
namespace {

using Args = std::vector<std::string>;

// Three backups of one machine: the second changes 1.1, the third 2.1 and
// adds 3.1; the first has CR LF and no line end at its close.
const std::string kA = "1.1\tspeed\t1500\trpm\r\n1.2\t!enc\t4096\tinc\r\n2.1\tmode\t3\t";
const std::string kB = "1.1\tspeed\t1600\trpm\n1.2\t!enc\t4096\tinc\n2.1\tmode\t3\t\n";
const std::string kC = "1.1\tspeed\t1600\trpm\n1.2\t!enc\t4096\tinc\n2.1\tmode\t4\t\n3.1\tx\t1\t\n";
const std::string kT1 = "2026-01-05T06:00:00";
const std::string kT2 = "2026-01-06T06:00:00";
const std::string kT3 = "2026-01-07T06:00:00";

const std::string kAddA = "Added 'a.arc' as snapshot 1 of m, taken " + kT1 + "\n";
const std::string kAddB = "Added 'b.arc' as snapshot 2 of m, taken " + kT2 + "\n";
const std::string kAddC = "Added 'c.arc' as snapshot 3 of m, taken " + kT3 + "\n";

CliRun History(const TempDir& dir, Args args) {
  args.insert(args.begin(), "history");
  args.insert(args.end(), {"--store", "h.sqlite"});
  return RunCli(dir, args);
}

// The case's folder: the backups, and the store holding a and b of m.
void MakeStore(const TempDir& dir) {
  dir.Write("a.arc", kA);
  dir.Write("b.arc", kB);
  dir.Write("c.arc", kC);
  ASSERT_EQ(History(dir, {"add", "m", "a.arc", "--taken", kT1, "--note", "first\tone"}).status, 0);
  ASSERT_EQ(History(dir, {"add", "m", "b.arc", "--taken", kT2}).status, 0);
}

// Two days and an hour before now, as the store writes times.
const std::string kTwoDaysAgo =
    FormatHistoryTime(static_cast<UnixSeconds>(std::time(nullptr)) - 2 * 86400 - 3600);

struct Case {
  const char* name;
  std::vector<Args> runs;  // after MakeStore; the last one's results count
  int status;
  std::string out;  // exactly, or with "~" first a piece of it
  std::string err;  // the same
  friend void PrintTo(const Case& c, std::ostream* os) { *os << c.name; }
};

const std::string kUsage = "\nTry 'parvex-cli history --help'.\n";

const Case kCases[] = {
    {"add again",
     {{"add", "m", "c.arc", "a.arc", "--taken", kT3}},
     0,
     "",
     kAddC + "'a.arc' is already stored as snapshot 1 of m, taken " + kT1 +
         "; nothing was added\n"},
    {"add what is no archive, with an archive",
     {{"add", "m", "c.arc", "README.txt"}},
     2,
     "",
     "parvex-cli: history add: 'README.txt' is not an archive; nothing was added\n"},
    {"log: a note on one line, changes since the one before",
     {{"add", "m", "c.arc", "--taken", kT3}, {"log", "m"}},
     0,
     "1\t" + kT1 + "\t3\t-\tfirst one\n2\t" + kT2 + "\t3\t1\t\n3\t" + kT3 + "\t4\t2\t\n",
     ""},
    {"value: the first, then only where it changed",
     {{"add", "m", "c.arc", "--taken", kT3}, {"value", "m", "1.1"}},
     0,
     kT1 + "\t1500\trpm\n" + kT2 + "\t1600\trpm\n",
     ""},
    {"value of a line that came later",
     {{"add", "m", "c.arc", "--taken", kT3}, {"value", "m", "3.1"}},
     0,
     kT3 + "\t1\t\n",
     ""},
    {"baseline by date, then drift",
     {{"baseline", "m", "2026-01-05"}, {"drift"}},
     1,
     "~m: drifted from its baseline: 1 changed, 0 missing, 0 extra; newest " + kT2 + ", ",
     "~1 of 1 machines drifted from their baseline\n"},
    {"drift as the baseline",
     {{"baseline", "m", "latest"}, {"drift"}},
     0,
     "~m: as its baseline; newest " + kT2 + ", ",
     "0 of 1 machines drifted from their baseline\n"},
    {"drift of a machine backed up lately",
     {{"add", "n", "a.arc", "--taken", kTwoDaysAgo},
      {"baseline", "n", "latest"},
      {"baseline", "m", "2"},
      {"drift", "--older-than", "3"}},
     1,
     "~\nn: as its baseline; newest " + kTwoDaysAgo + ", 2 days old\n",
     "0 of 2 machines drifted from their baseline, 1 overdue\n"},
    {"list",
     {{"add", "n", "a.arc", "--taken", kTwoDaysAgo}, {"baseline", "n", "3"}, {"list"}},
     0,
     "~\nn\t1\t" + kTwoDaysAgo + "\t" + kTwoDaysAgo + "\t2\n",
     ""},
    {"diff of one snapshot with itself",
     {{"diff", "m", "1", "1"}},
     0,
     "~\r\nArchive 2: m " + kT1 + " (matched by address)\r\n",
     "~\n0 Difference(s)\n"},
    {"diff of a machine not in the store",
     {{"diff", "x"}},
     2,
     "",
     "Error While Comparing Snapshots: Error 9: The history store has no machine 'x'\n"},
    {"get the snapshot over the store",
     {{"get", "m", "1", "-o", "h.sqlite"}},
     2,
     "",
     "~would replace"},
    {"check", {{"check"}}, 0, "2 snapshots checked: the store is sound\n", ""},
    {"a subcommand's foreign option",
     {{"log", "m", "--csv"}},
     2,
     "",
     "parvex-cli: --csv cannot be used with history log" + kUsage},
    {"too few arguments",
     {{"value", "m"}},
     2,
     "",
     "parvex-cli: wrong number of arguments for history value" + kUsage},
    {"a time that is none",
     {{"add", "m", "c.arc", "--taken", "yesterday"}},
     2,
     "",
     "parvex-cli: --taken takes a time YYYY-MM-DDTHH:MM:SS, not \"yesterday\"" + kUsage},
};

void Matches(const std::string& text, const std::string& expected) {
  if (expected.rfind('~', 0) == 0) {
    EXPECT_NE(text.find(expected.substr(1)), std::string::npos) << text;
  } else {
    EXPECT_EQ(text, expected);
  }
}

class HistoryCli : public ::testing::TestWithParam<Case> {};

TEST_P(HistoryCli, PrintsSaysAndEndsAsItShould) {
  const Case& c = GetParam();
  TempDir dir;
  MakeStore(dir);
  dir.Write("README.txt", "Backups of the press line\n");
  CliRun run;
  for (const Args& args : c.runs) run = History(dir, args);
  EXPECT_EQ(run.status, c.status) << run.err;
  Matches(run.out, c.out);
  Matches(run.err, c.err);
}

INSTANTIATE_TEST_SUITE_P(Subcommands, HistoryCli, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<Case>& param) {
                           std::string name = param.param.name;
                           for (char& ch : name) {
                             if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
                           }
                           return name;
                         });

TEST(HistoryCliGet, GivesBackEverySnapshotByteForByte) {
  TempDir dir;
  MakeStore(dir);
  ASSERT_EQ(History(dir, {"get", "m", "previous", "-o", "1.arc"}).status, 0);
  EXPECT_EQ(ReadBytes(dir.File("1.arc")), kA);
  const CliRun out = History(dir, {"get", "m", kT2});
  EXPECT_EQ(out.status, 0);
  EXPECT_EQ(out.out, kB);
}

// The report of diff is the pair comparison's by address of the same two
// files, in every layout and with every option, apart from the time it was
// made; and so is the exit status.
TEST(HistoryCliDiff, IsThePairComparisonOfTheTwoSnapshots) {
  TempDir dir;
  MakeStore(dir);
  const std::string first = "m " + kT1;
  const std::string second = "m " + kT2;
  dir.Write(first, kA);
  dir.Write(second, kB);
  dir.Write("r.toml", "[ignore]\naddresses = [\"2.*\"]\n");
  const std::regex made(R"(Created at [^\r\n"<]*|"created": "[^"]*")");
  const std::vector<std::pair<Args, int>> cases = {
      {{"-o", "d.txt"}, 1},
      {{"--csv", "--units", "--include-read-only"}, 1},
      {{"-o", "d.json", "--numeric", "--rules", "r.toml"}, 1},
      {{"--html"}, 1},
      {{"--rules", "none.toml"}, 2},
  };
  for (const auto& [options, status] : cases) {
    SCOPED_TRACE(options.back());
    Args diff{"diff", "m"};
    Args pair{"archives", first, second, "--by-address"};
    diff.insert(diff.end(), options.begin(), options.end());
    pair.insert(pair.end(), options.begin(), options.end());
    const CliRun d = History(dir, diff);
    const std::string written = options[0] == "-o" ? ReadBytes(dir.File(options[1])) : d.out;
    const CliRun p = RunCli(dir, pair);
    const std::string compared = options[0] == "-o" ? ReadBytes(dir.File(options[1])) : p.out;
    EXPECT_EQ(d.status, status);
    EXPECT_EQ(p.status, status);
    EXPECT_EQ(std::regex_replace(written, made, ""), std::regex_replace(compared, made, ""));
    EXPECT_EQ(d.err, p.err);
  }
}

TEST(HistoryCliImport, TakesEachMachinesFolderAndSaysWhatItSkipped) {
  TempDir dir;
  dir.Write("backups/m/2026-01-05.arc", kA);
  dir.Write("backups/m/2026-01-06.arc", kB);
  dir.Write("backups/m/README.txt", "Backups of m\n");
  dir.Write("backups/n/x.arc", kC);
  dir.Write("backups/list.txt", "m, n\n");
  std::filesystem::last_write_time(
      dir.File("backups/m/2026-01-05.arc"),
      std::filesystem::file_time_type::clock::now() - std::chrono::hours(48));
  const CliRun run = History(dir, {"import", "backups"});
  EXPECT_EQ(run.status, 0);
  EXPECT_EQ(run.err,
            "Skipped backups/list.txt: not in a machine's folder\n"
            "Skipped backups/m/README.txt: not an archive\n"
            "Imported 3 snapshots, 0 already stored, 2 files skipped\n");
  // Oldest first, whatever their names; each noted with its file's name.
  const CliRun log = History(dir, {"log", "m"});
  EXPECT_NE(log.out.find("\t3\t-\t2026-01-05.arc\n"), std::string::npos) << log.out;
  EXPECT_NE(log.out.find("\t3\t1\t2026-01-06.arc\n"), std::string::npos) << log.out;
  EXPECT_EQ(History(dir, {"import", "backups/n", "--machine", "n"}).err,
            "Imported 0 snapshots, 1 already stored, 0 files skipped\n");
}

TEST(HistoryCliReference, NamesEachColumnByItsMachine) {
  TempDir dir;
  MakeStore(dir);
  ASSERT_EQ(History(dir, {"add", "n", "c.arc"}).status, 0);
  const CliRun all = RunCli(dir, {"reference", "a.arc", "--history", "--store", "h.sqlite"});
  EXPECT_EQ(all.status, 1);
  EXPECT_NE(all.out.find(R"("Reference","m","n")"), std::string::npos) << all.out;
  EXPECT_NE(all.err.find("m: 1 differ, 0 missing, 0 extra\n"), std::string::npos) << all.err;
  // The first machine named alone: none after it comes along.
  const CliRun one = RunCli(dir, {"reference", "b.arc", "--history", "m", "--store", "h.sqlite"});
  EXPECT_NE(one.out.find(R"("Reference","m")"
                         "\r\n"),
            std::string::npos)
      << one.out;
}

TEST(HistoryCliStore, ThatIsNoDatabaseEndsWithStatusTwoAndSaysSo) {
  TempDir dir;
  dir.Write("h.sqlite", std::string(4096, 'x'));
  for (const Args& args : {Args{"list"}, Args{"check"}}) {
    const CliRun run = History(dir, args);
    EXPECT_EQ(run.status, 2);
    EXPECT_NE(run.err.find("h.sqlite"), std::string::npos) << run.err;
  }
  EXPECT_EQ(ReadBytes(dir.File("h.sqlite")), std::string(4096, 'x'));
}

// A mistyped store is told, and no new, empty store answers in its place.
TEST(HistoryCliStore, ThatIsNotThereIsMadeOnlyByAdding) {
  TempDir dir;
  for (const char* sub : {"list", "drift", "check"}) {
    const CliRun run = RunCli(dir, {"history", sub, "--store", "typo.sqlite"});
    EXPECT_EQ(run.status, 2) << sub;
    EXPECT_NE(run.err.find("'typo.sqlite' does not exist"), std::string::npos) << run.err;
  }
  EXPECT_FALSE(std::filesystem::exists(dir.File("typo.sqlite")));
  const CliRun ref = RunCli(dir, {"reference", "r.arc", "--history", "--store", "typo.sqlite"});
  EXPECT_EQ(ref.status, 2);
  EXPECT_FALSE(std::filesystem::exists(dir.File("typo.sqlite")));
}

}  // namespace
}  // namespace parvex::test
