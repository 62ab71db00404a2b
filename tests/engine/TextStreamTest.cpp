// Reading archives line by line. Reports are written by OutputFile, tested
// apart; TextStream's own write mode has no caller.

#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

TEST(TextStream, SplitsLinesAtLfAndCrLf) {
  struct Case {
    std::string bytes;
    std::vector<std::string> lines;
  };
  const std::string big(600 * 1024, 'x');  // longer than the read buffer
  // The CR as the last byte of a buffer fill, its LF in the next.
  const std::string edge(2 * TextStream::kDefaultBufferSize - 1, 'y');
  const Case cases[] = {
      {"", {}},
      {"\n", {""}},
      {"\r\n", {""}},
      {"a", {"a"}},
      {"a\r\nb\r\n", {"a", "b"}},
      {"a\nb", {"a", "b"}},
      {"a\n\n\nb\n", {"a", "", "", "b"}},
      {"a\rb\n", {"a\rb"}},
      {"a\r", {"a\r"}},
      {std::string("n\0ul\n\xff\x80\n", 8), {std::string("n\0ul", 4), "\xff\x80"}},
      {big + "\r\n" + big, {big, big}},
      {edge + "\r\nz\n", {edge, "z"}},
  };
  TempDir dir;
  for (const Case& c : cases) {
    auto stream = OpenTextStream(dir.Write("lines.txt", c.bytes), kOpenForReading);
    std::vector<std::string> lines;
    while (!stream->AtEndOfStream()) lines.emplace_back(stream->ReadLine());
    EXPECT_EQ(lines, c.lines) << "input of " << c.bytes.size() << " bytes";
  }
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
  EXPECT_EQ(errors.Shown()[2].prompt, "File '" + dir.Path().string() + "' does not exist.");
}

}  // namespace
}  // namespace parvex
