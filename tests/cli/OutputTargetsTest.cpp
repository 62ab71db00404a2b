// What -o does with every kind of file, for every command and layout, run as
// the user who runs the tests and, where that is root, as an ordinary user too.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CliSupport.h"
#include "support/FullDisk.h"

namespace parvex::test {
namespace {

namespace fs = std::filesystem;

struct Command {
  const char* name;
  std::vector<std::string> args;  // before -o
  const char* starts;             // how the report begins
};

const Command kCommands[] = {
    {"archives, page", {"archives", "a.arc", "b.arc"}, "\r\nArchive Report"},
    {"archives, csv", {"archives", "a.arc", "b.arc", "--csv"}, "Archive Report"},
    {"archives, json", {"archives", "a.arc", "b.arc", "--json", "--rules", "r.toml"}, "{"},
    {"structures, html", {"structures", "a.arc", "1", "2", "--html"}, "<!DOCTYPE"},
    {"structures, csv",
     {"structures", "a.arc", "1", "2", "--csv", "--rules", "r.toml"},
     "Archive Report"},
    {"reference, csv", {"reference", "a.arc", "b.arc"}, "\"Address\""},
    {"reference, json", {"reference", "a.arc", "b.arc", "--json"}, "{"},
    {"reference, html",
     {"reference", "a.arc", "b.arc", "--html", "--rules", "r.toml"},
     "<!DOCTYPE"},
};

// The inputs every case reads; returned so that cases can be sure they are
// untouched.
std::string MakeInputs(const TempDir& dir) {
  const std::string a = "1.1\tspeed\t1500\trpm\r\n2.1\tmode\t3\t\r\n";
  dir.Write("a.arc", a);
  dir.Write("b.arc", "1.1\tspeed\t1600\trpm\r\n2.1\tmode\t4\t\r\n");
  dir.Write("r.toml", "[ignore]\naddresses = [\"9.*\"]\n");
  return a;
}

struct Target {
  const char* name;
  // Makes the target in dir and gives the name for -o.
  std::function<std::string(const TempDir&)> make;
  int status;         // 2: refused or failed; otherwise the comparison's own
  const char* lands;  // the file the report must be in, or null
  const char* stderrHas;
  mode_t type;  // what -o's name must be afterwards
  // Refused before any work: standard error holds that line alone.
  bool refused = false;
  int statusAsNobody = -1;  // where an ordinary user meets another answer
};

const Target kTargets[] = {
    {"a missing file", [](const TempDir&) { return "new.out"; }, 1, "new.out", nullptr, S_IFREG},
    {"a report of mode 640",
     [](const TempDir& d) {
       ::chmod(d.Write("old.out", "old").c_str(), 0640);
       return "old.out";
     },
     1, "old.out", nullptr, S_IFREG},
    // Root may replace it; an ordinary user is told, and it stays.
    {"a read-only report",
     [](const TempDir& d) {
       ::chmod(d.Write("locked.out", "old").c_str(), 0444);
       return "locked.out";
     },
     1, nullptr, nullptr, S_IFREG, false, 2},
    {"a link to a report",
     [](const TempDir& d) {
       d.Write("keep/real.out", "old");
       fs::create_symlink("keep/real.out", d.File("link.out"));
       return "link.out";
     },
     1, "keep/real.out", nullptr, S_IFLNK},
    {"a dangling link",
     [](const TempDir& d) {
       fs::create_symlink("later.out", d.File("dangling.out"));
       return "dangling.out";
     },
     1, "later.out", nullptr, S_IFLNK},
    {"a device", [](const TempDir& d) { return DeviceForWriting(d, "/dev/null", 3); }, 1, nullptr,
     nullptr, S_IFCHR},
    {"a full disk", [](const TempDir& d) { return DeviceForWriting(d, "/dev/full", 7); }, 2,
     nullptr, "Error 61", S_IFCHR},
    {"an input archive", [](const TempDir&) { return "a.arc"; }, 2, nullptr, "'a.arc'", S_IFREG,
     true},
    {"a hard link to an input",
     [](const TempDir& d) {
       fs::create_hard_link(d.File("a.arc"), d.File("hard.out"));
       return "hard.out";
     },
     2, nullptr, "would replace 'a.arc'", S_IFREG, true},
    {"the rules file", [](const TempDir&) { return "r.toml"; }, 2, nullptr, "'r.toml'", S_IFREG,
     true},
    {"a folder",
     [](const TempDir& d) {
       fs::create_directories(d.Path() / "folder.out");
       return "folder.out";
     },
     2, nullptr, "'folder.out'", S_IFDIR, true},
    {"a file in a missing folder", [](const TempDir&) { return "none/r.out"; }, 2, nullptr,
     "'none/r.out'", 0, true},
};

// In this process; as another user, the program.
CliRun RunAs(const TempDir& dir, const std::vector<std::string>& args, bool asNobody) {
  if (!asNobody) return RunCli(dir, args);
  return RunProgram(dir, args, "setpriv --reuid=65534 --regid=65534 --clear-groups ");
}

void RunTable(bool asNobody) {
  for (const Command& command : kCommands) {
    for (const Target& target : kTargets) {
      const std::string what =
          std::string(command.name) + " -o " + target.name + (asNobody ? " (as nobody)" : "");
      TempDir dir;
      const std::string input = MakeInputs(dir);
      const std::string out = target.make(dir);
      if (out.empty()) continue;  // no device can be made here
      const bool withRules =
          std::find(command.args.begin(), command.args.end(), "r.toml") != command.args.end();
      if (out == "r.toml" && !withRules) continue;
      if (asNobody) {
        ASSERT_EQ(std::system(("chown -R 65534 " + Quote(dir.Path().string())).c_str()), 0);
      }
      const mode_t modeBefore = fs::exists(dir.File("old.out")) ? 0640 : 0;
      std::vector<std::string> args = command.args;
      args.insert(args.end(), {"-o", out});
      const CliRun run = RunAs(dir, args, asNobody);
      const int status =
          asNobody && target.statusAsNobody >= 0 ? target.statusAsNobody : target.status;
      EXPECT_EQ(run.status, status) << what << "\n" << run.err;
      if (target.refused) {
        EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << what << "\n" << run.err;
      }
      if (target.stderrHas != nullptr) {
        EXPECT_NE(run.err.find(target.stderrHas), std::string::npos) << what << "\n" << run.err;
      }
      if (target.lands != nullptr) {
        EXPECT_EQ(ReadBytes(dir.File(target.lands)).rfind(command.starts, 0), 0U) << what;
      }
      struct stat st {};
      const std::string given = out[0] == '/' ? out : dir.File(out);
      EXPECT_EQ(::lstat(given.c_str(), &st) == 0 ? st.st_mode & S_IFMT : 0, target.type) << what;
      if (status == 2 && out == "locked.out") {
        EXPECT_EQ(ReadBytes(given), "old") << what;
      }
      if (modeBefore != 0) {
        EXPECT_EQ(st.st_mode & 07777, modeBefore) << what;
      }
      EXPECT_EQ(ReadBytes(dir.File("a.arc")), input) << what;
      EXPECT_TRUE(WriterTemporaries(dir).empty()) << what;
    }
  }
}

TEST(OutputTargets, EveryCommandAndLayout) {
  RunTable(false);
}

TEST(OutputTargets, AsAnOrdinaryUser) {
  if (::geteuid() != 0) GTEST_SKIP() << "the tests already run as an ordinary user";
  if (::access(PARVEX_CLI_PATH, X_OK) != 0) GTEST_SKIP() << "no parvex-cli";
  RunTable(true);
}

// A report to a standard output that takes nothing (a full disk) fails the
// run and says so, in every layout.
TEST(OutputTargets, StandardOutputOnAFullDisk) {
  if (::access(PARVEX_CLI_PATH, X_OK) != 0) GTEST_SKIP() << "no parvex-cli";
  for (const Command& command : kCommands) {
    TempDir dir;
    MakeInputs(dir);
    const std::string full = DeviceForWriting(dir, "/dev/full", 7);
    if (full.empty()) GTEST_SKIP() << "no device can be made here";
    const CliRun run = RunProgram(dir, command.args, "exec >" + Quote(full) + "; ");
    EXPECT_EQ(run.status, 2) << command.name << "\n" << run.err;
    EXPECT_NE(run.err.find("Error 57: Cannot write to standard output"), std::string::npos)
        << command.name << "\n"
        << run.err;
  }
}

// A reader of a named pipe gets the whole report; the pipe stays a pipe.
TEST(OutputTargets, NamedPipeWithAReader) {
  TempDir dir;
  MakeInputs(dir);
  const std::string pipe = dir.File("pipe.csv");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = ReadPipeWithin(pipe, 20); });
  const CliRun run = RunCli(dir, {"reference", "a.arc", "b.arc", "-o", "pipe.csv"});
  reader.join();
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_EQ(got.rfind("\"Address\"", 0), 0U) << got;
  struct stat st {};
  ASSERT_EQ(::lstat(pipe.c_str(), &st), 0);
  EXPECT_TRUE(S_ISFIFO(st.st_mode));
}

