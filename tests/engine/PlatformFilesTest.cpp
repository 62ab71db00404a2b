// What a person sees where Windows and POSIX file systems differ: folder
// separators, names outside the code page, line ends, files held by other
// programs, missing folders, read-only files and devices. Every row runs on
// both; where Windows must differ, the row says so and why.

#include "engine/base/Path.h"
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

struct Case {
  const char* what;
  std::function<std::string(const TempDir&)> act;
  std::string expected;
  std::string onWindows = "";  // when Windows must differ: what it shows there
  const char* why = "";
};

const std::string kArchive1 = "1\td\t5\x1a\tu\r\n2\td\t6\tu\r\n";  // CR LF, a Ctrl-Z inside
const std::string kArchive2 = "1\td\t5\x1a\tu\n2\td\t7\tu\n";      // LF alone
const std::string kOneDifference = "1 Difference(s) [2.0 6 7]";
const char* kSeparators = "the folder separator is \\ on Windows and / elsewhere";

// Placeholders: {d} the test's folder with a separator after it, {/} the platform's separator,
// {device} the platform's device, {app} the caption of messages.
std::string Expand(std::string text, const TempDir& dir) {
  const std::string separator = Bytes(fs::path("/").make_preferred());
  const std::pair<std::string, std::string> names[] = {{"{d}", Bytes(dir.Path()) + separator},
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
    {"archive in a missing folder",
     [](const TempDir& d) {
       const fs::path b = Named(d, u8"b.arc");
       WriteFile(b, kArchive2);
       return Compared(Named(d, u8"gone/a.arc").make_preferred(), b);
     },
     "{app}: File '{d}gone{/}a.arc' does not exist."},
    {"a device as an archive",
     [](const TempDir& d) {
       const fs::path b = Named(d, u8"b.arc");
       WriteFile(b, kArchive2);
       return Compared(kDevice, b);
     },
     "{app}: File '{device}' does not exist."},
};

TEST(PlatformFiles, SameMessagesAndNumbersOnWindowsAndPosix) {
  for (const Case& c : kCases) {
    const TempDir dir;
    const std::string expected = kWindows && !c.onWindows.empty() ? c.onWindows : c.expected;
    EXPECT_EQ(c.act(dir), Expand(expected, dir))
        << c.what << (kWindows && *c.why ? std::string(": ") + c.why : "");
  }
}

}  // namespace
}  // namespace parvex
