// The layouts beyond the page: the CSV matrix, JSON (validated against the
// published schemas by a validator from Debian's packages) and the web page.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <fstream>
#include <regex>
#include <sstream>
#include <tuple>

#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "reference/ReferenceSupport.h"
#include "reports/layouts/HtmlReport.h"
#include "reports/layouts/JsonReport.h"
#include "reports/layouts/ReferenceCsv.h"
#include "reports/layouts/ReferenceVerdict.h"
#include "reports/layouts/TextForPeople.h"
#include "reports/page/Report.h"
#include "support/TestSupport.h"

namespace parvex {
namespace {

using test::FleetCases;
using test::L;
using test::RunFleet;
using test::TempDir;

int Validate(const std::string& schema, const std::vector<std::string>& files, std::string& said) {
  std::string command = std::string(PARVEX_PYTHON) + " " + PARVEX_SOURCE_DIR +
                        "/tests/reports/layouts/validate_json.py " + PARVEX_SOURCE_DIR +
                        "/docs/schema/" + schema;
  for (const std::string& f : files) command += " '" + f + "'";
  TempDir dir;
  command += " >" + dir.File("said") + " 2>&1";
  const int raw = std::system(command.c_str());
  said = test::ReadBytes(dir.File("said"));
  return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
}

// A fleet with every mark a cell or an archive can carry: units that differ,
// a line the reference lacks (in m1, after line 1), a missing line, an
// archive that cannot be read, an equal one, a note and a file skipped as no
// archive; descriptions in UTF-8 and in Windows-1252.
ReferenceResult MarkedFleet(const TempDir& dir) {
  const std::string units = L("13.2", "caf\xc3\xa9", "2000", "mm/min");
  const std::string last = L("3", "\xe9t\xe9", "7");
  const std::string reference = L("1", "say \"hi\"", "a,b") + units + last;
  ReferenceResult result = RunFleet(
      dir, reference,
      {{"m1", L("1", "d", "a,b") + L("9.1", "x", "9") + L("13.2", "s", "2000", "mm/s") + last},
       {"m\"2", L("1", "d", "\"") + units},
       {"gone", "", false},
       {"m4", reference}},
      {});
  result.archives[0].notes = {"m1 ends without a line end after line 4"};
  result.skipped = {"README.txt"};
  return result;
}

template <typename Write>
std::string Written(Write write, const ReferenceResult& result) {
  std::ostringstream s;
  write(s, result);
  return s.str();
}

TEST(JsonLayout, EveryCaseValidatesAgainstTheSchemas) {
  TempDir out;
  std::vector<std::string> references;
  std::vector<std::string> lists;
  for (const test::FleetCase& c : FleetCases()) {
    TempDir dir;
    const ReferenceResult result = RunFleet(dir, c.reference, c.archives, c.options);
    const std::string name = out.File("r" + std::to_string(references.size()) + ".json");
    std::ofstream(name, std::ios::binary) << Written(WriteReferenceJson, result);
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
  TempDir dir;
  const std::string marked = Written(WriteReferenceJson, MarkedFleet(dir));
  references.push_back(dir.Write("marked.json", marked));
  std::string said;
  EXPECT_EQ(Validate("reference-report.schema.json", references, said), 0) << said;
  EXPECT_EQ(Validate("differences-report.schema.json", lists, said), 0) << said;

  // The schema rejects what a reader must never meet: a list is no reference
  // report, an extra mark outside a row the reference lacks, a missing line or
  // an unmarked value in such a row, empty notes, a verdict of other members.
  const std::string extraRow = "\"reference\":null,\"cells\":[{\"value\":\"9\",\"extra\":true},";
  const std::vector<std::pair<std::string, std::string>> mutants = {
      {"{\"value\":\"\\\"\"}", "{\"value\":\"\\\"\",\"extra\":true}"},
      {extraRow + "null", extraRow + "{\"missing\":true}"},
      {extraRow, "\"reference\":null,\"cells\":[{\"value\":\"9\"},"},
      {"\"notes\": [\n\t\t\t\t\"m1 ends without a line end after line 4\"\n\t\t\t]",
       "\"notes\": []"},
      {"\"notRead\": 1,", "\"notRead\": 1, \"equal\": 1,"}};
  std::vector<std::string> rejected = {lists.front()};
  for (const auto& [from, to] : mutants) {
    std::string text = marked;
    const std::size_t at = text.find(from);
    ASSERT_NE(at, std::string::npos) << from << "\n" << marked;
    rejected.push_back(dir.Write("m" + std::to_string(rejected.size()) + ".json",
                                 text.replace(at, from.size(), to)));
  }
  EXPECT_EQ(Validate("reference-report.schema.json", rejected, said), 1) << said;
  for (const std::string& file : rejected) {
    EXPECT_NE(said.find(file + ": "), std::string::npos) << file << " passed\n" << said;
  }
}

TEST(JsonLayout, HoldsTheVerdictTheMatrixAndItsMarksAndDecodesBytes) {
  TempDir dir;
  const std::string json = Written(WriteReferenceJson, MarkedFleet(dir));
  const std::vector<std::string> rows = {
      R"({"address":"1.0","occurrence":1,"description":"say \"hi\"","units":"u",)"
      R"("reference":"a,b","cells":[null,{"value":"\""},{"unread":true},null]})",
      R"({"address":"9.1","occurrence":1,"description":"x","units":"u","reference":null,)"
      R"("cells":[{"value":"9","extra":true},null,{"unread":true},null]})",
      R"({"address":"13.2","occurrence":1,"description":")"
      "caf\xc3\xa9"
      R"(","units":"mm/min",)"
      R"("reference":"2000","cells":[{"value":"2000","units":"mm/s"},null,{"unread":true},null]})",
      R"({"address":"3.0","occurrence":1,"description":")"
      "\xc3\xa9t\xc3\xa9"
      R"(","units":"u",)"
      R"("reference":"7","cells":[null,{"missing":true},{"unread":true},null]})"};
  std::string matrix =
      "\"columns\": "
      "[\n\t\t\"Address\",\n\t\t\"Description\",\n\t\t\"Units\",\n\t\t\"Reference\",\n\t\t"
      "\"m1\",\n\t\t\"m\\\"2\",\n\t\t\"gone\",\n\t\t\"m4\"\n\t],\n\t\"rows\": [";
  for (const std::string& row : rows) matrix += (matrix.back() == '[' ? "\n\t\t" : ",\n\t\t") + row;
  for (const std::string& piece :
       {std::string("\"verdict\": {\n\t\t\"archives\": 4,\n\t\t\"deviating\": 2,\n\t\t\"notRead\": "
                    "1,\n\t\t\"skipped\": 1,\n\t\t\"text\": \"2 of 4 archives deviate from the "
                    "reference, 1 not read, 1 file skipped\"\n\t},"),
        std::string("\"skipped\": [\n\t\t\"README.txt\"\n\t],"),
        std::string("\"messages\": [],\n\t\t\t\"notes\": [\n\t\t\t\t\"m1 ends without a line end "
                    "after line 4\"\n\t\t\t]\n\t\t},"),
        matrix + "\n\t]\n}\n"}) {
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
          "<th data-key=\"extra\">Extra</th><th data-key=\"ignored\">Ignored</th><th "
          "data-key=\"tolerated\">Within tolerance</th><th data-key=\"deviations\">",
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

// Archives as letters: '=' equal, 'd' deviating, 'u' not read.
TEST(ReferenceVerdictText, CountsEachArchiveOnceAndSaysIt) {
  const std::vector<std::tuple<std::string, std::size_t, std::string>> cases = {
      {"==", 0, "All 2 archives equal the reference"},
      {"=", 1, "The archive equals the reference, 1 file skipped"},
      {"d==", 0, "1 of 3 archives deviates from the reference"},
      {"d", 0, "1 of 1 archive deviates from the reference"},
      {"=u", 2, "0 of 2 archives deviate from the reference, 1 not read, 2 files skipped"},
      {"ddu=u", 1, "2 of 5 archives deviate from the reference, 2 not read, 1 file skipped"},
      {"", 0, "No archives compared with the reference"}};
  for (const auto& [letters, skipped, text] : cases) {
    ReferenceResult result;
    for (const char letter : letters) {
      ArchiveSummary& a = result.archives.emplace_back();
      a.readable = letter != 'u';
      a.differ = letter == 'd' ? 1 : 0;
    }
    result.skipped.assign(skipped, "README.txt");
    EXPECT_EQ(VerdictOf(result).text, text) << letters;
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

// An empty cell equals the reference, so an unread archive's cells must not
// be empty; a line the reference lacks shows its value alone.
TEST(ReferenceCsvLayout, QuotesEveryFieldMarksEveryCellAndChoosesByName) {
  TempDir dir;
  EXPECT_EQ(
      Written(WriteReferenceCsv, MarkedFleet(dir)),
      "\"Address\",\"Description\",\"Units\",\"Reference\",\"m1\",\"m\"\"2\",\"gone\",\"m4\"\r\n"
      "\"1.0\",\"say \"\"hi\"\"\",\"u\",\"a,b\",\"\",\"\"\"\",\"(not read)\",\"\"\r\n"
      "\"9.1\",\"x\",\"u\",\"(missing)\",\"9\",\"\",\"(not read)\",\"\"\r\n"
      "\"13.2\",\"caf\xc3\xa9\",\"mm/min\",\"2000\",\"2000 [mm/s]\",\"\",\"(not read)\",\"\"\r\n"
      "\"3.0\",\"\xe9t\xe9\",\"u\",\"7\",\"\",\"(missing)\",\"(not read)\",\"\"\r\n");
  const std::vector<std::pair<std::string, Layout>> names = {
      {"r.json", Layout::Json}, {"r.html", Layout::Html}, {"r.htm", Layout::Html},
      {"rjson", Layout::Json},  {"r.JSON", Layout::Csv},  {"r.txt", Layout::Csv},
      {"r.csv", Layout::Csv},   {"html.txt", Layout::Csv}};
  for (const auto& [name, layout] : names) {
    EXPECT_EQ(LayoutForName(name, Layout::Csv), layout) << name;
  }
}

TEST(HtmlLayout, StatesTheVerdictAndMarksEveryArchiveAndCell) {
  TempDir dir;
  const std::string html = Written(
      [](std::ostream& out, const ReferenceResult& r) { WriteReferenceHtml(out, r, "today"); },
      MarkedFleet(dir));
  const auto row = [](const char* keys) { return std::string("<tr data-order=\"") + keys + "\">"; };
  for (const std::string& piece :
       {std::string("</h1>\n<p class=\"verdict\" id=\"verdict\">2 of 4 archives deviate from the "
                    "reference, 1 not read, 1 file skipped</p>\n<dl class=\"inputs\">"),
        std::string("<dt>Skipped, not archives</dt><dd>README.txt</dd>"),
        row("0\" data-verdict=\"1\" data-lines=\"4\" data-differ=\"1\" data-missing=\"0\" "
            "data-extra=\"1\" data-deviations=\"2") +
            "<td>m1</td><td class=\"v dev\">Deviates</td><td class=\"num\">4</td>",
        std::string("Note: m1 ends without a line end after line 4<br></td></tr>"),
        row("2\" data-verdict=\"2\" data-lines=\"-1\" data-differ=\"-1\" data-missing=\"-1\" "
            "data-extra=\"-1\" data-deviations=\"-1") +
            "<td>gone</td><td class=\"v unread\">Not read</td><td colspan=\"5\">cannot be read",
        row("3\" data-verdict=\"0\" data-lines=\"3\" data-differ=\"0\" data-missing=\"0\" "
            "data-extra=\"0\" data-deviations=\"0") +
            "<td>m4</td><td class=\"v eq\">Equal</td>",
        std::string("<td class=\"m\">(missing)</td><td class=\"x\" title=\"extra: the reference "
                    "lacks this line\">9</td><td></td><td class=\"u\">unread</td><td></td></tr>"),
        std::string("<td>2000</td><td class=\"d\">2000 <span class=\"units\" title=\"units differ "
                    "from the reference's\">[mm/s]</span></td><td></td>"),
        std::string(
            "<td>7</td><td></td><td class=\"m\">(missing)</td><td class=\"u\">unread</td>")}) {
    EXPECT_NE(html.find(piece), std::string::npos) << piece << "\n" << html;
  }
}

TEST(HtmlLayout, EscapesEveryTextAndFetchesNothing) {
  TempDir dir;
  const std::string evil = "<script>alert(1)</script>";
  ReferenceResult result =
      RunFleet(dir, L("1", evil, "<b>", "&amp;"), {{evil, L("1", "x", "<i>")}}, {});
  result.skipped = {evil};
  result.reference.notes = {evil};
  result.archives[0].notes = {evil};
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
