// The layouts beyond the page: the CSV matrix, JSON (validated against the
// published schemas by a validator from Debian's packages) and the web page.
#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include <regex>

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

using namespace test;
using json = nlohmann::json;

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
      test::FleetOptions());
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

// The JSON of a list whose comparison failed part-way, which says so.
std::string FailedListJson(const TempDir& out) {
  DifferenceList list;
  list.Clear();
  list.SetFailure({"Error While Comparing Archives", "Error 6: Overflow"});
  const std::string name = out.File("failed.json");
  std::ofstream file(name, std::ios::binary);
  WriteDifferencesJson(file, list, MakeReportTitles(false, "a", "b", "", ""), "today");
  return name;
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
      CompareOptions pair = c.options;
      pair.MatchByAddress = true;
      pair.CompareUnits = false;
      CompareArchives(dir.File("reference.arc"), dir.File(a.name), list, pair);
      const std::string listName = out.File("l" + std::to_string(lists.size()) + ".json");
      std::ofstream file(listName, std::ios::binary);
      WriteDifferencesJson(file, list, MakeReportTitles(false, "a", a.name, "", ""), "today");
      lists.push_back(listName);
    }
  }
  lists.push_back(FailedListJson(out));
  TempDir dir;
  const std::string marked = Written(WriteReferenceJson, MarkedFleet(dir));
  references.push_back(dir.Write("marked.json", marked));
  std::string said;
  EXPECT_EQ(Validate("reference-report.schema.json", references, said), 0) << said;
  EXPECT_EQ(Validate("differences-report.schema.json", lists, said), 0) << said;

  // The schema rejects what a reader must never meet: a list is no reference
  // report, an extra mark outside a row the reference lacks, a missing line or
  // an unmarked value in such a row, empty notes, a verdict of other members.
  const std::vector<std::pair<const char*, json>> mutants = {
      {"/rows/0/cells/1", json{{"value", "\""}, {"extra", true}}},
      {"/rows/1/cells/1", json{{"missing", true}}},
      {"/rows/1/cells/0", json{{"value", "9"}}},
      {"/archives/0/notes", json::array()},
      {"/verdict/equal", 1}};
  std::vector<std::string> rejected = {lists.front()};
  for (const auto& [where, value] : mutants) {
    json doc = json::parse(marked);
    doc[json::json_pointer(where)] = value;
    rejected.push_back(dir.Write("m" + std::to_string(rejected.size()) + ".json", doc.dump()));
  }
  EXPECT_EQ(Validate("reference-report.schema.json", rejected, said), 1) << said;
  for (const std::string& file : rejected) {
    EXPECT_NE(said.find(file + ": "), std::string::npos) << file << " passed\n" << said;
  }
}

TEST(JsonLayout, HoldsTheVerdictTheMatrixAndItsMarksAndDecodesBytes) {
  TempDir dir;
  const json doc = json::parse(Written(WriteReferenceJson, MarkedFleet(dir)));
  EXPECT_EQ(
      doc["verdict"],
      (json{{"archives", 4},
            {"deviating", 2},
            {"notRead", 1},
            {"skipped", 1},
            {"text", "2 of 4 archives deviate from the reference, 1 not read, 1 file skipped"}}));
  EXPECT_EQ(doc["skipped"], json::parse(R"(["README.txt"])"));
  EXPECT_EQ(doc["archives"][0]["messages"], json::array());
  EXPECT_EQ(doc["archives"][0]["notes"],
            json::parse(R"(["m1 ends without a line end after line 4"])"));
  EXPECT_EQ(doc["columns"], json::parse(R"(["Address", "Description", "Units", "Reference",
                                            "m1", "m\"2", "gone", "m4"])"));
  // Descriptions in UTF-8 and in Windows-1252 both arrive as UTF-8.
  EXPECT_EQ(doc["rows"], json::parse("["
                                     R"(
      {"address":"1.0","occurrence":1,"description":"say \"hi\"","units":"u",
       "reference":"a,b","cells":[null,{"value":"\""},{"unread":true},null]},
      {"address":"9.1","occurrence":1,"description":"x","units":"u","reference":null,
       "cells":[{"value":"9","extra":true},null,{"unread":true},null]},
      {"address":"13.2","occurrence":1,"description":"caf\u00e9","units":"mm/min",
       "reference":"2000","cells":[{"value":"2000","units":"mm/s"},null,{"unread":true},null]},
      {"address":"3.0","occurrence":1,"description":"\u00e9t\u00e9","units":"u",
       "reference":"7","cells":[null,{"missing":true},{"unread":true},null]}]
  )"));
}

