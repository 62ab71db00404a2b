// Runs `parvex-cli reference` on real files, in this process: its report,
// standard error, exit status, and what it leaves on disk.

#include "CliSupport.h"

namespace parvex::test {
namespace {

// The fleet every case starts from: a reference, two machines that deviate,
// one that equals it, one that has the machine's name in another folder, an
// empty folder, a binary file, a rules file.
void MakeFleet(const TempDir& dir) {
  const std::string ref = L("1", "speed", "1500", "rpm") + L("2", "say \"hi\", ok", "a,b") +
                          L("3", "<script>x</script>", "7");
  dir.Write("ref.arc", ref);
  dir.Write("m/a.arc", L("1", "speed", "1600", "rpm") + L("2", "say", "a,\"b\"") +
                           L("3", "<script>x</script>", "7") + L("4.2", "new", "9", "mm"));
  dir.Write("m/b.arc", L("2", "say", "a,b") + L("3", "x", "8"));
  dir.Write("m/c.arc", ref);
  dir.Write("same/c.arc", ref);
  const char garbage[] =
      "\x7f"
      "ELF\0\1\n99999\t\x80\t\xff\t\0\n\x01\x02";
  dir.Write("bin/garbage.bin", std::string(garbage, sizeof garbage - 1));
  std::filesystem::create_directories(dir.Path() / "empty");
  // A backup folder as users keep them: a read-me, a picture, an empty file,
  // a backup cut short and one whose speed has other units.
  dir.Write("f/README.txt", "Backups of the press line\n1. Copy\tthe files\n");
  dir.Write("f/blob.bin", std::string("\x89PNG\0\0", 6));
  dir.Write("f/empty.arc", "");
  dir.Write("f/cut.arc", ref.substr(0, ref.size() - 1));
  dir.Write("f/units.arc", L("1", "speed", "1500", "rpm/s") + L("2", "say \"hi\", ok", "a,b") +
                               L("3", "<script>x</script>", "7"));
  // Leaves out line 4.2 and the lines described "say...", and takes speeds
  // within 100 as equal.
  dir.Write("rules.toml",
            "[ignore]\naddresses = [\"4.*\"]\ndescriptions = [\"SAY*\"]\n"
            "[[tolerance]]\naddresses = [\"1\"]\nabsolute = 100\n");
}

struct CliCase {
  const char* name;
  std::string args;  // words
  int status;
  std::string out;     // exactly, when not empty
  std::string errHas;  // lines standard error must hold, each ended by LF
  std::string outHas;  // when out is empty: a piece it must hold
  friend void PrintTo(const CliCase& c, std::ostream* os) { *os << c.name; }
};

class ReferenceCli : public ::testing::TestWithParam<CliCase> {};

const std::string kHeader = "\"Address\",\"Description\",\"Units\",\"Reference\"";
const std::string kUsage = "parvex-cli: reference: ";

TEST_P(ReferenceCli, ReportsStatusAndMessages) {
  const CliCase& c = GetParam();
  TempDir dir;
  MakeFleet(dir);
  const CliRun run = RunCli(dir, Words(c.args));
  EXPECT_EQ(run.status, c.status) << run.err;
  if (!c.out.empty() || c.outHas.empty()) {
    EXPECT_EQ(run.out, c.out);
  }
  EXPECT_NE(run.out.find(c.outHas), std::string::npos) << run.out;
  std::istringstream lines(c.errHas);
  for (std::string line; std::getline(lines, line);) {
    EXPECT_NE(run.err.find(line + "\n"), std::string::npos) << "wanted: " << line << "\n"
                                                            << run.err;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReferenceCli,
    ::testing::Values(
        CliCase{"deviating archives give the CSV matrix and status 1",
                "reference ref.arc m/a.arc m/b.arc m/c.arc", 1,
                kHeader +
                    ",\"a.arc\",\"b.arc\",\"c.arc\"\r\n"
                    "\"1.0\",\"speed\",\"rpm\",\"1500\",\"1600\",\"(missing)\",\"\"\r\n"
                    "\"2.0\",\"say \"\"hi\"\", ok\",\"u\",\"a,b\",\"a,\"\"b\"\"\",\"\",\"\"\r\n"
                    "\"3.0\",\"<script>x</script>\",\"u\",\"7\",\"\",\"8\",\"\"\r\n"
                    "\"4.2\",\"new\",\"mm\",\"(missing)\",\"9\",\"\",\"\"\r\n",
                "a.arc: 2 differ, 0 missing, 1 extra\nb.arc: 1 differ, 1 missing, 0 extra\n"
                "c.arc: 0 differ, 0 missing, 0 extra\n"
                "Total: 2 of 3 archives deviate: 3 differ, 1 missing, 1 extra\n",
                ""},
        CliCase{"equal archives give status 0 and the header alone",
                "reference ref.arc m/c.arc m/c.arc", 0, kHeader + ",\"m/c.arc\",\"m/c.arc\"\r\n",
                "m/c.arc: 0 differ, 0 missing, 0 extra\n"
                "Total: 0 of 2 archives deviate: 0 differ, 0 missing, 0 extra\n",
                ""},
        CliCase{"a folder stands for its files; shared names give paths",
                "reference ref.arc m same --jobs 2", 1, "",
                "m/a.arc: 2 differ, 0 missing, 1 extra\nsame/c.arc: 0 differ, 0 missing, 0 extra\n",
                kHeader + ",\"m/a.arc\",\"m/b.arc\",\"m/c.arc\",\"same/c.arc\"\r\n"},
        CliCase{"--recursive descends", "reference ref.arc . --recursive", 1, "",
                "ref.arc: 0 differ, 0 missing, 0 extra\n", "\"./same/c.arc\""},
        CliCase{"a missing archive does not stop the others", "reference ref.arc gone.arc m/c.arc",
                2, kHeader + ",\"gone.arc\",\"c.arc\"\r\n",
                "gone.arc: cannot be read: File 'gone.arc' does not exist.\n"
                "c.arc: 0 differ, 0 missing, 0 extra\n"
                "Total: 0 of 2 archives deviate: 0 differ, 0 missing, 0 extra; 1 cannot be read\n",
                ""},
        CliCase{"a binary file named is not read: status 2",
                "reference ref.arc bin/garbage.bin m/c.arc", 2, "",
                "garbage.bin: cannot be read: 'bin/garbage.bin' is not an archive: it holds NUL "
                "bytes\nc.arc: 0 differ, 0 missing, 0 extra\n",
                "\"garbage.bin\",\"c.arc\""},
        CliCase{"files in a folder that are not archives are skipped; a cut file is noted",
                "reference ref.arc f", 1, "",
                "Note: cut.arc may have been cut short: its last line, line 3, has no line end\n"
                "cut.arc: 0 differ, 0 missing, 0 extra\n"
                "Skipped 3 files that are not archives: README.txt, blob.bin, empty.arc\n"
                "Total: 1 of 2 archives deviate: 1 differ, 0 missing, 0 extra\n",
                "\"speed\",\"rpm\",\"1500\",\"\",\"1500 [rpm/s]\""},
        CliCase{"--include chooses the files; --ignore-units leaves units alone",
                "reference ref.arc f --include *.ARC --ignore-units", 0, "",
                "Skipped 1 file that is not an archive: empty.arc\n"
                "Total: 0 of 2 archives deviate: 0 differ, 0 missing, 0 extra\n",
                kHeader + ",\"cut.arc\",\"units.arc\"\r\n"},
        CliCase{"a missing reference writes no report", "reference none.arc m/a.arc", 2, "",
                "parvex-cli: the reference cannot be read: File 'none.arc' does not exist.\n", ""},
        CliCase{"no archives is a usage error", "reference ref.arc", 2, "",
                kUsage + "no archives given to compare with the reference\n", ""},
        CliCase{"an empty folder is a usage error", "reference ref.arc m/a.arc empty", 2, "",
                kUsage + "the folder 'empty' holds no archive files\n", ""},
        CliCase{"--jobs takes a number from 1", "reference ref.arc m/a.arc --jobs 0", 2, "",
                "parvex-cli: --jobs takes a number from 1 to 1024, not \"0\"\n", ""},
        CliCase{"--jobs takes numbers only", "reference ref.arc m/a.arc --jobs two", 2, "",
                "parvex-cli: --jobs takes a number from 1 to 1024, not \"two\"\n", ""},
        CliCase{"structures --html writes the list as a page", "structures ref.arc 1 2 --html", 1,
                "", "1 Difference(s)\n", "<td>1500</td>"},
        CliCase{"rules remove rows and each archive's line says how many",
                "reference ref.arc m/a.arc m/b.arc --rules rules.toml", 1,
                kHeader + ",\"a.arc\",\"b.arc\"\r\n"
                          "\"1.0\",\"speed\",\"rpm\",\"1500\",\"\",\"(missing)\"\r\n"
                          "\"3.0\",\"<script>x</script>\",\"u\",\"7\",\"\",\"8\"\r\n",
                "a.arc: 0 differ, 0 missing, 0 extra, 2 ignored, 1 within tolerance\n"
                "b.arc: 1 differ, 1 missing, 0 extra, 0 ignored, 0 within tolerance\n"
                "Total: 1 of 2 archives deviate: 1 differ, 1 missing, 0 extra, 2 ignored, 1 "
                "within tolerance\n",
                ""},
        CliCase{"an archive whose deviations rules all remove gives status 0",
                "reference ref.arc m/a.arc --rules rules.toml --json", 0, "",
                "a.arc: 0 differ, 0 missing, 0 extra, 2 ignored, 1 within tolerance\n",
                "\"rules\": \"rules.toml\""},
        CliCase{"a rules file that cannot be read stops the run",
                "reference ref.arc m/a.arc --rules none.toml", 2, "",
                "Error While Reading Rules: Error 321: Rules file 'none.toml' cannot be read\n",
                ""},
        CliCase{"a wrong command line is told before the rules file is read",
                "reference ref.arc --rules none.toml", 2, "",
                kUsage + "no archives given to compare with the reference\n", ""},
        CliCase{"--jobs is for the reference command", "archives ref.arc m/a.arc --jobs 2", 2, "",
                "parvex-cli: --recursive, --include, --ignore-units, --jobs and --changes are "
                "for the reference command\n",
                ""}));

// A run that fails leaves an earlier report as it was (what -o meets is
// held in OutputTargetsTest.cpp).
TEST(ReferenceCliOutput, AFailedRunKeepsTheEarlierReport) {
  TempDir dir;
  MakeFleet(dir);
  dir.Write("old.csv", "earlier");
  const CliRun run = RunCli(dir, {"reference", "none.arc", "m/a.arc", "-o", "old.csv"});
  EXPECT_EQ(run.status, 2);
  EXPECT_EQ(ReadBytes(dir.File("old.csv")), "earlier");
}

// Many archives with few files allowed open: they are never all open at once.
TEST(ReferenceCliOutput, ManyArchivesWithFewOpenFiles) {
  TempDir dir;
  const std::string line = L("1", "d", "5");
  dir.Write("ref.arc", line);
  for (int k = 0; k < 300; ++k) dir.Write("fleet/m" + std::to_string(1000 + k), line);
  dir.Write("fleet/m9999", L("1", "d", "6"));
  const CliRun run =
      RunProgram(dir, {"reference", "ref.arc", "fleet", "--jobs", "4"}, "ulimit -n 64 && ");
  EXPECT_EQ(run.status, 1) << run.err;
  EXPECT_NE(run.err.find("Total: 1 of 301 archives deviate: 1 differ, 0 missing, 0 extra\n"),
            std::string::npos)
      << run.err;
}

}  // namespace
}  // namespace parvex::test
