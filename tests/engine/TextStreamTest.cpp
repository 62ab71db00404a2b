#include <gtest/gtest.h>

#include "engine/base/Failure.h"
#include "engine/reading/TextStream.h"
#include "parvex/version.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::ReadBytes;
using test::RecordedErrors;
using test::ShownMessage;
using test::TempDir;

std::vector<std::string> ReadAll(const std::string& path) {
  auto stream = OpenTextStream(path, kOpenForReading);
  std::vector<std::string> lines;
  while (!stream->AtEndOfStream()) lines.emplace_back(stream->ReadLine());
  return lines;
}

TEST(TextStream, SplitsLinesAtLfAndCrLf) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const std::string big(600 * 1024, 'x');  // longer than the read buffer
  const Case cases[] = {
      {"", {}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"a", {"a"}},
      {"a\n", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\n\n\nb\n", {"a", "", "", "b"}},
      {"a\rb\n", {"a\rb"}},
      {"a\r", {"a\r"}},
      {std::string("n\0ul\n\xff\x80\n", 8), {std::string("n\0ul", 4), "\xff\x80"}},
      {big + "\r\n" + big, {big, big}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    const auto path = dir.Write("lines.txt", c.bytes);
    EXPECT_EQ(ReadAll(path), c.lines) << "input of " << c.bytes.size() << " bytes";
  }
}

TEST(TextStream, CrLfSplitAcrossBufferRefill) {
  TempDir dir;
  // Put the CR as the last byte of the first buffer fill.
  const std::string first(256 * 1024 - 1, 'y');
  const auto path = dir.Write("edge.txt", first + "\r\nz\n");
  EXPECT_EQ(ReadAll(path), (std::vector<std::string>{first, "z"}));
}

TEST(TextStream, WritesCrLfAndBytesUnchanged) {
  RecordedErrors errors;
  TempDir dir;
  const auto path = dir.Write("out.txt", "old content that must go");
  auto stream = OpenTextStream(path, kCreateForWriting);
  ASSERT_TRUE(stream);
  stream->WriteLine("first");
  stream->WriteLine("");
  stream->WriteLine("\x80\xff\x0c");
  stream->Close();
  EXPECT_EQ(ReadBytes(path), "first\r\n\r\n\x80\xff\x0c\r\n");
  EXPECT_TRUE(errors.Shown().empty());
}

TEST(OpenTextStream, MissingFilesAreToldAndGiveNoStream) {
  RecordedErrors errors;
  TempDir dir;
  const std::string missing[] = {"", dir.File("nope.txt"), dir.Path().string(), "/dev/null"};
  for (const auto& path : missing) {
    EXPECT_EQ(OpenTextStream(path, kOpenForReading), nullptr) << path;
  }
  ASSERT_EQ(errors.Shown().size(), 4U);
  EXPECT_EQ(errors.Shown()[0], (ShownMessage{"File '' does not exist.", build::kAppTitle, 48}));
  EXPECT_EQ(errors.Shown()[1].prompt, "File '" + dir.File("nope.txt") + "' does not exist.");
}

TEST(OpenTextStream, OtherModesGiveNoStream) {
  RecordedErrors errors;
  TempDir dir;
  const auto path = dir.Write("a.txt", "x");
  EXPECT_EQ(OpenTextStream(path, 0), nullptr);
  EXPECT_EQ(OpenTextStream(path, 3), nullptr);
  EXPECT_EQ(OpenTextStream(dir.File("missing"), 8), nullptr);
  EXPECT_TRUE(errors.Shown().empty());
  EXPECT_EQ(ReadBytes(path), "x");
}

TEST(OpenTextStream, CreateFailuresThrow) {
  RecordedErrors errors;
  TempDir dir;
  struct Case {
    std::string path;
    std::int32_t number;
  };
  const Case cases[] = {{dir.File("no/such/folder/r.txt"), kErrPathNotFound},
                        {dir.Path().string(), kErrFileAccess}};
  for (const Case& c : cases) {
    try {
      OpenTextStream(c.path, kCreateForWriting);
      ADD_FAILURE() << c.path;
    } catch (const Failure& f) {
      EXPECT_EQ(f.Number(), c.number) << c.path << ": " << f.Description();
    }
  }
  EXPECT_TRUE(errors.Shown().empty());
}

TEST(TextStream, ReadErrorThrows) {
  // A file the kernel lists as regular but refuses to read at offset 0.
  if (!FileExists("/proc/self/mem")) GTEST_SKIP() << "no /proc";
  RecordedErrors errors;
  auto stream = OpenTextStream("/proc/self/mem", kOpenForReading);
  ASSERT_TRUE(stream);
  EXPECT_THROW(stream->AtEndOfStream(), Failure);
}

TEST(TextStream, FullDiskIsReportedAtTheLatestOnClose) {
  const TempDir dir;
  const std::string full = test::DeviceForWriting(dir, test::kFullDevice, 7);
  if (full.empty() || !test::HasFullDevice()) GTEST_SKIP() << "no full device";
  TextStream stream(full, TextStream::Mode::Write);
  EXPECT_THROW(
      {
        for (int i = 0; i < 100000; ++i) stream.WriteLine("0123456789");
        stream.Close();
      },
      Failure);
}

}  // namespace
}  // namespace parvex
