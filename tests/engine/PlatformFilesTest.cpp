// What a person sees where Windows and POSIX file systems differ: folder
// separators, names outside the code page, line ends, files held by other
// programs, missing folders, read-only files and devices. Every row runs on
// both; where Windows must differ, the row says so and why.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>

#include "engine/base/Failure.h"
#include "engine/base/Path.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/reading/TextStream.h"
#include "parvex/version.h"
#include "support/TestSupport.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace parvex {
namespace {

namespace fs = std::filesystem;
using namespace test;

#ifdef _WIN32
constexpr bool kWindows = true;
constexpr const char* kDevice = "CON";  // reading it would wait for the keyboard
#else
constexpr bool kWindows = false;
constexpr const char* kDevice = "/dev/null";
#endif

// A path as the engine takes it: UTF-8 bytes on every platform.
std::string Bytes(const fs::path& path) {
  const std::u8string text = path.u8string();
  return {text.begin(), text.end()};
}

fs::path Named(const TempDir& dir, std::u8string_view name) {
  return dir.Path() / fs::path(name);
}

void WriteFile(const fs::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary)
      .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Another program holding the file as long as this object lives: on Windows
// opened without sharing, as editors and spreadsheets do; on POSIX under an
// exclusive lock, the strongest hold a program can take there.
class HeldByAnotherProgram {
 public:
  explicit HeldByAnotherProgram(const fs::path& path) {
#ifdef _WIN32
    handle_ = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_ATTRIBUTE_NORMAL, nullptr);
    held_ = handle_ != INVALID_HANDLE_VALUE;
#else
    fd_ = ::open(path.c_str(), O_RDWR);
    held_ = fd_ >= 0 && ::flock(fd_, LOCK_EX) == 0;
#endif
  }
  ~HeldByAnotherProgram() {
#ifdef _WIN32
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
#else
    if (fd_ >= 0) ::close(fd_);
#endif
  }
  HeldByAnotherProgram(const HeldByAnotherProgram&) = delete;
  HeldByAnotherProgram& operator=(const HeldByAnotherProgram&) = delete;
  bool Held() const {
    return held_;
  }

 private:
#ifdef _WIN32
  HANDLE handle_ = INVALID_HANDLE_VALUE;
#else
  int fd_ = -1;
#endif
  bool held_ = false;
};

// The messages shown, or else the list's status and its rows' values.
std::string Compared(const fs::path& archive1, const fs::path& archive2) {
  RecordedErrors errors;
  DifferenceList list;
  CompareArchives(Bytes(archive1), Bytes(archive2), list);
  std::string seen;
  for (const auto& shown : errors.Shown()) seen += shown.caption + ": " + shown.prompt;
  if (!seen.empty()) return seen;
  seen = list.Status();
  for (int i = 0; i < list.Count(); ++i) {
    const DifferenceRow& row = list.Row(i);
    seen += " [" + row.Text + " " + row.Value1() + " " + row.Value2() + "]";
  }
  return seen;
}

// Two lines saved as a report would be: the failure, or the bytes written.
std::string Saved(const fs::path& path) {
  RecordedErrors errors;
  try {
    const auto stream = OpenTextStream(Bytes(path), kCreateForWriting);
    stream->WriteLine("a");
    stream->WriteLine("b\x1a");
    stream->Close();
  } catch (const Failure& f) {
    return "Error " + std::to_string(f.Number()) + ": " + f.Description();
  }
  std::ifstream in(path, std::ios::binary);
  return "saved " + std::string(std::istreambuf_iterator<char>(in), {});
}

// True when this account may write a file that is marked read-only (root;
// Wine run by root, which keeps the mark as POSIX permissions).
bool AccountWritesReadOnlyFiles() {
  const TempDir dir;
  const fs::path probe = dir.Path() / "probe";
  WriteFile(probe, "");
  fs::permissions(probe, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                  fs::perm_options::remove);
  const bool writes = std::ofstream(probe, std::ios::binary | std::ios::app).is_open();
  fs::permissions(probe, fs::perms::owner_write, fs::perm_options::add);
  return writes;
}

struct Case {
  const char* what;
  std::function<std::string(const TempDir&)> act;
  std::string expected;
  std::string onWindows = "";  // when Windows must differ: what it shows there
  const char* why = "";
  std::string byAnAccountThatWritesAll = "";  // when that differs
};

const std::string kArchive1 = "1\td\t5\x1a\tu\r\n2\td\t6\tu\r\n";  // CR LF, a Ctrl-Z inside
const std::string kArchive2 = "1\td\t5\x1a\tu\n2\td\t7\tu\n";      // LF alone
const std::string kOneDifference = "1 Difference(s) [2.0 6 7]";
const std::string kSaved = "saved a\r\nb\x1a\r\n";
const char* kSeparators = "the folder separator is \\ on Windows and / elsewhere";

// Placeholders: {dir} the test's folder, {d} the same with a separator after
// it, {/} the platform's separator, {device} the platform's device, {app} the
// caption of messages.
std::string Expand(std::string text, const TempDir& dir) {
  const std::string separator = Bytes(fs::path("/").make_preferred());
  const std::pair<std::string, std::string> names[] = {{"{dir}", Bytes(dir.Path())},
                                                       {"{d}", Bytes(dir.Path()) + separator},
                                                       {"{/}", separator},
                                                       {"{device}", kDevice},
                                                       {"{app}", build::kAppTitle}};
  for (const auto& [name, value] : names) {
    for (std::size_t at = text.find(name); at != std::string::npos; at = text.find(name, at)) {
      text.replace(at, name.size(), value);
      at += value.size();
    }
  }
  return text;
}

