// parvex-cli take, changes, apply and reference --changes, in this process:
// what each call writes, says and ends with, each case in a folder of its own
// with the same archives.

#include <regex>

#include "CliSupport.h"

namespace parvex::test {
namespace {

using Args = std::vector<std::string>;

// The target's lines with the speed's value and units and the encoder's
// value given; the rest are what taking added after its last line.
std::string Target(const std::string& speed, const std::string& enc, const std::string& rest = "") {
  return "$ head\r\n1.1\tspeed\t" + speed + "\r\n1.2\t!enc\t" + enc + "\tinc\r\n2.1\tmode\t3\t" +
         rest;
}
const std::string kTarget = Target("1500\trpm", "4096");
const std::string kSource =
    "1.1\tspeed\t1600\t1/min\n1.2\t!enc\t4000\tinc\n2.1\tmode\t3\t\n2.2\tnew\t7\tmm\n";
const std::string kTaken = Target("1600\t1/min", "4096");
const std::string kAllTaken = Target("1600\t1/min", "4000", "\r\n2.2\tnew\t7\tmm\r\n");
// The target, changed by someone since a change set was made of it.
const std::string kChanged = Target("1400\trpm", "4096");
const std::string kSummary = Taken(1, 1, 1, 0, 1);
const std::string kOneTaken = Taken(1, 0, 0);

// The reference comparison's note on a target, whose last line has no end.
std::string Cut(const std::string& name) {
  return "Note: " + name + " may have been cut short: its last line, line 4, has no line end\n";
}

struct Case {
  const char* name;
  std::vector<Args> runs;  // in the case's folder; the status is the last run's
  int status;
  std::string err;       // standard error of every run, exactly
  const char* file;      // a file the runs leave, or nullptr
  std::string contents;  // its bytes; "-" when it must not be there
};

const Case kCases[] = {
    {"take",
     {{"take", "t.arc", "s.arc", "-o", "new.arc"}},
     0,
     "Wrote 'new.arc'\n" + kSummary,
     "new.arc",
     kTaken},
    {"take, read-only and missing lines too",
     {{"take", "t.arc", "s.arc", "-o", "new.arc", "--include-read-only", "--add-missing"}},
     0,
     "Wrote 'new.arc'\n" + Taken(2, 1, 0, 1),
     "new.arc",
     kAllTaken},
    {"take, chosen by address",
     {{"take", "t.arc", "s.arc", "--only", "2.*", "-o", "new.arc"}},
     0,
     "Nothing to take; nothing was written\n" + Taken(0, 1, 0, 0, 1),
     "new.arc",
     "-"},
    {"take over the source",
     {{"take", "t.arc", "s.arc", "-o", "s.arc"}},
     2,
     "Error While Taking Values: Error 75: 's.arc' would replace 's.arc', which this command "
     "reads; nothing was written\n",
     "s.arc",
     kSource},
    {"take over the target without --in-place",
     {{"take", "t.arc", "s.arc", "-o", "./t.arc"}},
     2,
     "Error While Taking Values: Error 75: './t.arc' would replace 't.arc', which this command "
     "reads; nothing was written\n",
     "t.arc",
     kTarget},
    {"take without an output",
     {{"take", "t.arc", "s.arc"}},
     2,
     "parvex-cli: take writes a new archive: give -o NEW, or --in-place\nTry 'parvex-cli "
     "--help'.\n",
     nullptr,
     ""},
    {"take, a pattern that is none",
     {{"take", "t.arc", "s.arc", "--only", "1.x", "-o", "new.arc"}},
     2,
     "parvex-cli: --only: \"1.x\": not an address pattern (N.M, N, N.*, N.M-N.K or *)\nTry "
     "'parvex-cli --help'.\n",
     "new.arc",
     "-"},
    {"changes and apply",
     {{"changes", "t.arc", "s.arc", "-o", "fix.json"}, {"apply", "t.arc", "fix.json", "-o", "n"}},
     0,
     "Wrote the change set 'fix.json'\n" + kSummary + "Wrote 'n'\n" + kOneTaken,
     "n",
     kTaken},
    {"apply to a changed target",
     {{"changes", "t.arc", "s.arc", "-o", "fix.json"}, {"apply", "m.arc", "fix.json", "-o", "n"}},
     2,
     "Wrote the change set 'fix.json'\n" + kSummary +
         "1.1: expected 1500 [rpm], found 1400 [rpm]\n1 line no longer as the change set expects; "
         "nothing was written (--force leaves them alone and changes the others)\n",
     "n",
     "-"},
    {"apply with --force",
     {{"changes", "t.arc", "s.arc", "-o", "fix.json"},
      {"apply", "m.arc", "fix.json", "-o", "n", "--force"}},
     0,
     "Wrote the change set 'fix.json'\n" + kSummary +
         "1.1: expected 1500 [rpm], found 1400 [rpm]\n1 line left alone, no longer as the change "
         "set expects\nNothing to take; nothing was written\n" +
         Taken(0, 0, 0),
     "n",
     "-"},
    // A change set holds no read-only line, but another machine may mark one.
    {"apply to a target whose line is read-only",
     {{"changes", "t.arc", "s.arc", "-o", "fix.json"}, {"apply", "r.arc", "fix.json", "-o", "n"}},
     0,
     "Wrote the change set 'fix.json'\n" + kSummary + "Nothing to take; nothing was written\n" +
         Taken(0, 0, 1),
     "n",
     "-"},
    {"apply with options of its own",
     {{"apply", "t.arc", "fix.json", "--numeric", "-o", "n"}},
     2,
     "parvex-cli: apply takes the options stored in the change set; leave out --include-read-only, "
     "--numeric, --rules, --only, --only-description and --add-missing\nTry 'parvex-cli --help'.\n",
     nullptr,
     ""},
    {"changes as a partial archive",
     {{"changes", "t.arc", "s.arc", "--archive", "-o", "part.arc"}},
     0,
     "Wrote the partial archive 'part.arc'\n" + kSummary,
     "part.arc",
     "1.1\tspeed\t1600\t1/min\r\n"},
    {"take from a missing source",
     {{"take", "t.arc", "none.arc", "-o", "new.arc"}},
     2,
     "Error While Taking Values: Error 76: Path not found: 'none.arc' (No such file or "
     "directory)\n",
     "new.arc",
     "-"},
    // The source is the reference; an archive equal to it gets no change set.
    {"reference --changes, then apply",
     {{"reference", "s.arc", "t.arc", "m.arc", "e.arc", "--changes", "fix", "-o", "r.csv"},
      {"apply", "m.arc", "fix/m.arc.json", "-o", "n"}},
     0,
     Cut("t.arc") + "t.arc: 1 differ, 1 missing, 0 extra\n" + Cut("m.arc") +
         "m.arc: 1 differ, 1 missing, 0 extra\ne.arc: 0 differ, 0 missing, 0 extra\nTotal: 2 of 3 "
         "archives deviate: 2 differ, 2 missing, 0 extra\nt.arc: wrote the change set "
         "'fix/t.arc.json': " +
         kSummary + "m.arc: wrote the change set 'fix/m.arc.json': " + kSummary + "Wrote 'n'\n" +
         kOneTaken,
     "n",
     kTaken},
    {"reference --changes with the reference command's options",
     {{"reference", "s.arc", "t.arc", "--changes", "fix/", "--include-read-only", "--add-missing",
       "-o", "r.csv"},
      {"apply", "t.arc", "fix/t.arc.json", "-o", "n"}},
     0,
     Cut("t.arc") +
         "t.arc: 2 differ, 1 missing, 0 extra\nTotal: 1 of 1 archives deviate: 2 differ, 1 "
         "missing, 0 extra\nt.arc: wrote the change set 'fix/t.arc.json': " +
         Taken(2, 1, 0, 1) + "Wrote 'n'\n" + Taken(2, 0, 0, 1),
     "n",
     kAllTaken},
    {"reference --changes, archives of one name named by their paths",
     {{"reference", "s.arc", "t.arc", "sub/t.arc", "--changes", "fix", "--only", "1.1", "-o",
       "r.csv"},
      {"apply", "sub/t.arc", "fix/sub_t.arc.json", "-o", "n"}},
     0,
     Cut("t.arc") + "t.arc: 1 differ, 1 missing, 0 extra\n" + Cut("sub/t.arc") +
         "sub/t.arc: 1 differ, 1 missing, 0 extra\nTotal: 2 of 2 archives deviate: 2 differ, 2 "
         "missing, 0 extra\nt.arc: wrote the change set 'fix/t.arc.json': " +
         Taken(1, 0, 0) + "sub/t.arc: wrote the change set 'fix/sub_t.arc.json': " +
         Taken(1, 0, 0) + "Wrote 'n'\n" + kOneTaken,
     "n",
     kTaken},
    // A file that is no archive leaves the result: each set still goes by its archive.
    {"reference --changes of a folder whose first file is no archive",
     {{"reference", "s.arc", "sub", "--changes", "fix", "-o", "r.csv"},
      {"apply", "sub/t.arc", "fix/t.arc.json", "-o", "n"}},
     0,
     Cut("t.arc") +
         "t.arc: 1 differ, 1 missing, 0 extra\nSkipped 1 file that is not an archive: "
         "A-notes.txt\nTotal: 1 of 1 archives deviate: 1 differ, 1 missing, 0 extra\nt.arc: "
         "wrote the change set 'fix/t.arc.json': " +
         kSummary + "Wrote 'n'\n" + kOneTaken,
     "n",
     kTaken},
    {"reference --changes over an input",
     {{"changes", "t.arc", "s.arc", "-o", "t.arc.json"},
      {"reference", "s.arc", "t.arc", "t.arc.json", "--changes", ".", "-o", "r.csv"}},
     2,
     "Wrote the change set 't.arc.json'\n" + kSummary +
         "Error While Saving Change Set: Error 75: './t.arc.json' would replace 't.arc.json', "
         "which this command reads; nothing was written\n",
     "r.csv",
     "-"},
    {"reference --changes of one archive twice",
     {{"reference", "s.arc", "t.arc", "t.arc", "--changes", "fix"}},
     2,
     "parvex-cli: --changes: 't.arc' and 't.arc' would both give the change set 't.arc.json'\nTry "
     "'parvex-cli --help'.\n",
     nullptr,
     ""},
    {"reference --changes ignoring units",
     {{"reference", "s.arc", "t.arc", "--changes", "fix", "--ignore-units"}},
     2,
     "parvex-cli: --changes takes units with their values; leave out --ignore-units\nTry "
     "'parvex-cli --help'.\n",
     nullptr,
     ""},
    {"reference --only without --changes",
     {{"reference", "s.arc", "t.arc", "--only", "1.1"}},
     2,
     "parvex-cli: --only, --only-description and --add-missing choose the lines of --changes\nTry "
     "'parvex-cli --help'.\n",
     nullptr,
     ""},
};

TEST(TakeCli, EachCallWritesSaysAndEndsAsItShould) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("t.arc", kTarget);
    dir.Write("sub/t.arc", kTarget);
    dir.Write("sub/A-notes.txt", "Backups of the press\n");
    dir.Write("m.arc", kChanged);
    dir.Write("r.arc", std::regex_replace(kTarget, std::regex("\tspeed"), "\t!speed"));
    dir.Write("s.arc", kSource);
    dir.Write("e.arc", kSource);
    CliRun run;
    std::string err;
    for (const Args& args : c.runs) {
      run = RunCli(dir, args);
      err += run.err;
    }
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(err, c.err);
    if (c.file == nullptr) continue;
    if (c.contents == "-") {
      EXPECT_FALSE(std::filesystem::exists(dir.File(c.file)));
    } else {
      EXPECT_EQ(ReadBytes(dir.File(c.file)), c.contents);
    }
  }
}

TEST(TakeCli, InPlaceKeepsTheOldArchiveFirstAndNamesIt) {
  TempDir dir;
  dir.Write("t.arc", kTarget);
  dir.Write("s.arc", kSource);
  const CliRun run = RunCli(dir, {"take", "t.arc", "s.arc", "--in-place"});
  EXPECT_EQ(run.status, 0);
  std::smatch named;
  ASSERT_TRUE(std::regex_search(run.err, named,
                                std::regex("^Replaced 't\\.arc'; the old archive was kept as "
                                           "'(t\\.arc\\.[0-9]{8}-[0-9]{6}\\.bak)'\n")))
      << run.err;
  EXPECT_EQ(named.suffix().str(), kSummary);
  EXPECT_EQ(ReadBytes(dir.File("t.arc")), kTaken);
  EXPECT_EQ(ReadBytes(dir.File(named[1].str())), kTarget);
}

}  // namespace
}  // namespace parvex::test
