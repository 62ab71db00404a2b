// The one writer of every file, against what a target can be on Linux.
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <functional>
#include <thread>

#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

namespace fs = std::filesystem;
using test::ReadBytes;
using test::TempDir;

// The writer's temporary files in the folder and its subfolders.
std::vector<std::string> Temporaries(const TempDir& dir) {
  std::vector<std::string> found;
  for (const auto& entry : fs::recursive_directory_iterator(dir.Path())) {
    const std::string name = entry.path().filename().string();
    if (IsWriterTemporary(name)) found.push_back(name);
  }
  return found;
}

mode_t ModeOf(const std::string& path, bool follow = true) {
  struct stat st {};
  (follow ? ::stat(path.c_str(), &st) : ::lstat(path.c_str(), &st));
  return st.st_mode;
}

struct TargetCase {
  const char* name;
  // Makes the target in dir, returns the path to give the writer.
  std::function<std::string(const TempDir&)> make;
  // Where the bytes must end up (empty: they are not to be read back).
  std::function<std::string(const TempDir&)> landed;
  mode_t type;  // what the given path must still be afterwards (lstat)
  mode_t mode;  // the permission bits the file written must have, 0: any
};

TEST(OutputFile, EveryKindOfTarget) {
  const TargetCase cases[] = {
      {"a missing file", [](const TempDir& d) { return d.File("new.txt"); },
       [](const TempDir& d) { return d.File("new.txt"); }, S_IFREG, 0},
      {"a regular file of mode 640",
       [](const TempDir& d) {
         const std::string p = d.Write("old.txt", "old report");
         ::chmod(p.c_str(), 0640);
         return p;
       },
       [](const TempDir& d) { return d.File("old.txt"); }, S_IFREG, 0640},
      {"a symbolic link",
       [](const TempDir& d) {
         d.Write("sub/real.txt", "old");
         fs::create_symlink("sub/real.txt", d.File("link.txt"));
         return d.File("link.txt");
       },
       [](const TempDir& d) { return d.File("sub/real.txt"); }, S_IFLNK, 0},
      {"a link to a link to a file in another folder",
       [](const TempDir& d) {
         const std::string real = d.Write("sub/deep.txt", "old");
         fs::create_symlink(real, d.File("sub/hop"));
         fs::create_symlink("sub/hop", d.File("twice"));
         return d.File("twice");
       },
       [](const TempDir& d) { return d.File("sub/deep.txt"); }, S_IFLNK, 0},
      {"a dangling symbolic link",
       [](const TempDir& d) {
         fs::create_symlink("not-yet.txt", d.File("dangling"));
         return d.File("dangling");
       },
       [](const TempDir& d) { return d.File("not-yet.txt"); }, S_IFLNK, 0},
  };
  for (const TargetCase& c : cases) {
    TempDir dir;
    const std::string target = c.make(dir);
    {
      OutputFile file(target);
      file.Write("new report\r\n");
      // While it is written, only a hidden temporary file is there.
      const auto temporaries = Temporaries(dir);
      ASSERT_EQ(temporaries.size(), 1U) << c.name;
      EXPECT_EQ(temporaries[0][0], '.') << c.name;
      file.Commit();
    }
    EXPECT_EQ(ReadBytes(c.landed(dir)), "new report\r\n") << c.name;
    EXPECT_EQ(ModeOf(target, false) & S_IFMT, c.type) << c.name;
    if (c.mode != 0) {
      EXPECT_EQ(ModeOf(target) & 07777, c.mode) << c.name;
    }
    EXPECT_TRUE(Temporaries(dir).empty()) << c.name;
  }
}

TEST(OutputFile, DevicesAndPipesAreWrittenInPlace) {
  TempDir dir;
  // A device stays a device.
  const std::string null = test::DeviceForWriting(dir, "/dev/null", 3);
  if (!null.empty()) {
    OutputFile file(null);
    file.Write("gone");
    file.Commit();
    EXPECT_TRUE(S_ISCHR(ModeOf(null, false)));
  }
  // A full disk is told at the latest when the file is finished.
  if (const std::string full = test::DeviceForWriting(dir, "/dev/full", 7); !full.empty()) {
    try {
      OutputFile file(full);
      file.Write("no room");
      file.Commit();
      ADD_FAILURE() << "a write to a full device succeeded";
    } catch (const Failure& f) {
      EXPECT_EQ(f.Number(), kErrDiskFull) << f.Description();
    }
    EXPECT_TRUE(S_ISCHR(ModeOf(full, false)));
  }
  // A reader of a named pipe gets every byte.
  const std::string pipe = dir.File("pipe");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string got;
  std::thread reader([&] { got = ReadBytes(pipe); });
  {
    OutputFile file(pipe);
    file.Write(std::string(200000, 'x'));
    file.Commit();
  }
  reader.join();
  EXPECT_EQ(got, std::string(200000, 'x'));
  EXPECT_TRUE(S_ISFIFO(ModeOf(pipe, false)));
  // A folder is refused.
  EXPECT_THROW(OutputFile{dir.Path().string()}, Failure);
  EXPECT_TRUE(Temporaries(dir).empty());
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
  EXPECT_TRUE(Temporaries(dir).empty());
  // A folder that cannot be written to: the target is told, the old file kept.
  if (::geteuid() != 0) {
    ::chmod(dir.Path().c_str(), 0500);
    EXPECT_THROW(OutputFile{target}, Failure);
    ::chmod(dir.Path().c_str(), 0700);
    EXPECT_EQ(ReadBytes(target), "old report");
  }
}

TEST(OutputFile, InputsAreKnownByTheFileNotTheName) {
  TempDir dir;
  const std::string input = dir.Write("a.arc", "1\tx\t1\t\r\n");
  const std::string other = dir.Write("b.arc", "1\tx\t1\t\r\n");
  ASSERT_EQ(::link(input.c_str(), dir.File("hard.arc").c_str()), 0);
  fs::create_symlink("a.arc", dir.File("soft.arc"));
  const std::vector<std::string> inputs{other, input};
  for (const std::string& same :
       {input, dir.File("hard.arc"), dir.File("soft.arc"), dir.File("./sub/../a.arc")}) {
    fs::create_directories(dir.File("sub"));
    EXPECT_EQ(InputAt(same, inputs), input) << same;
  }
  EXPECT_EQ(InputAt(dir.File("c.csv"), inputs), std::nullopt);
  try {
    RefuseInputAsTarget(dir.File("hard.arc"), input);
  } catch (const Failure& f) {
    EXPECT_NE(f.Description().find(dir.File("hard.arc")), std::string::npos);
    EXPECT_NE(f.Description().find(input + "'"), std::string::npos);
  }
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
    EXPECT_TRUE(Temporaries(dir).empty()) << signal;
  }
}

}  // namespace
}  // namespace parvex
