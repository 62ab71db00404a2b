#include "engine/base/Path.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using namespace test;

TEST(GetPath, FolderOfAPath) {
  struct Case {
    std::string path;
    char separator;
    std::string folder;
  };
  const Case cases[] = {
      {R"(C:\Data\Machine\a.arc)", '\\', R"(C:\Data\Machine)"},
      {R"(C:\a.arc)", '\\', "C:"},
      {R"(C:\Data\)", '\\', R"(C:\Data)"},
      {R"(\\server\share\a.arc)", '\\', R"(\\server\share)"},
      {"a.arc", '\\', "a.arc"},
      {"C:/Data/a.arc", '\\', "C:/Data/a.arc"},  // only the separator given counts
      {"/home/eng/archives/a.arc", '/', "/home/eng/archives"},
      {"/a.arc", '/', ""},
      {"\\", '\\', ""},
  };
  RecordedErrors errors;
  for (const Case& c : cases) EXPECT_EQ(GetPath(c.path, c.separator), c.folder) << c.path;
  EXPECT_TRUE(errors.Shown().empty());
}

TEST(GetPath, FailuresGiveEmptyTextAndAreTold) {
  RecordedErrors errors;
  EXPECT_EQ(GetPath("", '\\'), "");
  // More pieces than the 16-bit loop counter can walk.
  EXPECT_EQ(GetPath(std::string(40000, '\\'), '\\'), "");
  ASSERT_EQ(errors.Shown().size(), 2U);
  EXPECT_EQ(errors.Shown()[0].prompt, "Error 9: Subscript out of range");
  EXPECT_EQ(errors.Shown()[0].caption, "Error While Getting Path");
  EXPECT_EQ(errors.Shown()[1].prompt, "Error 6: Overflow");
}

}  // namespace
}  // namespace parvex
