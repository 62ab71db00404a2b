// The layouts beyond the page: the CSV matrix, JSON (validated against the
// published schemas by a validator from Debian's packages) and the web page.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "reference/ReferenceSupport.h"
#include "reports/HtmlReport.h"
#include "reports/JsonReport.h"
#include "reports/ReferenceCsv.h"
#include "reports/Report.h"
#include "reports/TextForPeople.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::FleetCases;
using test::L;
using test::RunFleet;
using test::TempDir;

int Validate(const std::string& schema, const std::vector<std::string>& files, std::string& said) {
  std::string command = std::string(PARVEX_PYTHON) + " " + PARVEX_SOURCE_DIR +
                        "/tests/reports/validate_json.py " + PARVEX_SOURCE_DIR + "/docs/schema/" +
                        schema;
  for (const std::string& f : files) command += " '" + f + "'";
  TempDir dir;
  command += " >" + dir.File("said") + " 2>&1";
  const int raw = std::system(command.c_str());
  said = test::ReadBytes(dir.File("said"));
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

TEST(JsonLayout, EveryCaseValidatesAgainstTheSchemas) {
  TempDir out;
  std::vector<std::string> references;
  std::vector<std::string> lists;
  for (const test::FleetCase& c : FleetCases()) {
    TempDir dir;
    const ReferenceResult result = RunFleet(dir, c.reference, c.archives, c.options);
    const std::string name = out.File("r" + std::to_string(references.size()) + ".json");
    std::ofstream(name, std::ios::binary) << [&] {
      std::ostringstream s;
      WriteReferenceJson(s, result);
      return s.str();
    }();
    references.push_back(name);

    // And each archive's list from the pair comparison by address.
    test::RecordedErrors errors;
    for (const test::FleetArchive& a : c.archives) {
      DifferenceList list;
      CompareArchives(dir.File("reference.arc"), dir.File(a.name), list, c.options.includeReadOnly,
                      CompareOptions{true, c.options.numbersByValue, c.options.rules.get()});
      const std::string listName = out.File("l" + std::to_string(lists.size()) + ".json");
      std::ofstream file(listName, std::ios::binary);
      WriteDifferencesJson(file, list, MakeReportTitles(false, "a", a.name, "", ""), "today");
      lists.push_back(listName);
    }
  }
  std::string said;
  EXPECT_EQ(Validate("reference-report.schema.json", references, said), 0) << said;
  EXPECT_EQ(Validate("differences-report.schema.json", lists, said), 0) << said;
  // The validator does reject: a list is no reference report.
  EXPECT_EQ(Validate("reference-report.schema.json", {lists.front()}, said), 1) << said;
}

TEST(JsonLayout, HoldsTheMatrixAndDecodesBytes) {
  TempDir dir;
  const ReferenceResult result =
      RunFleet(dir, L("1", "caf\xc3\xa9", "5") + L("2", "\xe9t\xe9", "6"),
               {{"m1", L("1", "x", "7")}, {"gone", "", false}}, {});
  std::ostringstream s;
  WriteReferenceJson(s, result);
  const std::string json = s.str();
  for (const char* piece :
       {"\"format\": 1",
        "\"columns\": "
        "[\n\t\t\"Address\",\n\t\t\"Description\",\n\t\t\"Units\",\n\t\t\"Reference\",\n\t\t\"m1\","
        "\n\t\t\"gone\"\n\t]",
        "{\"address\":\"1.0\",\"occurrence\":1,\"description\":\"caf\xc3\xa9\",\"units\":\"u\","
        "\"reference\":\"5\",\"cells\":[{\"value\":\"7\"},{\"unread\":true}]}",
        "{\"address\":\"2.0\",\"occurrence\":1,\"description\":\"\xc3\xa9t\xc3\xa9\",\"units\":"
        "\"u\","
        "\"reference\":\"6\",\"cells\":[{\"missing\":true},{\"unread\":true}]}"}) {
    EXPECT_NE(json.find(piece), std::string::npos) << piece << "\n" << json;
  }
}

// The JSON and web page layouts name the rules file and give what it removed,
// per archive in a reference report; without rules they say nothing of it.
TEST(Layouts, CarryTheRulesFileAndItsCounts) {
  const std::vector<test::FleetCase> cases = FleetCases();
  const auto withRules = std::find_if(cases.begin(), cases.end(), [](const test::FleetCase& c) {
    return c.options.rules != nullptr;
  });
  ASSERT_NE(withRules, cases.end());
  for (const bool rulesOn : {true, false}) {
    test::FleetCase c = *withRules;
    if (!rulesOn) c.options.rules = nullptr;
    TempDir dir;
    const ReferenceResult result = RunFleet(dir, c.reference, c.archives, c.options);
    test::RecordedErrors errors;
    DifferenceList list;
    CompareArchives(dir.File("reference.arc"), dir.File("m1"), list, false,
                    CompareOptions{true, false, c.options.rules.get()});
    const ReportTitles titles = MakeReportTitles(false, "a", "m1", "", "");
    std::ostringstream referenceJson, referenceHtml, listJson, listHtml;
    WriteReferenceJson(referenceJson, result);
    WriteReferenceHtml(referenceHtml, result, "today");
    WriteDifferencesJson(listJson, list, titles, "today");
    WriteDifferencesHtml(listHtml, list, titles, "today");
    const std::vector<std::pair<const std::ostringstream*, std::vector<std::string>>> pieces = {
        {&referenceJson,
         {"\"numbersByValue\": false,\n\t\t\t\"rules\": \"rules/fleet.toml\"",
          "\"extra\": 0,\n\t\t\t\"ignored\": 3,\n\t\t\t\"withinTolerance\": 1,",
          "\"extra\": 0,\n\t\t\t\"ignored\": 2,\n\t\t\t\"withinTolerance\": 0,"}},
        {&referenceHtml,
         {"<dt>Rules file</dt><dd>rules/fleet.toml</dd>", "<td colspan=\"7\">cannot be read",
          "<th>Extra</th><th>Ignored</th><th>Within tolerance</th><th>Deviations</th>",
          "<td class=\"num\">0</td><td class=\"num\">3</td><td class=\"num\">1</td><td>"}},
        {&listJson,
         {"\"rules\": {\n\t\t\"path\": \"rules/fleet.toml\",\n\t\t\"ignored\": 3,\n\t\t"
          "\"withinTolerance\": 1\n\t}"}},
        {&listHtml, {"<p>Rules file rules/fleet.toml: 3 ignored, 1 within tolerance</p>"}}};
    for (const auto& [out, wanted] : pieces) {
      const std::string text = out->str();
      for (const std::string& piece : wanted) {
        EXPECT_EQ(text.find(piece) != std::string::npos, rulesOn) << piece << "\n" << text;
      }
      EXPECT_EQ(text.find("olerance") != std::string::npos, rulesOn) << text;
    }
  }
}

TEST(TextForPeople, DecodesUtf8OrWindows1252AndEscapes) {
  const std::vector<std::pair<std::string, std::string>> display = {
      {"plain", "plain"},
      {"caf\xc3\xa9", "caf\xc3\xa9"},                    // UTF-8 stays
      {"caf\xe9", "caf\xc3\xa9"},                        // Latin-1 byte
      {"\x80 \x9f", "\xe2\x82\xac \xc5\xb8"},            // the code page's own range
      {"\x81\x8d", "\xc2\x81\xc2\x8d"},                  // unassigned bytes kept
      {"\xc0\xaf", "\xc3\x80\xc2\xaf"},                  // an overlong form is no UTF-8
      {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xe2\x82\xac"},  // nor is a surrogate
      {"\xf0\x9f\x94\x92", "\xf0\x9f\x94\x92"},          // four bytes
      {"\xe2\x82", "\xc3\xa2\xe2\x80\x9a"},              // a cut sequence
  };
  for (const auto& [bytes, text] : display) EXPECT_EQ(DisplayText(bytes), text) << bytes;
  EXPECT_EQ(HtmlText("<script>alert('x' & \"y\")</script>"),
            "&lt;script&gt;alert(&#39;x&#39; &amp; &quot;y&quot;)&lt;/script&gt;");
  EXPECT_EQ(HtmlText("\xe9<"), "\xc3\xa9&lt;");
}

TEST(ReferenceCsvLayout, QuotesEveryFieldAndChoosesByName) {
  TempDir dir;
  const ReferenceResult result =
      RunFleet(dir, L("1", "say \"hi\"", "a,b"), {{"m\"1", L("1", "d", "\"")}, {"m2", ""}}, {});
  std::ostringstream s;
  WriteReferenceCsv(s, result);
  EXPECT_EQ(s.str(),
            "\"Address\",\"Description\",\"Units\",\"Reference\",\"m\"\"1\",\"m2\"\r\n"
            "\"1.0\",\"say \"\"hi\"\"\",\"u\",\"a,b\",\"\"\"\",\"\"\r\n");
  const std::vector<std::pair<std::string, Layout>> names = {
      {"r.json", Layout::Json}, {"r.html", Layout::Html}, {"r.htm", Layout::Html},
      {"rjson", Layout::Json},  {"r.JSON", Layout::Csv},  {"r.txt", Layout::Csv},
      {"r.csv", Layout::Csv},   {"html.txt", Layout::Csv}};
  for (const auto& [name, layout] : names) {
    EXPECT_EQ(LayoutForName(name, Layout::Csv), layout) << name;
  }
}

TEST(HtmlLayout, EscapesEveryTextAndFetchesNothing) {
  TempDir dir;
  const std::string evil = "<script>alert(1)</script>";
  const ReferenceResult result =
      RunFleet(dir, L("1", evil, "<b>", "&amp;"), {{evil, L("1", "x", "<i>")}}, {});
  std::ostringstream s;
  WriteReferenceHtml(s, result, "<today>");
  const std::string html = s.str();
  // The page's own script is the only one.
  std::size_t scripts = 0;
  for (std::size_t at = 0; (at = html.find("<script", at)) != std::string::npos; ++at) ++scripts;
  EXPECT_EQ(scripts, 1U);
  for (const char* piece : {"&lt;script&gt;alert(1)&lt;/script&gt;", "&lt;b&gt;", "&lt;i&gt;",
                            "&amp;amp;", "&lt;today&gt;"}) {
    EXPECT_NE(html.find(piece), std::string::npos) << piece;
  }
  // Nothing is fetched: no address of any other place.
  EXPECT_FALSE(std::regex_search(html, std::regex(R"((src|href)=["'](?!data:))")));
  EXPECT_FALSE(std::regex_search(html, std::regex("https?:|//")));

  test::RecordedErrors errors;
  DifferenceList list;
  CompareArchives(dir.File("reference.arc"), dir.File(evil), list, false);
  std::ostringstream page;
  WriteDifferencesHtml(page, list, MakeReportTitles(false, evil, "b", "", ""), "now");
  EXPECT_EQ(page.str().find(evil), std::string::npos);
  EXPECT_NE(page.str().find("<td>&lt;b&gt;</td><td class=\"d\">&lt;i&gt;</td>"), std::string::npos);
}

}  // namespace
}  // namespace parvex