// The order of the system calls that make a replaced report last: the
// temporary file is synced before it is renamed over the report, and the
// folder after.
TEST(OutputTargets, SyncedBeforeAndAfterTheRename) {
  if (std::system("command -v strace >/dev/null 2>&1") != 0) GTEST_SKIP() << "no strace";
  TempDir dir;
  MakeInputs(dir);
  dir.Write("sub/r.csv", "old");
  const CliRun run =
      RunShell(dir, "cd " + Quote(dir.Path().string()) +
                        " && strace -e trace=openat,fsync,rename -o trace.txt " +
                        Quote(PARVEX_CLI_PATH) + " archives a.arc b.arc -o sub/r.csv");
  ASSERT_EQ(run.status, 1) << run.err;
  std::vector<std::string> steps;  // "temp", "sync temp", "rename", "folder", "sync folder"
  std::string temporary = "?";
  std::string folder = "?";
  std::istringstream trace(ReadBytes(dir.File("trace.txt")));
  for (std::string line; std::getline(trace, line);) {
    const std::string fd = line.substr(line.rfind(' ') + 1);
    if (line.starts_with("openat(") && line.find(".parvex-part\"") != std::string::npos) {
      temporary = fd, steps.push_back("temp");
    } else if (line.starts_with("openat(") &&
               line.find("\"sub/\", O_RDONLY") != std::string::npos &&
               line.find("O_DIRECTORY") != std::string::npos) {
      folder = fd, steps.push_back("folder");
    } else if (line.starts_with("fsync(" + temporary + ")")) {
      steps.push_back("sync temp");
    } else if (line.starts_with("fsync(" + folder + ")")) {
      steps.push_back("sync folder");
    } else if (line.starts_with("rename(") &&
               line.find("\"sub/r.csv\") = 0") != std::string::npos) {
      steps.push_back("rename");
      temporary = "?";  // its number may come again
    }
  }
  const std::vector<std::string> expected{"temp", "sync temp", "rename", "folder", "sync folder"};
  EXPECT_EQ(steps, expected) << ReadBytes(dir.File("trace.txt"));
}

