// Reads of one file fail from a given byte on, as a disk or a network share
// may fail in the middle of a file. The comparisons must tell the failure
// after the lines read completely before it, and give the same whatever the
// read sizes. The test program is linked with fopen, fread, ferror and fclose
// wrapped, so that the files under test fail where the table says.

#include <cerrno>
#include <cstdio>
#include <mutex>

#include "engine/PairingCases.h"

namespace {

std::mutex gMutex;
std::string gFailingPath;      // reads of this file fail
std::size_t gFailingFrom = 0;  // from this byte on
struct Reading {
  std::size_t at = 0;
  bool failed = false;
};
std::map<std::FILE*, Reading> gReadings;  // of the failing file, as opened

}  // namespace

extern "C" {
std::FILE* __real_fopen(const char* path, const char* mode);
std::size_t __real_fread(void* into, std::size_t size, std::size_t count, std::FILE* file);
int __real_ferror(std::FILE* file);
int __real_fclose(std::FILE* file);

std::FILE* __wrap_fopen(const char* path, const char* mode) {
  std::FILE* file = __real_fopen(path, mode);
  const std::lock_guard<std::mutex> lock(gMutex);
  if (file != nullptr && gFailingPath == path) gReadings[file] = Reading{};
  return file;
}

std::size_t __wrap_fread(void* into, std::size_t size, std::size_t count, std::FILE* file) {
  std::unique_lock<std::mutex> lock(gMutex);
  const auto found = gReadings.find(file);
  if (found == gReadings.end() || size != 1) {
    lock.unlock();
    return __real_fread(into, size, count, file);
  }
  Reading& reading = found->second;
  if (reading.at >= gFailingFrom) {
    reading.failed = true;
    errno = EIO;
    return 0;
  }
  const std::size_t got = __real_fread(into, 1, std::min(count, gFailingFrom - reading.at), file);
  reading.at += got;
  return got;
}

int __wrap_ferror(std::FILE* file) {
  {
    const std::lock_guard<std::mutex> lock(gMutex);
    const auto found = gReadings.find(file);
    if (found != gReadings.end() && found->second.failed) return 1;
  }
  return __real_ferror(file);
}

int __wrap_fclose(std::FILE* file) {
  {
    const std::lock_guard<std::mutex> lock(gMutex);
    gReadings.erase(file);
  }
  return __real_fclose(file);
}
}

namespace parvex {
namespace {

using namespace test;

struct Outcome {
  std::vector<DifferenceRow> rows;
  std::string status;
  std::vector<std::string> messages;  // "caption: prompt", the prompt cut after its number
  PairingNotes notes{};
  friend bool operator==(const Outcome&, const Outcome&) = default;
};

void PrintTo(const Outcome& o, std::ostream* os) {
  *os << o.status << ", " << o.rows.size() << " rows";
  for (const auto& m : o.messages) *os << "; " << m;
  for (const auto& note : PairingNoteTexts(o.notes)) *os << "; " << note;
}

struct FailureCase {
  const char* name;
  std::string archive1;
  std::string archive2;
  bool failFirst;    // which archive fails to read
  std::size_t from;  // from this byte on
  bool byAddress;
  Outcome expected;
  friend void PrintTo(const FailureCase& c, std::ostream* os) { *os << c.name; }
};

const std::string kFailed = "Error While Comparing Archives: Error 57";

// Lines of eight bytes with their LF, so that a failure can be put anywhere.
std::string Lines(int count, char value) {
  std::string text;
  for (int i = 0; i < count; ++i) text += std::to_string(i % 10) + "\td\t" + value + "\tu\n";
  return text;
}

class ReadFailure : public ::testing::TestWithParam<FailureCase> {};

TEST_P(ReadFailure, IsToldAfterTheLinesReadBeforeIt) {
  const FailureCase& c = GetParam();
  TempDir dir;
  const std::string a = dir.Write("a", c.archive1);
  const std::string b = dir.Write("b", c.archive2);
  {
    const std::lock_guard<std::mutex> lock(gMutex);
    gFailingPath = c.failFirst ? a : b;
    gFailingFrom = c.from;
  }
  for (const ReadSizes& sizes :
       {ReadSizes{}, ReadSizes{1, 1}, ReadSizes{3, 2}, ReadSizes{8, 4096}, ReadSizes{64, 1}}) {
    SCOPED_TRACE("buffer " + std::to_string(sizes.buffer) + ", batch " +
                 std::to_string(sizes.batch));
    RecordedErrors errors;
    DifferenceList list;
    list.SetStatus("earlier");
    Outcome got{};
    CompareArchives(a, b, list, CompareOptions{c.byAddress, false}, &got.notes, sizes);
    got.rows = list.Rows();
    got.status = list.Status();
    for (const auto& m : errors.Shown()) {
      got.messages.push_back(m.caption + ": " + m.prompt.substr(0, m.prompt.find(':')));
    }
    EXPECT_EQ(got, c.expected);
  }
  const std::lock_guard<std::mutex> lock(gMutex);
  gFailingPath.clear();
}

const std::string kLine = "1\td\t5\tu\n";  // 8 bytes

// The rows of the first count lines of Lines(n, '1') against Lines(n, '2').
std::vector<DifferenceRow> RowsOfLines(int count) {
  std::vector<DifferenceRow> rows;
  for (int i = 0; i < count; ++i)
    rows.push_back(Row(std::to_string(i % 10) + ".0", "d", "1", "2", "u"));
  return rows;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ReadFailure,
    ::testing::Values(
        // The second archive ends before the line the failure is in: by
        // position that line is never needed; by address it is.
        FailureCase{"InALineNotNeeded", kLine + "2\td\t6\tu\n", kLine, true, 12, false,
                    Outcome{{}, "0 Difference(s)", {}, Unreadable(1, 0, 2)}},
        FailureCase{"InALineOfTheSecondNotNeeded", kLine, kLine + "2\td\t6\tu\n", false, 12, false,
                    Outcome{{}, "0 Difference(s)", {}, Unreadable(2, 0, 2)}},
        FailureCase{"AfterLinesNotNeeded", kLine, kLine + kLine + kLine + kLine, false, 20, false,
                    Outcome{{}, "0 Difference(s)", {}, Unreadable(2, 1, 2)}},
        FailureCase{"InALineNeededByAddress", kLine + "2\td\t6\tu\n", kLine, true, 12, true,
                    Outcome{{}, "earlier", {kFailed}}},
        // Right at a line end: the rows before it stay, the status does not come.
        FailureCase{"AtALineEndOfTheFirst", kLine + kLine, "1\td\t6\tu\n" + kLine, true, 8, false,
                    Outcome{{Row("1.0", "d", "5", "6", "u")}, "earlier", {kFailed}}},
        FailureCase{"AtALineEndOfTheSecond", "1\td\t6\tu\n" + kLine, kLine + kLine, false, 8, false,
                    Outcome{{Row("1.0", "d", "6", "5", "u")}, "earlier", {kFailed}}},
        FailureCase{"AtTheLastLineEnd", kLine, kLine, false, 8, false,
                    Outcome{{}, "earlier", {kFailed}}},
        // Far into the file, at the end of a read of the usual size: every
        // difference before it is a row.
        FailureCase{"AtTheEndOfAFullRead", Lines(20000, '1'), Lines(20000, '2'), true, 128 * 1024,
                    false, Outcome{RowsOfLines(128 * 1024 / 8), "earlier", {kFailed}}}),
    [](const auto& p) { return std::string(p.param.name); });

}  // namespace
}  // namespace parvex
