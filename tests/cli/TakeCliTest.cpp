// parvex-cli take, changes and apply: what each call writes, says and ends
// with, each case in a folder of its own with the same two archives.
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>

#include "CliSupport.h"

namespace {

using parvex::test::CliRun;
using parvex::test::Quote;
using parvex::test::ReadBytes;
using parvex::test::RunShell;
using parvex::test::TempDir;

const std::string kTarget =
    "$ head\r\n1.1\tspeed\t1500\trpm\r\n1.2\t!enc\t4096\tinc\r\n2.1\tmode\t3\t";
const std::string kSource =
    "1.1\tspeed\t1600\t1/min\n1.2\t!enc\t4000\tinc\n2.1\tmode\t3\t\n"
    "2.2\tnew\t7\tmm\n";
const std::string kTaken =
    "$ head\r\n1.1\tspeed\t1600\t1/min\r\n1.2\t!enc\t4096\tinc\r\n2.1\tmode\t3\t";
const std::string kSummary =
    "1 values taken, 1 already equal, 1 read-only left alone, 0 added, 1 in the source only (not "
    "added)\n";

struct Case {
  const char* name;
  std::string commands;  // run in the case's folder, "cli" standing for parvex-cli
  int status;
  std::string err;       // standard error, exactly
  const char* file;      // a file the commands leave, or nullptr
  std::string contents;  // its bytes; "-" when it must not be there
};

const Case kCases[] = {
    {"take", "cli take t.arc s.arc -o new.arc", 0, "Wrote 'new.arc'\n" + kSummary, "new.arc",
     kTaken},
    {"take, read-only and missing lines too",
     "cli take t.arc s.arc -o new.arc --include-read-only --add-missing", 0,
     "Wrote 'new.arc'\n2 values taken, 1 already equal, 0 read-only left alone, 1 added, 0 in the "
     "source only (not added)\n",
     "new.arc",
     "$ head\r\n1.1\tspeed\t1600\t1/min\r\n1.2\t!enc\t4000\tinc\r\n2.1\tmode\t3\t\r\n"
     "2.2\tnew\t7\tmm\r\n"},
    {"take, chosen by address", "cli take t.arc s.arc --only 2.* -o new.arc", 0,
     "Nothing to take; nothing was written\n0 values taken, 1 already equal, 0 read-only left "
     "alone, 0 added, 1 in the source only (not added)\n",
     "new.arc", "-"},
    {"take over the source", "cli take t.arc s.arc -o s.arc", 2,
     "Error While Taking Values: Error 75: 's.arc' would replace 's.arc', which this command "
     "reads; nothing was written\n",
     "s.arc", kSource},
    {"take over the target without --in-place", "cli take t.arc s.arc -o ./t.arc", 2,
     "Error While Taking Values: Error 75: './t.arc' would replace 't.arc', which this command "
     "reads; nothing was written\n",
     "t.arc", kTarget},
    {"take without an output", "cli take t.arc s.arc", 2,
     "parvex-cli: take writes a new archive: give -o NEW, or --in-place\nTry 'parvex-cli "
     "--help'.\n",
     nullptr, ""},
    {"take, a pattern that is none", "cli take t.arc s.arc --only 1.x -o new.arc", 2,
     "parvex-cli: --only: \"1.x\": not an address pattern (N.M, N, N.*, N.M-N.K or *)\nTry "
     "'parvex-cli --help'.\n",
     "new.arc", "-"},
    {"changes and apply",
     "cli changes t.arc s.arc -o fix.json && cli apply t.arc fix.json -o n.arc", 0,
     "Wrote the change set 'fix.json'\n" + kSummary + "Wrote 'n.arc'\n" +
         "1 values taken, 0 already equal, 0 read-only left alone, 0 added, 0 in the source only "
         "(not added)\n",
     "n.arc", kTaken},
    {"apply to a changed target",
     "cli changes t.arc s.arc -o fix.json 2>/dev/null && sed 's/1500/1400/' t.arc >m.arc && "
     "cli apply m.arc fix.json -o n.arc",
     2,
     "1.1: expected 1500 [rpm], found 1400 [rpm]\n1 line no longer as the change set expects; "
     "nothing was written (--force leaves them alone and changes the others)\n",
     "n.arc", "-"},
    {"apply with --force",
     "cli changes t.arc s.arc -o fix.json 2>/dev/null && sed 's/1500/1400/' t.arc >m.arc && "
     "cli apply m.arc fix.json -o n.arc --force",
     0,
     "1.1: expected 1500 [rpm], found 1400 [rpm]\n1 line left alone, no longer as the change set "
     "expects\nNothing to take; nothing was written\n0 values taken, 0 already equal, 0 read-only "
     "left alone, 0 added, 0 in the source only (not added)\n",
     "n.arc", "-"},
    {"apply with options of its own", "cli apply t.arc fix.json --numeric -o n.arc", 2,
     "parvex-cli: apply takes the options stored in the change set; leave out "
     "--include-read-only, --numeric, --rules, --only, --only-description and --add-missing\nTry "
     "'parvex-cli --help'.\n",
     nullptr, ""},
    {"changes as a partial archive", "cli changes t.arc s.arc --archive -o part.arc", 0,
     "Wrote the partial archive 'part.arc'\n" + kSummary, "part.arc",
     "1.1\tspeed\t1600\t1/min\r\n"},
    {"take from a missing source", "cli take t.arc none.arc -o new.arc", 2,
     "Error While Taking Values: Error 76: Path not found: 'none.arc' (No such file or "
     "directory)\n",
     "new.arc", "-"},
};

TEST(TakeCli, EachCallWritesSaysAndEndsAsItShould) {
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    dir.Write("t.arc", kTarget);
    dir.Write("s.arc", kSource);
    const std::string cli = Quote(PARVEX_CLI_PATH);
    const CliRun run = RunShell(
        dir, "cd " + Quote(dir.Path().string()) + " && " +
                 std::regex_replace(c.commands, std::regex("(^|&& )cli "), "$1" + cli + " "));
    EXPECT_EQ(run.status, c.status);
    EXPECT_EQ(run.err, c.err);
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
  const CliRun run = RunShell(dir, "cd " + Quote(dir.Path().string()) + " && " +
                                       Quote(PARVEX_CLI_PATH) + " take t.arc s.arc --in-place");
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