// Outside every single-byte code page.
constexpr std::u8string_view kForeign = u8"\u03a9\u043c\u4e2d";

// The folder of a path takes the platform's separator (the rule itself is
// held in PathTest.cpp).
const Case kCases[] = {
    {"folder of a drive path", [](auto&) { return GetPath(R"(C:\Data\a.arc)"); },
     R"(C:\Data\a.arc)", R"(C:\Data)", kSeparators},
    {"folder of a POSIX path", [](auto&) { return GetPath("/home/eng/a.arc"); }, "/home/eng",
     "/home/eng/a.arc", kSeparators},
    {"archives named outside the code page, CR LF against LF",
     [](const TempDir& d) {
       const fs::path a = Named(d, std::u8string(kForeign) + u8"1.arc");
       const fs::path b = Named(d, std::u8string(kForeign) + u8"2.arc");
       WriteFile(a, kArchive1);
       WriteFile(b, kArchive2);
       return Compared(a, b);
     },
     kOneDifference},
    {"missing archive named outside the code page",
     [](const TempDir& d) {
       const fs::path a = Named(d, u8"a.arc");
       WriteFile(a, kArchive1);
       return Compared(a, Named(d, kForeign));
     },
     "{app}: File '{d}\u03a9\u043c\u4e2d' does not exist."},
    {"report named outside the code page, CR LF and bytes unchanged",
     [](const TempDir& d) { return Saved(Named(d, kForeign)); }, kSaved},
    {"read-only archive",
     [](const TempDir& d) {
       const fs::path a = Named(d, u8"a.arc");
       WriteFile(a, kArchive1);
       fs::permissions(a, fs::perms::owner_write, fs::perm_options::remove);
       const fs::path b = Named(d, u8"b.arc");
       WriteFile(b, kArchive2);
       const std::string seen = Compared(a, b);
       // Windows deletes no read-only file: make it writable so the folder can go.
       fs::permissions(a, fs::perms::owner_write, fs::perm_options::add);
       return seen;
     },
     kOneDifference},
    {"archive held open by another program",
     [](const TempDir& d) {
       const fs::path a = Named(d, u8"held.arc");
       WriteFile(a, kArchive1);
       const fs::path b = Named(d, u8"b.arc");
       WriteFile(b, kArchive2);
       const HeldByAnotherProgram holder(a);
       return holder.Held() ? Compared(a, b) : "not held";
     },
     kOneDifference,
     "Error While Comparing Archives: Error 70: Permission denied: '{d}held.arc' (Permission "
     "denied)",
     "Windows refuses a file whose holder shares it with nobody; POSIX locks bind only the "
     "programs that ask for them"},
    {"report over a file held open by another program",
     [](const TempDir& d) {
       const fs::path r = Named(d, u8"held.txt");
       WriteFile(r, "old");
       const HeldByAnotherProgram holder(r);
       return holder.Held() ? Saved(r) : "not held";
     },
     kSaved, "Error 70: Permission denied: '{d}held.txt' (Permission denied)",
     "as for an archive held open"},
    {"archive in a missing folder",
     [](const TempDir& d) {
       const fs::path b = Named(d, u8"b.arc");
       WriteFile(b, kArchive2);
       return Compared(Named(d, u8"gone/a.arc").make_preferred(), b);
     },
     "{app}: File '{d}gone{/}a.arc' does not exist."},
    {"report into a missing folder",
     [](const TempDir& d) { return Saved(Named(d, u8"gone/r.txt").make_preferred()); },
     "Error 76: Path not found: '{d}gone{/}r.txt' (No such file or directory)"},
    {"report onto a folder", [](const TempDir& d) { return Saved(d.Path()); },
     "Error 75: Path/File access error: '{dir}' (Is a directory)"},
    {"report over a read-only file",
     [](const TempDir& d) {
       const fs::path r = Named(d, u8"ro.txt");
       WriteFile(r, "old");
       fs::permissions(r, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write,
                       fs::perm_options::remove);
       const std::string seen = Saved(r);
       fs::permissions(r, fs::perms::owner_write, fs::perm_options::add);
       return seen;
     },
     "Error 70: Permission denied: '{d}ro.txt' (Permission denied)", "", "", kSaved},
    {"a device as an archive",
     [](const TempDir& d) {
       const fs::path b = Named(d, u8"b.arc");
       WriteFile(b, kArchive2);
       return Compared(kDevice, b);
     },
     "{app}: File '{device}' does not exist."},
};

TEST(PlatformFiles, SameMessagesAndNumbersOnWindowsAndPosix) {
  const bool writesAll = AccountWritesReadOnlyFiles();
  for (const Case& c : kCases) {
    const TempDir dir;
    std::string expected = kWindows && !c.onWindows.empty() ? c.onWindows : c.expected;
    if (writesAll && !c.byAnAccountThatWritesAll.empty()) expected = c.byAnAccountThatWritesAll;
    EXPECT_EQ(c.act(dir), Expand(expected, dir))
        << c.what << (kWindows && *c.why ? std::string(": ") + c.why : "");
  }
}

}  // namespace
}  // namespace parvex
