#include <atomic>

#if !defined(_WIN32)
#include <poll.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#endif

#include "reference/CompareWithReference.h"
#include "reference/Inputs.h"
#include "reference/ReferenceSupport.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

const std::string M = kMissingText;
class Fleet : public ::testing::TestWithParam<FleetCase> {};

TEST_P(Fleet, ListsEveryDeviationOfEveryArchive) {
  const FleetCase& c = GetParam();
  for (const unsigned jobs : {1U, 3U}) {
    TempDir dir;
    const ReferenceResult result = RunFleet(dir, c.reference, c.archives, c.options, jobs);
    EXPECT_EQ(MatrixLines(result), c.rows) << jobs << " jobs";
    EXPECT_EQ(SummaryLines(result), c.summaries) << jobs << " jobs";
    EXPECT_TRUE(result.reference.readable);
  }
}

INSTANTIATE_TEST_SUITE_P(Cases, Fleet, ::testing::ValuesIn(test::FleetCases()));

TEST(FleetMessages, GoToTheArchiveThatToldThem) {
  TempDir dir;
  const ReferenceResult result =
      RunFleet(dir, "7.\tr\t1\tu\n" + L("1", "a", "5"),
               {{"m1", L("1", "a", "5") + "1.99999\tb\t2\tu\n"}, {"m2", L("1", "a", "5")}},
               test::FleetOptions());
  ASSERT_EQ(result.reference.messages.size(), 1U);
  EXPECT_EQ(result.reference.messages[0].title, "Error While Splitting Archive Line");
  EXPECT_EQ(result.reference.messages[0].text.rfind("Error 13: ", 0), 0U);
  ASSERT_EQ(result.archives[0].messages.size(), 1U);
  EXPECT_EQ(result.archives[0].messages[0].text.rfind("Error 6: ", 0), 0U);
  EXPECT_TRUE(result.archives[1].messages.empty());
  EXPECT_FALSE(result.AllRead());
}

// A report must never replace a file the comparison read: the rules file is one.
TEST(FleetInputs, AreTheReferenceTheArchivesAndTheRulesFile) {
  TempDir dir;
  const ReferenceResult result =
      RunFleet(dir, L("1", "a", "5"), {{"m1", L("1", "a", "6")}},
               test::FleetOptions(false, false, Rules::Parse("", "r.toml")));
  EXPECT_EQ(result.Inputs(),
            (std::vector<std::string>{dir.File("reference.arc"), dir.File("m1"), "r.toml"}));
}

// A file whose last line has no line end was probably cut short: said as a
// note of that file, the line still compared, the verdict untouched.
TEST(FleetMessages, FilesCutShortAreNoted) {
  TempDir dir;
  const std::string ref = L("1", "a", "5") + L("2", "b", "6");
  const ReferenceResult result =
      RunFleet(dir, ref.substr(0, ref.size() - 1),
               {{"m1", ref.substr(0, ref.size() - 1)}, {"m2", ref}, {"m3", ref.substr(0, 13)}},
               test::FleetOptions());
  EXPECT_EQ(result.reference.notes,
            std::vector<std::string>{
                "reference.arc may have been cut short: its last line, line 2, has no line end"});
  EXPECT_EQ(result.archives[0].notes,
            std::vector<std::string>{
                "m1 may have been cut short: its last line, line 2, has no line end"});
  EXPECT_TRUE(result.archives[1].notes.empty());
  EXPECT_EQ(result.archives[2].notes.size(), 1U);
  EXPECT_FALSE(result.archives[0].Deviates());
  // m3 ends in the middle of line 2, which then has too few fields to pair.
  EXPECT_EQ(MatrixLines(result), std::vector<std::string>{"2.0|b|u|6|||(missing)"});
}

TEST(FleetReference, MissingReferenceComparesNothing) {
  TempDir dir;
  ReferenceRequest request;
  request.reference = dir.File("none.arc");
  request.archives = {dir.Write("m1", L("1", "a", "5"))};
  const ReferenceResult result = CompareWithReference(request);
  EXPECT_FALSE(result.reference.readable);
  EXPECT_EQ(result.reference.failure, "File '" + request.reference + "' does not exist.");
  EXPECT_TRUE(result.rows.empty());
  ASSERT_EQ(result.archives.size(), 1U);
  EXPECT_FALSE(result.archives[0].readable);
}