// Names are bytes: a name that is not UTF-8 is opened, named in the reports
// (as it is in the page layout, read as Windows-1252 where Unicode is
// needed), told in messages by the same rule, and -o writes exactly it.
TEST(OutputTargets, NamesThatAreNotUtf8) {
  TempDir dir;
  MakeInputs(dir);
  dir.Write("b\xe4.arc", ReadBytes(dir.File("b.arc")));
  dir.Write("fleet/m\xe4.arc", ReadBytes(dir.File("b.arc")));
  struct Case {
    std::vector<std::string> args;
    int status;
    const char* written;  // the file -o must have made
    std::string has;      // in the report, or in standard error when none is written
  };
  const Case cases[] = {
      {{"archives", "a.arc", "b\xe4.arc", "-o", "r\xe4.csv"}, 1, "r\xe4.csv", "b\xe4.arc"},
      {{"archives", "a.arc", "b\xe4.arc", "-o", "r\xe4.json"}, 1, "r\xe4.json", "b\xc3\xa4.arc"},
      {{"reference", "a.arc", "fleet", "-o", "f\xe4.csv"}, 1, "f\xe4.csv", "m\xe4.arc"},
      {{"archives", "a.arc", "x\xe4.arc"}, 2, nullptr, "File 'x\xc3\xa4.arc' does not exist."},
  };
  for (const Case& c : cases) {
    const CliRun run = RunCli(dir, c.args);
    EXPECT_EQ(run.status, c.status) << c.args[2] << run.err;
    const std::string text = c.written ? ReadBytes(dir.File(c.written)) : run.err;
    EXPECT_NE(text.find(c.has), std::string::npos) << c.args[2] << "\n" << text;
  }
}

