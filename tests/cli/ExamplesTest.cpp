// Every parvex-cli command that the README, the manual, the manual pages and
// --help give as an example is run on the sample archives, and does what the
// text around it says. An example added or changed in a document without a
// row here fails, and so does a row whose example no document gives any more.
// What a document says an example does stands on the line after it, in the
// same block:  # status 1; says "6 Difference(s)"  (the exit status, then
// each quoted message a part of what the command writes), and is checked too.
#include <gtest/gtest.h>

#include <regex>
#include <set>
#include <sstream>
#include <utility>

#include "CliSupport.h"

namespace parvex::test {
namespace {

CliRun Shell(const TempDir& dir, const std::string& command) {
  // The history store by default in the case's own data folder.
  return RunShell(dir, "cd " + Quote(dir.File("work")) + " && PATH=" + Quote(dir.File("bin")) +
                           ":$PATH XDG_DATA_HOME=" + Quote(dir.File("data")) + "; export " +
                           "XDG_DATA_HOME; " + command);
}

// The lines of a text's code blocks (fenced or indented Markdown, roff's .nf
// blocks, the indented lines of --help) that run parvex-cli with a command or
// an option, as a reader would copy them: roff escapes undone, prompts and
// comments left off, synopses with placeholders in brackets skipped.
struct Example {
  std::string command;
  std::string said;  // the line after it that says what it does, or empty
};

std::vector<Example> Examples(std::string text, bool helpText) {
  for (const char* escape : {"\\fB", "\\fR", "\\fI"}) {
    for (std::size_t at; (at = text.find(escape)) != std::string::npos;) text.erase(at, 3);
  }
  for (std::size_t at; (at = text.find("\\-")) != std::string::npos;) text.erase(at, 1);
  static const std::regex command(
      R"((^|[\s;])\S*parvex-cli (archives|structures|reference|take|changes|apply|history|-))");
  std::vector<Example> found;
  std::istringstream lines(text);
  bool fenced = false;
  bool filled = true;
  bool afterExample = false;
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("```", 0) == 0) fenced = !fenced;
    if (line == ".nf") filled = false;
    if (line == ".fi") filled = true;
    const bool code = fenced || !filled || line.rfind(helpText ? "  " : "    ", 0) == 0;
    const auto hash = line.find("# status");
    const bool said = code && hash != std::string::npos && hash == line.find_first_not_of(' ');
    if (said) {
      if (!std::exchange(afterExample, false)) ADD_FAILURE() << "said of no example: " << line;
      if (!found.empty()) found.back().said = line.substr(hash);
      continue;
    }
    afterExample = false;
    if (!code || !std::regex_search(line, command) || line.find('[') != std::string::npos) {
      continue;
    }
    if (const auto comment = line.find("  #"); comment != std::string::npos) line.erase(comment);
    line.erase(0, line.find_first_not_of(" \t$"));
    line.erase(line.find_last_not_of(" \t") + 1);
    found.push_back({line, ""});
    afterExample = true;
  }
  return found;
}