TEST(FleetCancel, StopsStartingArchivesAndSaysSo) {
  // Cancelled after the second archive of five, on one job; or never.
  for (const bool cancel : {true, false}) {
    TempDir dir;
    ReferenceRequest request;
    request.reference = dir.Write("reference.arc", L("1", "a", "5"));
    for (int k = 0; k < 5; ++k) {
      request.archives.push_back(dir.Write("m" + std::to_string(k), L("1", "a", "6")));
    }
    request.jobs = 1;
    std::atomic<bool> stop{false};
    std::size_t told = 0;
    request.cancel = &stop;
    request.progress = [&](std::size_t done, std::size_t) {
      told = done;
      if (cancel && done == 2) stop = true;
    };
    const ReferenceResult result = CompareWithReference(request);
    EXPECT_EQ(result.cancelled, cancel);
    EXPECT_EQ(told, cancel ? 2U : 5U);
    EXPECT_EQ(result.rows.size(), cancel ? 0U : 1U);
    ASSERT_EQ(result.archives.size(), 5U);
    EXPECT_EQ(result.archives[4].differ, cancel ? 0U : 1U);
  }
}

// Files, what is given, the paths it stands for and the columns' names, as
// words relative to a folder; or a piece of the error.
struct InputsCase {
  const char* name;
  std::string files;
  std::string given;
  bool recursive;
  std::string paths;
  std::string names;
  std::string error = "";
  friend void PrintTo(const InputsCase& c, std::ostream* os) { *os << c.name; }
};

class Inputs : public ::testing::TestWithParam<InputsCase> {};

TEST_P(Inputs, ExpandFoldersAndNameColumns) {
  const InputsCase& c = GetParam();
  TempDir dir;
  const std::string root = dir.Path().string() + "/";
  std::filesystem::create_directories(dir.Path() / "empty");
  for (const std::string& f : test::Words(c.files)) dir.Write(f, "1\ta\t1\tu\n");
  std::vector<std::string> given;
  for (const std::string& g : test::Words(c.given)) given.push_back(root + g);
  const ExpandedInputs out = ExpandInputs(given, c.recursive);
  EXPECT_NE(out.error.find(c.error), std::string::npos) << out.error;
  EXPECT_EQ(out.error.empty(), c.error.empty()) << out.error;
  if (!c.error.empty()) return;
  std::vector<std::string> paths;
  for (const std::string& p : out.paths) paths.push_back(p.substr(root.size()));
  EXPECT_EQ(paths, test::Words(c.paths));
  std::vector<std::string> names = ColumnNames(out.paths);
  for (std::string& n : names) {
    if (n.rfind(root, 0) == 0) n = n.substr(root.size());
  }
  EXPECT_EQ(names, test::Words(c.names));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, Inputs,
    ::testing::Values(
        InputsCase{"a folder stands for its files in name order",
                   "f/b.arc f/a.arc f/C.arc f/sub/z.arc", "f", false, "f/C.arc f/a.arc f/b.arc",
                   "C.arc a.arc b.arc"},
        InputsCase{"recursive takes subfolders in their place", "f/b.arc f/a.arc f/ab/z.arc", "f/",
                   true, "f/a.arc f/ab/z.arc f/b.arc", "a.arc z.arc b.arc"},
        InputsCase{"the same file twice is two columns named by path", "x/m.arc", "x/m.arc x/m.arc",
                   false, "x/m.arc x/m.arc", "x/m.arc x/m.arc"},
        InputsCase{"one name in two folders: every column by its path", "x/m.arc y/m.arc y/n.arc",
                   "x/m.arc y", false, "x/m.arc y/m.arc y/n.arc", "x/m.arc y/m.arc y/n.arc"},
        InputsCase{"a missing file is kept, to be told unreadable", "x/m.arc",
                   "nothing.arc x/m.arc", false, "nothing.arc x/m.arc", "nothing.arc m.arc"},
        InputsCase{"an empty folder is refused", "x/m.arc", "x/m.arc empty", false, "", "",
                   "holds no archive files"}));