// A page or CSV report that fails part-way (more rows than its counter
// holds) is told as before, and the earlier report stays whole. The JSON and
// web page layouts are written whole, and carry the comparison's failure
// rather than a count of 0.
TEST(OutputTargets, AReportThatFailsPartWayKeepsTheOldOne) {
  TempDir dir;
  std::string a;
  std::string b;
  for (int i = 0; i < 32768; ++i) {
    a += std::to_string(i / 100 + 1) + "." + std::to_string(i % 100) + "\tp\t1\t\r\n";
    b += std::to_string(i / 100 + 1) + "." + std::to_string(i % 100) + "\tp\t2\t\r\n";
  }
  dir.Write("a.arc", a);
  dir.Write("b.arc", b);
  for (const char* report : {"old.txt", "old.csv"}) {
    dir.Write(report, "earlier");
    const CliRun run = RunCli(dir, {"archives", "a.arc", "b.arc", "-o", report});
    EXPECT_EQ(run.status, 2) << report;
    EXPECT_NE(run.err.find("Error While Printing: Error 6: Overflow"), std::string::npos)
        << run.err;
    EXPECT_EQ(ReadBytes(dir.File(report)), "earlier") << report;
  }
  const std::string failed =
      "Comparison failed: Error While Comparing Archives: Error 6: Overflow; the list is "
      "incomplete";
  for (const char* report : {"new.json", "new.html"}) {
    const CliRun run = RunCli(dir, {"archives", "a.arc", "b.arc", "-o", report});
    EXPECT_EQ(run.status, 2) << report;
    const std::string written = ReadBytes(dir.File(report));
    EXPECT_NE(written.find(failed), std::string::npos) << report;
    EXPECT_EQ(written.find("0 Difference(s)"), std::string::npos) << report;
    EXPECT_NE(written.find("328.67"), std::string::npos) << report << ": the last row";
  }
  EXPECT_NE(ReadBytes(dir.File("new.json")).find("\"incomplete\": true"), std::string::npos);
}

// A disk that fills up while the report is finished: the last write fails.
// The earlier report stays as it was, no temporary file is left, and the run
// ends with status 2, for every command and layout.
TEST(OutputTargets, AFullDiskAtTheLastWriteKeepsTheOldReport) {
  for (const Command& command : kCommands) {
    TempDir dir;
    MakeInputs(dir);
    dir.Write("old.out", "earlier");
    std::vector<std::string> args = command.args;
    args.insert(args.end(), {"-o", "old.out"});
    CliRun run;
    {
      const FullDisk full;
      run = RunCli(dir, args);
      EXPECT_EQ(full.Refused(), 1U) << command.name;
    }
    EXPECT_EQ(run.status, 2) << command.name;
    EXPECT_NE(run.err.find("Error 61: "), std::string::npos) << command.name << "\n" << run.err;
    EXPECT_EQ(ReadBytes(dir.File("old.out")), "earlier") << command.name;
    EXPECT_TRUE(WriterTemporaries(dir).empty()) << command.name;
  }
}

// -o /dev/stdout writes through the descriptor the shell made: into the file
// it names however long its path, appended where the shell appends, into a
// pipe; nothing else is touched.
TEST(OutputTargets, StandardOutputAsTheTarget) {
  TempDir dir;
  MakeInputs(dir);
  const std::string deep = dir.File(std::string(70, 'd'));
  fs::create_directories(deep);
  dir.Write(std::string(70, 'd') + "/x", "precious");
  const std::string cli = Quote(PARVEX_CLI_PATH) + " reference a.arc b.arc -o /dev/stdout";
  const std::string cd = "cd " + Quote(dir.Path().string()) + " && ";
  EXPECT_EQ(RunShell(dir, cd + cli + " > " + Quote(deep + "/xreport.csv")).status, 1);
  EXPECT_EQ(ReadBytes(deep + "/x"), "precious");
  EXPECT_EQ(ReadBytes(deep + "/xreport.csv").rfind("\"Address\"", 0), 0U);
  dir.Write("app.txt", "first\n");
  EXPECT_EQ(RunShell(dir, cd + cli + " >> app.txt").status, 1);
  EXPECT_EQ(ReadBytes(dir.File("app.txt")).rfind("first\n\"Address\"", 0), 0U);
  const CliRun piped = RunShell(dir, cd + cli + " | cat");
  EXPECT_EQ(piped.out.rfind("\"Address\"", 0), 0U) << piped.err;
}

}  // namespace
}  // namespace parvex::test
