#include "reference/ReferenceSupport.h"

#include "reference/CompareWithReference.h"
#include "reference/Inputs.h"

namespace parvex::test {

std::vector<std::string> MatrixLines(const ReferenceResult& result) {
  std::vector<std::string> lines;
  for (const ReferenceRow& row : result.rows) {
    std::string line = row.address + "|" + row.description + "|" + row.units + "|" +
                       (row.inReference ? row.reference : std::string(kMissingText));
    for (std::uint32_t k = 0; k < result.archives.size(); ++k) {
      const ReferenceCell cell = result.Cell(row, k);
      switch (cell.kind) {
        case ReferenceCell::Kind::Same:
          line += "|";
          break;
        case ReferenceCell::Kind::Value:
          line += "|" + CellText(cell);
          break;
        case ReferenceCell::Kind::Missing:
          line += std::string("|") + kMissingText;
          break;
        case ReferenceCell::Kind::Unread:
          line += "|(unread)";
          break;
      }
    }
    lines.push_back(line);
  }
  return lines;
}

std::vector<std::string> SummaryLines(const ReferenceResult& result) {
  std::vector<std::string> lines;
  for (const ArchiveSummary& s : result.archives) {
    lines.push_back(s.name + " " + std::to_string(s.lines) + "/" + std::to_string(s.differ) + "/" +
                    std::to_string(s.missing) + "/" + std::to_string(s.extra) + " " +
                    (s.readable ? std::to_string(s.messages.size()) : "unreadable") +
                    (result.options.AppliedRules
                         ? " " + std::to_string(s.ignored) + "/" + std::to_string(s.tolerated)
                         : std::string()));
  }
  return lines;
}

ReferenceResult RunFleet(const TempDir& dir, const std::string& reference,
                         const std::vector<FleetArchive>& archives, CompareOptions options,
                         unsigned jobs, ReadSizes sizes, bool asRead) {
  ReferenceRequest request;
  request.reference = dir.Write("reference.arc", reference);
  for (const FleetArchive& a : archives) {
    request.archives.push_back(a.exists ? dir.Write(a.name, a.content) : dir.File(a.name));
  }
  request.names = ColumnNames(request.archives);
  request.options = options;
  request.jobs = jobs;
  request.sizes = sizes;
  request.asRead = asRead;
  return CompareWithReference(request);
}

CompareOptions FleetOptions(bool includeReadOnly, bool numbersByValue,
                            std::shared_ptr<const Rules> rules, bool units) {
  CompareOptions options;
  options.IncludeReadOnly = includeReadOnly;
  options.NumbersByValue = numbersByValue;
  options.AppliedRules = std::move(rules);
  options.CompareUnits = units;
  return options;
}

std::vector<FleetCase> FleetCases() {
  const std::string kAbc = L("1", "a", "5") + L("2", "b", "6") + L("3", "c", "7");
  const CompareOptions unitsExempt =
      FleetOptions(false, false, Rules::Parse("[units]\nignore = [\"13.*\"]\n", "u.toml"));
  return {FleetCase{"equal archives",
                    kAbc,
                    {{"m1", kAbc}, {"m2", kAbc}},
                    FleetOptions(),
                    {},
                    {"m1 3/0/0/0 0", "m2 3/0/0/0 0"}},
          FleetCase{"differing values",
                    kAbc,
                    {{"m1", L("1", "a", "5") + L("2", "b", "60") + L("3", "c", "7")},
                     {"m2", L("1", "a", "50") + L("2", "b", "6") + L("3", "c", "7")}},
                    FleetOptions(),
                    {"1.0|a|u|5||50", "2.0|b|u|6|60|"},
                    {"m1 3/1/0/0 0", "m2 3/1/0/0 0"}},
          FleetCase{
              "missing lines in the reference's order, extra ones after the line before them",
              L("2", "a", "1") + L("1", "b", "2") + L("3", "c", "3"),
              {{"m1", L("2", "a", "1") + L("3", "c", "3") + L("9.1", "x", "9") + L("-4", "y", "8")},
               {"m2", L("2", "a", "11") + L("1", "b", "2") + L("3", "c", "3") + L("9.1", "z", "7") +
                          L("5", "w", "6", "v")}},
              FleetOptions(),
              {"2.0|a|u|1||11", "1.0|b|u|2|(missing)|", "9.1|x|u|(missing)|9|7",
               "-4.0|y|u|(missing)|8|", "5.0|w|v|(missing)||6"},
              {"m1 4/0/1/2 0", "m2 5/1/0/2 0"}},
          FleetCase{
              "duplicated addresses pair by occurrence",
              L("7", "a", "1") + L("7", "a", "2") + L("8", "b", "3"),
              {{"m1", L("7", "a", "1") + L("7", "a", "20") + L("7", "a", "30") + L("8", "b", "3")},
               {"m2", L("7", "a", "1")}},
              FleetOptions(),
              {"7.0|a|u|2|20|(missing)", "7.0|a|u|(missing)|30|", "8.0|b|u|3||(missing)"},
              {"m1 4/1/0/1 0", "m2 1/0/2/0 0"}},
          FleetCase{"read-only lines take no part",
                    L("1", "!r", "5") + L("2", "b", "6"),
                    {{"m1", L("1", "r", "9") + L("2", "b", "6") + L("3", "!x", "1")},
                     {"m2", L("2", "b", "6") + L("3", "x", "2")}},
                    FleetOptions(),
                    {"3.0|x|u|(missing)||2"},
                    {"m1 3/0/0/0 0", "m2 2/0/0/1 0"}},
          FleetCase{"read-only lines included",
                    L("1", "!r", "5") + L("2", "b", "6"),
                    {{"m1", L("1", "r", "9") + L("2", "b", "6") + L("3", "!x", "1")},
                     {"m2", L("2", "b", "6") + L("3", "x", "2")}},
                    FleetOptions(true),
                    {"1.0|r|u|5|9|(missing)", "3.0|x|u|(missing)|1|2"},
                    {"m1 3/1/0/1 0", "m2 2/0/1/1 0"}},
          FleetCase{"numbers as bytes",
                    L("1", "a", "1500") + L("2", "b", "abc"),
                    {{"m1", L("1", "a", "1.5E3") + L("2", "b", "ABC")}},
                    FleetOptions(),
                    {"1.0|a|u|1500|1.5E3", "2.0|b|u|abc|ABC"},
                    {"m1 2/2/0/0 0"}},
          FleetCase{"numbers by value",
                    L("1", "a", "1500") + L("2", "b", "abc"),
                    {{"m1", L("1", "a", "1.5E3") + L("2", "b", "ABC")}},
                    FleetOptions(false, true),
                    {"2.0|b|u|abc|ABC"},
                    {"m1 2/1/0/0 0"}},
          FleetCase{"$ lines take no part",
                    L("1", "a", "5") + "$x\n" + L("2", "b", "6"),
                    {{"m1", "$\n" + L("1", "a", "5") + L("2", "b", "6") + "$$\n"},
                     {"m2", L("1", "a", "5") + L("2", "b", "7")}},
                    FleetOptions(),
                    {"2.0|b|u|6||7"},
                    {"m1 4/0/0/0 0", "m2 2/1/0/0 0"}},
          FleetCase{"a missing archive among good ones",
                    L("1", "a", "5"),
                    {{"m1", L("1", "a", "6")}, {"gone", "", false}, {"m3", L("1", "a", "5")}},
                    FleetOptions(),
                    {"1.0|a|u|5|6|(unread)|"},
                    {"m1 1/1/0/0 0", "gone 0/0/0/0 unreadable", "m3 1/0/0/0 0"}},
          FleetCase{"named files that are not archives are not read",
                    L("1", "a", "5") + L("2", "b", "6"),
                    {{"m1", L("1", "a", "5") + L("2", "b", "7")},
                     {"empty", ""},
                     {"text", "1. Read me first\nNo tabs\there\n"},
                     {"bin", L("1", "a", "5") + std::string("\0\x01", 2)}},
                    FleetOptions(),
                    {"2.0|b|u|6|7|(unread)|(unread)|(unread)"},
                    {"m1 2/1/0/0 0", "empty 0/0/0/0 unreadable", "text 0/0/0/0 unreadable",
                     "bin 0/0/0/0 unreadable"}},
          FleetCase{"rules ignore lines and tolerate values, counted per archive",
                    L("1", "a", "1.00") + L("2", "b", "6") + L("3", "Serial no", "A1") +
                        L("4", "d", "7") + L("5", "e", "x"),
                    {{"m1", L("1", "a", "1.01") + L("2", "b", "6") + L("3", "Serial no", "B2") +
                                L("5", "e", "y") + L("6", "SERIAL 2", "1")},
                     // Line 2 is ignored by the archive's description alone.
                     {"m2", L("1", "a", "1.0100001") + L("2", "SERIAL b", "60") +
                                L("3", "Serial no", "A1") + L("4", "d", "8") + L("5", "e", "x")},
                     {"gone", "", false}},
                    FleetOptions(false, false,
                                 Rules::Parse(R"([ignore]
addresses = ["4"]
descriptions = ["serial*"]
[[tolerance]]
addresses = ["1", "5"]
absolute = "0.01"
)",
                                              "rules/fleet.toml")),
                    {"1.0|a|u|1.00||1.0100001|(unread)", "5.0|e|u|x|y||(unread)"},
                    {"m1 5/1/0/0 0 3/1", "m2 5/1/0/0 0 2/0", "gone 0/0/0/0 unreadable 0/0"}},
          FleetCase{"units are judged: the same value in other units differs",
                    L("13.2", "s", "2000", "mm/min") + L("14", "t", "5", "s"),
                    {{"m1", L("13.2", "s", "2000", "mm/s") + L("14", "t", "6", "")},
                     {"m2", L("13.2", "s", "2000", "") + L("14", "t", "5", "s")},
                     {"m3", L("13.2", "s", "2000", "mm/min") + L("14", "t", "6", "s")}},
                    FleetOptions(),
                    {"13.2|s|mm/min|2000|2000 [mm/s]|2000 []|", "14.0|t|s|5|6 []||6"},
                    {"m1 2/2/0/0 0", "m2 2/1/0/0 0", "m3 2/1/0/0 0"}},
          FleetCase{"units exempted by the rules, or not judged at all",
                    L("13.2", "s", "2000", "mm/min") + L("14", "t", "5", "s"),
                    {{"m1", L("13.2", "s", "2000", "mm/s") + L("14", "t", "5", "")}},
                    unitsExempt,
                    {"14.0|t|s|5|5 []"},
                    {"m1 2/1/0/0 0 0/0"}},
          FleetCase{"a line that fails to split is told and kept as parsed",
                    L("1", "a", "5"),
                    {{"m1", "99999\tx\t1\tu\r\n" + L("1", "a", "5")}},
                    FleetOptions(),
                    {"0.0|||(missing)|"},
                    {"m1 2/0/0/1 1"}}};
}

}  // namespace parvex::test
