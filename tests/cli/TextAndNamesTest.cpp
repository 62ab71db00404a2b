// Every edge where bytes meet a person gives the same text: the windows'
// fields and paths, the command line's arguments and messages, the web page
// and JSON reports. One table of odd bytes (support/OddText.h) goes through
// all of them.

#include <nlohmann/json.hpp>

#include "cli/CliText.h"
#include "reports/layouts/JsonReport.h"
#include "reports/layouts/TextForPeople.h"
#include "reports/page/Report.h"
#include "support/OddText.h"
#include "support/TestSupport.h"
#include "ui/common/CodePage.h"
#include "ui/main/PrinterDestination.h"

namespace parvex::test {
namespace {

std::string JsonDescription(const std::string& bytes) {
  DifferenceList list;
  list.Append(Row("1.0", bytes, "1", "2", "u"));
  std::ostringstream out;
  WriteDifferencesJson(out, list, MakeReportTitles(false, "a", "b", "", ""), "today");
  return nlohmann::json::parse(out.str())["rows"][0]["description"].get<std::string>();
}

TEST(TextAndNames, EveryEdgeShowsBytesByTheOneRuleAndKeepsNames) {
  for (const OddText& c : OddTexts()) {
    SCOPED_TRACE(c.shown);
    EXPECT_EQ(DisplayText(c.bytes), c.shown);
    EXPECT_EQ(FieldText(c.bytes).toUtf8().toStdString(), c.shown);
    EXPECT_EQ(PrintedText(c.bytes).toUtf8().toStdString(), c.shown);
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