// What a document says of an example against what it did.
void CheckSaid(const std::string& said, const CliRun& run) {
  static const std::regex form(R"(# status (\d+)(; says( "[^"]+"( and)?)+)?)");
  std::smatch status;
  ASSERT_TRUE(std::regex_match(said, status, form)) << "not of the form the test reads";
  EXPECT_EQ(run.status, std::stoi(status[1])) << said;
  static const std::regex quoted(R"re("([^"]+)")re");
  for (std::sregex_iterator m(said.begin(), said.end(), quoted), end; m != end; ++m) {
    EXPECT_NE((run.err + run.out).find((*m)[1]), std::string::npos) << said << "\n" << run.err;
  }
}

std::string FileText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Expected {
  int status;
  std::string err;     // standard error, exactly
  std::string out;     // a part of standard output
  std::string file;    // a report the example writes, or empty
  std::string header;  // a line of that report
};

const std::string kRows6 = "6 Difference(s)\n";
const std::string kCsvHeader =
    "Address,Description,Archive 1: docs/samples/press-line-a.arc,Structures 10 and 11,Units";
const std::map<std::string, Expected> kExpected = {
    {"./build/cli/parvex-cli archives docs/samples/press-line-a.arc docs/samples/press-line-b.arc",
     {1, kRows6, "10.1    Max speed", "", ""}},
    {"./build/cli/parvex-cli structures docs/samples/press-line-a.arc 10 11 --csv -o diff.csv",
     {1, "7 Difference(s)\n", "", "diff.csv", kCsvHeader}},
    {"./build/cli/parvex-cli take docs/samples/press-line-a.arc docs/samples/press-line-b.arc -o "
     "a-corrected.arc",
     {0, "Wrote 'a-corrected.arc'\n" + Taken(6, 25, 1), "", "a-corrected.arc",
      "10.1\tMax speed\t3600\trpm"}},
    {"parvex-cli archives press-line-a.arc press-line-b.arc",
     {1, kRows6, "10.1    Max speed", "", ""}},
    {"parvex-cli structures press-line-a.arc 10 11 --csv -o diff.csv",
     {1, "7 Difference(s)\n", "", "diff.csv",
      "Address,Description,Archive 1: press-line-a.arc,Structures 10 and 11,Units"}},
    // old.arc and new.arc are the same archive here.
    {"if parvex-cli archives old.arc new.arc -o /dev/null; then echo same; fi",
     {0, "0 Difference(s)\n", "same\n", "", ""}},
    // Structure -1 has no members: those of structure 10 meet empty values.
    {"parvex-cli structures plant.arc 10 -1", {1, "10 Difference(s)\n", "Max speed", "", ""}},
    // a.arc and b.arc are the two samples, fleet.toml the sample rules file.
    {"parvex-cli archives a.arc b.arc --rules fleet.toml -o diff.csv",
     {1, "2 Difference(s), 1 ignored, 3 within tolerance\n", "", "diff.csv",
      "Address,Description,Archive 1: a.arc,Archive 2: b.arc (rules: fleet.toml),Units"}},
    // backups/ holds both samples; approved.arc is the first.
    {"parvex-cli reference approved.arc backups/ -o deviations.html",
     {1,
      "press-line-a.arc: 0 differ, 0 missing, 0 extra\npress-line-b.arc: 6 differ, 0 missing, 0 "
      "extra\nTotal: 1 of 2 archives deviate: 6 differ, 0 missing, 0 extra\n",
      "", "", ""}},
    {"parvex-cli reference approved.arc backups/ --rules fleet.toml -o deviations.csv",
     {1,
      "press-line-a.arc: 0 differ, 0 missing, 0 extra, 0 ignored, 0 within "
      "tolerance\npress-line-b.arc: 2 differ, 0 missing, 0 extra, 1 ignored, 3 within "
      "tolerance\nTotal: 1 of 2 archives deviate: 2 differ, 0 missing, 0 extra, 1 ignored, 3 "
      "within tolerance\n",
      "", "deviations.csv", "\"10.1\",\"Max speed\",\"rpm\",\"3000\",\"\",\"3600\""}},
    {"./build/cli/parvex-cli reference docs/samples/press-line-a.arc docs/samples/fleet",
     {1,
      "press-01.arc: 0 differ, 0 missing, 0 extra\npress-02.arc: 1 differ, 0 missing, 0 "
      "extra\nNote: press-03.arc may have been cut short: its last line, line 36, has no line "
      "end\npress-03.arc: 0 differ, 1 missing, 0 extra\npress-04.arc: 0 differ, 0 missing, 1 "
      "extra\nSkipped 1 file that is not an archive: README.txt\nTotal: 3 of 4 archives deviate: 1 "
      "differ, 1 missing, 1 extra\n",
      "\"13.2\",\"Safe speed\",\"mm/min\",\"2000\",\"\",\"2000 [mm/s]\",\"\",\"\"\r\n", "", ""}},
    {"parvex-cli take press-line-a.arc press-line-b.arc -o press-line-a-corrected.arc",
     {0, "Wrote 'press-line-a-corrected.arc'\n" + Taken(6, 25, 1), "", "press-line-a-corrected.arc",
      "10.1\tMax speed\t3600\trpm"}},
    {"parvex-cli changes press-line-a.arc press-line-b.arc --only 10.* -o fix.json",
     {0, "Wrote the change set 'fix.json'\n" + Taken(2, 8, 1), "", "", ""}},
    // Run after the one before, whose change set it applies.
    {"parvex-cli apply press-line-a.arc fix.json -o press-line-a-fixed.arc",
     {0, "Wrote 'press-line-a-fixed.arc'\n" + Taken(2, 0, 0), "", "press-line-a-fixed.arc",
      "10.4\tCurrent limit\t15\tA"}},
    {"parvex-cli reference approved.arc backups/ --changes fixes -o deviations.csv",
     {1,
      "press-line-a.arc: 0 differ, 0 missing, 0 extra\npress-line-b.arc: 6 differ, 0 missing, 0 "
      "extra\nTotal: 1 of 2 archives deviate: 6 differ, 0 missing, 0 extra\npress-line-b.arc: "
      "wrote the change set 'fixes/press-line-b.arc.json': " +
          Taken(6, 25, 1),
      "", "", ""}},
    // Run after the one before, whose change set it applies.
    {"parvex-cli apply backups/press-line-b.arc fixes/press-line-b.arc.json -o "
     "press-line-b-fixed.arc",
     {0, "Wrote 'press-line-b-fixed.arc'\n" + Taken(6, 0, 0), "", "press-line-b-fixed.arc",
      "10.1\tMax speed\t3000\trpm"}},
    // The history examples run in this order, on one store.
    {"parvex-cli history --help", {0, "", "  log MACHINE", "", ""}},
    {"parvex-cli history add press-07 backups/press-line-a.arc --taken 2026-03-02T07:30:00 "
     "--note \"after service\"",
     {0, "Added 'backups/press-line-a.arc' as snapshot 1 of press-07, taken 2026-03-02T07:30:00\n",
      "", "", ""}},
    {"parvex-cli history add press-07 backups/press-line-b.arc --taken 2026-03-09T07:30:00",
     {0, "Added 'backups/press-line-b.arc' as snapshot 2 of press-07, taken 2026-03-09T07:30:00\n",
      "", "", ""}},
    {"parvex-cli history log press-07",
     {0, "", "1\t2026-03-02T07:30:00\t36\t-\tafter service\n2\t2026-03-09T07:30:00\t36\t7\t\n", "",
      ""}},
    {"parvex-cli history diff press-07",
     {1, kRows6, "Archive 1: press-07 2026-03-02T07:30:00\r\n", "", ""}},
    {"parvex-cli history diff press-07 2026-03-02 latest --csv -o changes.csv",
     {1, kRows6, "", "changes.csv",
      "Address,Description,Archive 1: press-07 2026-03-02T07:30:00,Archive 2: press-07 "
      "2026-03-09T07:30:00 (matched by address),Units"}},
    {"parvex-cli history baseline press-07 2026-03-02",
     {0, "Marked snapshot 1 of press-07, taken 2026-03-02T07:30:00, as its baseline\n", "", "",
      ""}},
    {"parvex-cli history drift --older-than 7",
     {1, "1 of 2 machines drifted from their baseline, 1 overdue\n",
      "press-07: drifted from its baseline: 7 changed, 0 missing, 0 extra; newest "
      "2026-03-09T07:30:00, ",
      "", ""}},
    {"parvex-cli history value press-07 10.1",
     {0, "", "2026-03-02T07:30:00\t3000\trpm\n2026-03-09T07:30:00\t3600\trpm\n", "", ""}},
    {"parvex-cli history get press-07 baseline -o press-07-approved.arc",
     {0, "Wrote snapshot 1 of press-07, taken 2026-03-02T07:30:00, to 'press-07-approved.arc'\n",
      "", "press-07-approved.arc", "10.1\tMax speed\t3000\trpm"}},
    {"parvex-cli history import backups --machine press-08",
     {0, "Imported 2 snapshots, 0 already stored, 0 files skipped\n", "", "", ""}},
    {"parvex-cli history check", {0, "", "4 snapshots checked: the store is sound\n", "", ""}},
    {"parvex-cli reference approved.arc --history",
     {1,
      "press-07: 6 differ, 0 missing, 0 extra\npress-08: 6 differ, 0 missing, 0 extra\n"
      "Total: 2 of 2 archives deviate: 12 differ, 0 missing, 0 extra\n",
      "\"Address\",\"Description\",\"Units\",\"Reference\",\"press-07\",\"press-08\"\r\n", "", ""}},
    // The man page's and the history help's, after the manual's.
    {"parvex-cli history diff press-07 baseline latest", {1, kRows6, "", "", ""}},
    {"parvex-cli history drift --older-than 2",
     {1, "1 of 2 machines drifted from their baseline, 1 overdue\n", "press-08: no baseline; ", "",
      ""}},
    {"parvex-cli archives old.arc new.arc --rules fleet.toml",
     {0, "0 Difference(s), 0 ignored, 0 within tolerance\n",
      "Archive 2: new.arc (rules: fleet.toml)", "", ""}},
};

// The sample files under every name the examples give them, and parvex-cli
// on the path and in the build folder.
void MakeWork(const TempDir& dir) {
  const std::filesystem::path source = PARVEX_SOURCE_DIR;
  const std::string a = FileText(source / "docs/samples/press-line-a.arc");
  const std::string b = FileText(source / "docs/samples/press-line-b.arc");
  for (const char* name :
       {"docs/samples/press-line-a.arc", "press-line-a.arc", "plant.arc", "old.arc", "new.arc",
        "a.arc", "approved.arc", "backups/press-line-a.arc"}) {
    dir.Write(std::string("work/") + name, a);
  }
  for (const char* name :
       {"docs/samples/press-line-b.arc", "press-line-b.arc", "b.arc", "backups/press-line-b.arc"}) {
    dir.Write(std::string("work/") + name, b);
  }
  dir.Write("work/fleet.toml", FileText(source / "docs/samples/press-line.toml"));
  std::filesystem::copy(source / "docs/samples/fleet", dir.File("work/docs/samples/fleet"));
  for (const char* link : {"work/build/cli/parvex-cli", "bin/parvex-cli"}) {
    std::filesystem::create_directories(std::filesystem::path(dir.File(link)).parent_path());
    std::filesystem::create_symlink(PARVEX_CLI_PATH, dir.File(link));
  }
}

TEST(Examples, EveryDocumentedCommandDoesWhatItsTextSays) {
  TempDir dir;
  MakeWork(dir);
  const std::filesystem::path source = PARVEX_SOURCE_DIR;
  std::vector<std::pair<std::string, std::string>> documents;  // (name, text)
  const std::string help = "parvex-cli --help";
  for (const char* name : {"README.md", "docs/manual/manual.md", "packaging/man/parvex-cli.h2m",
                           "packaging/man/parvex.h2m.in"}) {
    documents.emplace_back(name, FileText(source / name));
  }
  documents.emplace_back(help, Shell(dir, help).out);
  const std::string historyHelp = "parvex-cli history --help";
  documents.emplace_back(historyHelp, Shell(dir, historyHelp).out);

  std::set<std::string> seen;
  for (const auto& [name, text] : documents) {
    for (const auto& [example, said] : Examples(text, name == help || name == historyHelp)) {
      SCOPED_TRACE(name + ": " + example);
#ifndef PARVEX_HAS_HISTORY
      // A build without the history store has none of its examples to run.
      if (example.find("history") != std::string::npos) {
        seen.insert(example);
        continue;
      }
#endif
      seen.insert(example);
      const auto row = kExpected.find(example);
      ASSERT_NE(row, kExpected.end()) << "an example without a row in this test";
      const Expected& e = row->second;
      std::filesystem::remove(dir.File("work/diff.csv"));
      const CliRun run = Shell(dir, example);
      EXPECT_EQ(run.status, e.status);
      EXPECT_EQ(run.err, e.err);
      EXPECT_NE(run.out.find(e.out), std::string::npos) << run.out;
      if (!said.empty()) CheckSaid(said, run);
      if (!e.file.empty()) {
        EXPECT_NE(ReadBytes(dir.File("work/" + e.file)).find("\r\n" + e.header + "\r\n"),
                  std::string::npos);
      }
    }
  }
  for (const auto& [example, e] : kExpected) EXPECT_TRUE(seen.count(example)) << example;
}

}  // namespace
}  // namespace parvex::test