// The JSON and web page layouts name the rules file and give what it removed,
// per archive in a reference report; without rules they say nothing of it.
TEST(Layouts, CarryTheRulesFileAndItsCounts) {
  const std::vector<test::FleetCase> cases = FleetCases();
  const auto withRules = std::find_if(cases.begin(), cases.end(), [](const test::FleetCase& c) {
    return c.options.AppliedRules != nullptr;
  });
  ASSERT_NE(withRules, cases.end());
  for (const bool rulesOn : {true, false}) {
    test::FleetCase c = *withRules;
    if (!rulesOn) c.options.AppliedRules = nullptr;
    TempDir dir;
    const ReferenceResult result = RunFleet(dir, c.reference, c.archives, c.options);
    test::RecordedErrors errors;
    DifferenceList list;
    CompareArchives(dir.File("reference.arc"), dir.File("m1"), list,
                    CompareOptions{true, false, c.options.AppliedRules});
    const ReportTitles titles = MakeReportTitles(false, "a", "m1", "", "");
    std::ostringstream referenceJson, referenceHtml, listJson, listHtml;
    WriteReferenceJson(referenceJson, result);
    WriteReferenceHtml(referenceHtml, result, "today");
    WriteDifferencesJson(listJson, list, titles, "today");
    WriteDifferencesHtml(listHtml, list, titles, "today");
    const json reference = json::parse(referenceJson.str());
    const json pair = json::parse(listJson.str());
    EXPECT_EQ(reference["inputs"]["options"].value("rules", ""), rulesOn ? "rules/fleet.toml" : "");
    std::vector<std::pair<int, int>> removed;  // ignored and within tolerance, per archive
    for (const json& a : reference["archives"]) {
      if (a.contains("ignored")) removed.emplace_back(a["ignored"], a["withinTolerance"]);
    }
    EXPECT_EQ(removed, (rulesOn ? std::vector<std::pair<int, int>>{{3, 1}, {2, 0}, {0, 0}}
                                : std::vector<std::pair<int, int>>{}));
    const json rules = {{"path", "rules/fleet.toml"}, {"ignored", 3}, {"withinTolerance", 1}};
    EXPECT_EQ(pair.value("rules", json()), rulesOn ? rules : json());
    const std::vector<std::pair<const std::ostringstream*, std::vector<std::string>>> pieces = {
        {&referenceHtml,
         {"<dt>Rules file</dt><dd>rules/fleet.toml</dd>", "<td colspan=\"7\">cannot be read",
          "<th data-key=\"extra\">Extra</th><th data-key=\"ignored\">Ignored</th><th "
          "data-key=\"tolerated\">Within tolerance</th><th data-key=\"deviations\">",
          "<td class=\"num\">0</td><td class=\"num\">3</td><td class=\"num\">1</td><td>"}},
        {&listHtml, {"<p>Rules file rules/fleet.toml: 3 ignored, 1 within tolerance</p>"}}};
    for (const auto& [out, wanted] : pieces) {
      const std::string text = out->str();
      for (const std::string& piece : wanted) {
        EXPECT_EQ(text.find(piece) != std::string::npos, rulesOn) << piece << "\n" << text;
      }
      EXPECT_EQ(text.find("olerance") != std::string::npos, rulesOn) << text;
    }
    EXPECT_EQ(listJson.str().find("olerance") != std::string::npos, rulesOn);
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

// An empty cell equals the reference, so an unread archive's cells must not
// be empty; a line the reference lacks shows its value alone.
TEST(ReferenceCsvLayout, QuotesEveryFieldAndMarksEveryCell) {
  TempDir dir;
  EXPECT_EQ(
      Written(WriteReferenceCsv, MarkedFleet(dir)),
      "\"Address\",\"Description\",\"Units\",\"Reference\",\"m1\",\"m\"\"2\",\"gone\",\"m4\"\r\n"
      "\"1.0\",\"say \"\"hi\"\"\",\"u\",\"a,b\",\"\",\"\"\"\",\"(not read)\",\"\"\r\n"
      "\"9.1\",\"x\",\"u\",\"(missing)\",\"9\",\"\",\"(not read)\",\"\"\r\n"
      "\"13.2\",\"caf\xc3\xa9\",\"mm/min\",\"2000\",\"2000 [mm/s]\",\"\",\"(not read)\",\"\"\r\n"
      "\"3.0\",\"\xe9t\xe9\",\"u\",\"7\",\"\",\"(missing)\",\"(not read)\",\"\"\r\n");
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

// Each option line of the page and each option of the JSON layout follows
// its own option and no other: the options change one at a time.
TEST(Layouts, NameEachOptionFromItsOwnValue) {
  struct Case {
    bool readOnly;
    bool byValue;
    bool units;
  };
  for (const Case c : {Case{true, false, false}, Case{false, true, true}, Case{true, true, false},
                       Case{false, false, true}}) {
    ReferenceResult result;
    result.options.IncludeReadOnly = c.readOnly;
    result.options.NumbersByValue = c.byValue;
    result.options.CompareUnits = c.units;
    std::ostringstream page;
    WriteReferenceHtml(page, result, "today");
    const std::string html = page.str();
    const std::string what = std::to_string(c.readOnly) + std::to_string(c.byValue);
    EXPECT_NE(html.find(std::string("<dt>Read-only values</dt><dd>") +
                        (c.readOnly ? "included" : "left out") + "</dd>"),
              std::string::npos)
        << what;
    EXPECT_NE(html.find(std::string("<dt>Numbers</dt><dd>") +
                        (c.byValue ? "compared by value" : "compared as text") + "</dd>"),
              std::string::npos)
        << what;
    const json options = json::parse(Written(WriteReferenceJson, result))["inputs"]["options"];
    EXPECT_EQ(options["includeReadOnly"], c.readOnly) << what;
    EXPECT_EQ(options["numbersByValue"], c.byValue) << what;
  }
}

TEST(HtmlLayout, EscapesEveryTextAndFetchesNothing) {
  TempDir dir;
  const std::string evil = "<script>alert(1)</script>";
  ReferenceResult result = RunFleet(dir, L("1", evil, "<b>", "&amp;"), {{evil, L("1", "x", "<i>")}},
                                    test::FleetOptions());
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
  EXPECT_EQ(HtmlText("<'x' & \"y\">"), "&lt;&#39;x&#39; &amp; &quot;y&quot;&gt;");
  for (const char* piece : {"&lt;script&gt;alert(1)&lt;/script&gt;", "&lt;b&gt;", "&lt;i&gt;",
                            "&amp;amp;", "&lt;today&gt;"}) {
    EXPECT_NE(html.find(piece), std::string::npos) << piece;
  }
  // Nothing is fetched: no address of any other place.
  EXPECT_FALSE(std::regex_search(html, std::regex(R"((src|href)=["'](?!data:))")));
  EXPECT_FALSE(std::regex_search(html, std::regex("https?:|//")));

  test::RecordedErrors errors;
  DifferenceList list;
  CompareArchives(dir.File("reference.arc"), dir.File(evil), list);
  std::ostringstream page;
  WriteDifferencesHtml(page, list, MakeReportTitles(false, evil, "b", "", ""), "now");
  EXPECT_EQ(page.str().find(evil), std::string::npos);
  EXPECT_NE(page.str().find("<td>&lt;b&gt;</td><td class=\"d\">&lt;i&gt;</td>"), std::string::npos);
}

// Rows of one address are numbered by occurrence, counted from 1, the third
// and later too: in a reference that holds the address many times (compared
// through tables) and in one that holds it once (compared as read), and for
// an address that only the archive holds.
TEST(JsonLayout, NumbersEveryOccurrenceOfAnAddress) {
  const std::string seven = L("7", "a", "1");
  const std::string nine = L("9", "c", "1");
  for (const std::string& reference :
       {seven + L("7", "a", "2") + L("7", "a", "3") + L("7", "a", "4"), seven}) {
    TempDir dir;
    const ReferenceResult result =
        RunFleet(dir, reference,
                 {{"m1", seven + L("7", "a", "20") + L("7", "a", "30") + L("7", "a", "40") + seven +
                             nine + nine + nine}},
                 test::FleetOptions());
    const json doc = json::parse(Written(WriteReferenceJson, result));
    std::vector<std::string> occurrences;
    for (const json& row : doc["rows"]) {
      occurrences.push_back(row["address"].get<std::string>() + "#" +
                            std::to_string(row["occurrence"].get<int>()));
    }
    EXPECT_EQ(occurrences, test::Words("7.0#2 7.0#3 7.0#4 7.0#5 9.0#1 9.0#2 9.0#3")) << doc.dump();
  }
}

}  // namespace
}  // namespace parvex