#if !defined(_WIN32)
// ExpandInputs(given, true) in a child process, killed when it has not
// answered within ten seconds, and run as nobody when the test runs as root,
// whom no folder's mode keeps out. A child that fails says so in the error.
ExpandedInputs ExpandInChild(const std::vector<std::string>& given) {
  int fds[2];
  if (::pipe(fds) != 0) return {{}, "no pipe", {}};
  const pid_t child = ::fork();
  if (child == 0) {
    if (::geteuid() == 0 && (::setgid(65534) != 0 || ::setuid(65534) != 0)) ::_exit(3);
    ExpandedInputs out;
    try {
      out = ExpandInputs(given, true);
    } catch (...) {
      ::_exit(5);  // not into the test runner, which would go on in the child
    }
    std::string answer = out.error;
    for (const std::string& path : out.paths) answer += '\0' + path;
    for (std::size_t at = 0; at < answer.size();) {
      const ssize_t n = ::write(fds[1], answer.data() + at, answer.size() - at);
      if (n <= 0) ::_exit(4);
      at += static_cast<std::size_t>(n);
    }
    ::_exit(0);
  }
  ::close(fds[1]);
  std::string answer;
  bool ended = false;
  pollfd ready{fds[0], POLLIN, 0};
  while (child > 0 && !ended && ::poll(&ready, 1, 10000) > 0) {
    char buffer[4096];
    const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
    ended = n <= 0;
    answer.append(buffer, n > 0 ? static_cast<std::size_t>(n) : 0U);
  }
  ::close(fds[0]);
  int status = 0;
  if (child > 0 && !ended) ::kill(child, SIGKILL);
  if (child > 0) ::waitpid(child, &status, 0);
  if (!ended) return {{}, "no answer within 10 seconds", {}};
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) return {{}, "the child failed", {}};
  ExpandedInputs out;
  std::istringstream fields(answer);
  std::getline(fields, out.error, '\0');
  for (std::string path; std::getline(fields, path, '\0');) out.paths.push_back(path);
  return out;
}

struct WalkCase {
  const char* name;
  std::vector<std::pair<std::string, std::string>> links;     // name, where it leads
  std::vector<std::string> files = {"w/a.arc", "w/s/b.arc"};  // made in the folder
  std::vector<std::string> paths = {"w/a.arc", "w/s/b.arc"};  // relative to the folder
  std::vector<std::string> given = {"w"};                     // relative to the folder
  std::string unlistable = {};  // a folder made unlistable, which the error names
};

TEST(FolderWalks, TakeEachFileOnceAndEnd) {
  const WalkCase cases[] = {
      {"a link to its own folder", {{"w/me", "."}, {"w/s/me", "."}}},
      {"a link to the folder above", {{"w/up", ".."}, {"w/s/up", ".."}}},
      {"two loops", {{"w/l1", "."}, {"w/l2", "."}, {"w/s/up", ".."}}},
      {"a folder outside: walked once, in its place, its links back not followed",
       {{"w/l1", "../out"},
        {"w/l2", "../out"},
        {"out/back", "../w"},
        {"out/me", "."},
        {"out/deep/up", "../.."}},
       {"w/a.arc", "out/o.arc", "out/deep/p.arc"},
       {"w/a.arc", "w/l1/deep/p.arc", "w/l1/o.arc"}},
      {"files and folders reached by links inside: once, by their own names",
       {{"w/k", "s"}, {"w/z.arc", "a.arc"}, {"w/s/c.arc", "../a.arc"}, {"v/a.arc", "../w/a.arc"}},
       {"w/a.arc", "w/s/b.arc", "v/c.arc"},
       {"w/a.arc", "w/s/b.arc", "v/c.arc", "w/a.arc"},
       {"w", "v", "w/a.arc"}},
      {"the report writer's temporary file",
       {},
       {"w/a.arc", "w/.a.arc.1234.parvex-part"},
       {"w/a.arc"}},
      {"a name that is no UTF-8", {}, {"w/b\xe4.arc"}, {"w/b\xe4.arc"}},
      {"a subfolder that cannot be listed",
       {},
       {"w/a.arc", "w/locked/b.arc"},
       {},
       {"w"},
       "w/locked"},
  };
  const mode_t mask = ::umask(022);  // so that nobody can read what root makes
  for (const WalkCase& c : cases) {
    SCOPED_TRACE(c.name);
    TempDir dir;
    const std::string root = dir.Path().string() + "/";
    for (const std::string& f : c.files) dir.Write(f, "1\ta\t1\tu\n");
    for (const auto& [name, target] : c.links) std::filesystem::create_symlink(target, root + name);
    if (!c.unlistable.empty()) ::chmod((root + c.unlistable).c_str(), 0);
    std::vector<std::string> given;
    for (const std::string& g : c.given) given.push_back(root + g);
    const ExpandedInputs out = ExpandInChild(given);
    if (!c.unlistable.empty()) ::chmod((root + c.unlistable).c_str(), 0700);
    EXPECT_EQ(out.error,
              c.unlistable.empty() ? "" : "cannot list the folder '" + root + c.unlistable + "'");
    std::vector<std::string> paths;
    for (const std::string& p : out.paths) paths.push_back(p.substr(root.size()));
    EXPECT_EQ(paths, c.unlistable.empty() ? c.paths : paths);
  }
  ::umask(mask);
}
#endif

}  // namespace
}  // namespace parvex
