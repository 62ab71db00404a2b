// The one writer of every file, against what a target can be on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>

#include "support/TestSupport.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using namespace test;

mode_t TypeOf(const std::string& path) {
  struct stat st {};
  ::lstat(path.c_str(), &st);
  return st.st_mode;
}

// What the command line's -o meets (tests/cli/OutputTargetsTest.cpp) is not
// repeated here: a chain of links, what is there while the file is written,
// and a pipe that takes more than its buffer holds.
TEST(OutputFile, ThroughLinksWithOnlyAHiddenTemporaryWhileWritten) {
  TempDir dir;
  const std::string real = dir.Write("sub/deep.txt", "old");
  fs::create_symlink(real, dir.File("sub/hop"));
  fs::create_symlink("sub/hop", dir.File("twice"));
  {
    OutputFile file(dir.File("twice"));
    file.Write("new report\r\n");
    const auto temporaries = WriterTemporaries(dir);
    ASSERT_EQ(temporaries.size(), 1U);
    EXPECT_EQ(temporaries[0][0], '.');
    EXPECT_EQ(ReadBytes(real), "old");
    file.Commit();
  }
  EXPECT_EQ(ReadBytes(real), "new report\r\n");
  EXPECT_TRUE(S_ISLNK(TypeOf(dir.File("twice"))));
  EXPECT_TRUE(WriterTemporaries(dir).empty());
}

TEST(OutputFile, APipeGetsEveryByte) {
  TempDir dir;
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = test::ReadPipeWithin(pipe, 20); });
  {
    OutputFile file(pipe);
    file.Write(std::string(200000, 'x'));
    file.Commit();
  }
  reader.join();
  EXPECT_EQ(got, std::string(200000, 'x'));
  EXPECT_TRUE(S_ISFIFO(TypeOf(pipe)));
  EXPECT_TRUE(WriterTemporaries(dir).empty());
}

TEST(OutputFile, AFailureLeavesTheOldFileWhole) {
  TempDir dir;
  const std::string target = dir.Write("report.csv", "old report");
  {
    OutputFile file(target);
    file.Write("half of a new one");
    // Ends without Commit, as a report that fails part-way does.
  }
  EXPECT_EQ(ReadBytes(target), "old report");
  EXPECT_TRUE(WriterTemporaries(dir).empty());
  // A folder that cannot be written to: the target is told, the old file kept.
  if (::geteuid() != 0) {
    ::chmod(dir.Path().c_str(), 0500);
    EXPECT_THROW(OutputFile{target}, Failure);
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(ReadBytes(target), "old report");
  }
}

// Hard links and the refusal's message are held by the command line's tests.
TEST(OutputFile, InputsAreKnownByTheFileNotTheName) {
  TempDir dir;
  const std::string input = dir.Write("a.arc", "1\tx\t1\t\r\n");
  const std::vector<std::string> inputs{dir.Write("b.arc", "1\tx\t1\t\r\n"), input};
  fs::create_symlink("a.arc", dir.File("soft.arc"));
  fs::create_directories(dir.File("sub"));
  for (const std::string& same : {dir.File("soft.arc"), dir.File("./sub/../a.arc")}) {
    EXPECT_EQ(InputAt(same, inputs), input) << same;
  }
  EXPECT_EQ(InputAt(dir.File("c.csv"), inputs), std::nullopt);
}

// Interrupted while a report is written, the program removes its temporary
// file and ends as the signal ends it (status 130 or 143 in a shell).
TEST(OutputFile, InterruptedWritesLeaveNothingBehind) {
  for (const int signal : {SIGINT, SIGTERM}) {
    TempDir dir;
    const std::string target = dir.Write("report.txt", "old report");
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(signal, SIG_DFL);
      OutputFile file(target);
      file.Write(std::string(100000, 'x'));
      ::kill(::getpid(), signal);
      ::_exit(0);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << signal;
    EXPECT_EQ(ReadBytes(target), "old report");
    EXPECT_TRUE(WriterTemporaries(dir).empty()) << signal;
  }
}

}  // namespace
}  // namespace parvex
