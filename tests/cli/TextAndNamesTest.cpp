// Every edge where bytes meet a person gives the same text: the windows'
// fields and paths, the command line's arguments and messages, the web page
// and JSON reports. One table of odd bytes goes through all of them.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <sstream>

#include "cli/CliText.h"
#include "engine/list/DifferenceList.h"
#include "reports/layouts/JsonReport.h"
#include "reports/layouts/TextForPeople.h"
#include "reports/page/Report.h"
#include "support/TestSupport.h"
#include "ui/common/CodePage.h"

namespace parvex::test {
namespace {

struct TextCase {
  std::string bytes;
  std::string shown;  // as UTF-8
};

const TextCase kCases[] = {
    {"plain", "plain"},
    {"caf\xc3\xa9", "caf\xc3\xa9"},          // UTF-8 stays
    {"caf\xe9", "caf\xc3\xa9"},              // a Latin-1 byte
    {"\x80 \x9f", "\xe2\x82\xac \xc5\xb8"},  // the code page's own range
    {"\x81\x8d\x8f\x90\x9d", "\xc2\x81\xc2\x8d\xc2\x8f\xc2\x90\xc2\x9d"},  // unassigned: kept
    {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                  // an overlong form is no UTF-8
    {"\xe0\x80\xaf", "\xc3\xa0\xe2\x82\xac\xc2\xaf"},  // nor a three-byte one
    {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},  // nor is a surrogate
    {"\xf4\x90\x80\x80", "\xc3\xb4\xc2\x90\xe2\x82\xac\xe2\x82\xac"},  // nor beyond U+10FFFF
    {"\xf0\x9f\x94\x92", "\xf0\x9f\x94\x92"},                          // four bytes
    {"\xe2\x82", "\xc3\xa2\xe2\x80\x9a"},                              // a cut sequence
    {"x\xe2\x82\xac\xff", "x\xc3\xa2\xe2\x80\x9a\xc2\xac\xc3\xbf"},    // one bad byte decides
    {"\xef\xbb\xbf"
     "a",
     "\xef\xbb\xbf"
     "a"},  // a byte order mark stays
    {"\xef\xbf\xbe"
     "a",
     "\xef\xbf\xbe"
     "a"},  // so does U+FFFE
};

std::string JsonDescription(const std::string& bytes) {
  DifferenceList list;
  list.Append(Row("1.0", bytes, "1", "2", "u"));
  std::ostringstream out;
  WriteDifferencesJson(out, list, MakeReportTitles(false, "a", "b", "", ""), "today");
  return nlohmann::json::parse(out.str())["rows"][0]["description"].get<std::string>();
}

TEST(TextAndNames, EveryEdgeShowsBytesByTheOneRuleAndKeepsNames) {
  for (const TextCase& c : kCases) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(DisplayText(c.bytes), c.shown);
    EXPECT_EQ(FieldText(c.bytes).toUtf8().toStdString(), c.shown);
    EXPECT_EQ(HtmlText(c.bytes), c.shown);
    EXPECT_EQ(JsonDescription(c.bytes), c.shown);
#ifdef _WIN32
    // Messages go to the console as they are.
    EXPECT_EQ(ForPeople(c.bytes), c.bytes);
    // Names are UTF-8 there: only those keep their bytes.
    if (!IsValidUtf8(c.bytes)) continue;
#else
    EXPECT_EQ(ForPeople(c.bytes), c.shown);
#endif
    // A name keeps its bytes through a window's field and the command line.
    EXPECT_EQ(PathBytes(PathText(c.bytes)), c.bytes);
    EXPECT_EQ(Bytes(PathText(c.bytes)), c.bytes);
#ifndef _WIN32
    std::string program = "parvex-cli";
    std::string name = c.bytes;
    char* argv[] = {program.data(), name.data()};
    const QStringList arguments = CommandLine(2, argv);
    ASSERT_EQ(arguments.size(), 2);
    EXPECT_EQ(arguments[1], PathText(c.bytes));
#endif
  }
}

}  // namespace
}  // namespace parvex::test
