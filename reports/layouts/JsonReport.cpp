#include "reports/layouts/JsonReport.h"

#include <nlohmann/json.hpp>
#include <ostream>

#include "engine/list/DifferenceList.h"
#include "engine/values/Rules.h"
#include "reference/ReferenceResult.h"
#include "reports/layouts/ReferenceVerdict.h"
#include "reports/layouts/TextForPeople.h"
#include "reports/page/Report.h"

namespace parvex {

namespace {

using nlohmann::ordered_json;

ordered_json Text(const std::string& bytes) {
  return DisplayText(bytes);
}

ordered_json Summary(const ArchiveSummary& s, bool withRules) {
  ordered_json j;
  j["name"] = Text(s.name);
  j["path"] = Text(s.path);
  j["readable"] = s.readable;
  if (!s.readable) j["failure"] = Text(s.failure);
  j["lines"] = s.lines;
  j["differ"] = s.differ;
  j["missing"] = s.missing;
  j["extra"] = s.extra;
  if (withRules) {
    j["ignored"] = s.ignored;
    j["withinTolerance"] = s.tolerated;
  }
  ordered_json messages = ordered_json::array();
  for (const ReferenceMessage& m : s.messages) {
    messages.push_back({{"title", Text(m.title)}, {"text", Text(m.text)}});
  }
  j["messages"] = std::move(messages);
  if (!s.notes.empty()) {
    ordered_json notes = ordered_json::array();
    for (const std::string& note : s.notes) notes.push_back(Text(note));
    j["notes"] = std::move(notes);
  }
  return j;
}

ordered_json Cell(const ReferenceRow& row, const ReferenceCell& cell) {
  switch (cell.kind) {
    case ReferenceCell::Kind::Value: {
      ordered_json j = {{"value", Text(cell.value)}};
      if (cell.units) j["units"] = Text(*cell.units);
      if (!row.inReference) j["extra"] = true;
      return j;
    }
    case ReferenceCell::Kind::Missing:
      return {{"missing", true}};
    case ReferenceCell::Kind::Unread:
      return {{"unread", true}};
    default:
      return nullptr;
  }
}

ordered_json Verdict(const ReferenceResult& result) {
  const ReferenceVerdict v = VerdictOf(result);
  return {{"archives", v.archives},
          {"deviating", v.deviating},
          {"notRead", v.notRead},
          {"skipped", v.skipped},
          {"text", v.text}};
}

ordered_json Row(const ReferenceResult& result, const ReferenceRow& row) {
  ordered_json r;
  r["address"] = row.address;
  r["occurrence"] = row.occurrence + 1;
  r["description"] = Text(row.description);
  r["units"] = Text(row.units);
  r["reference"] = row.inReference ? Text(row.reference) : ordered_json(nullptr);
  ordered_json cells = ordered_json::array();
  ForEachCell(result, row,
              [&](std::uint32_t, const ReferenceCell& cell) { cells.push_back(Cell(row, cell)); });
  r["cells"] = std::move(cells);
  return r;
}

}  // namespace

void WriteReferenceJson(std::ostream& out, const ReferenceResult& result) {
  ordered_json doc;
  doc["format"] = kJsonFormat;
  doc["report"] = "reference";
  doc["verdict"] = Verdict(result);
  ordered_json archives = ordered_json::array();
  for (const ArchiveSummary& a : result.archives) archives.push_back(Text(a.path));
  ordered_json options = {{"includeReadOnly", result.options.IncludeReadOnly},
                          {"numbersByValue", result.options.NumbersByValue}};
  const bool withRules = result.options.AppliedRules != nullptr;
  if (withRules) options["rules"] = Text(result.options.AppliedRules->Path());
  doc["inputs"] = {{"reference", Text(result.reference.path)},
                   {"archives", std::move(archives)},
                   {"options", std::move(options)}};
  ordered_json skipped = ordered_json::array();
  for (const std::string& name : result.skipped) skipped.push_back(Text(name));
  doc["skipped"] = std::move(skipped);
  // The reference is compared with nothing: its counts stay out.
  doc["reference"] = Summary(result.reference, false);
  ordered_json summaries = ordered_json::array();
  for (const ArchiveSummary& a : result.archives) summaries.push_back(Summary(a, withRules));
  doc["archives"] = std::move(summaries);

  ordered_json columns = {"Address", "Description", "Units", "Reference"};
  for (const ArchiveSummary& a : result.archives) columns.push_back(Text(a.name));
  doc["columns"] = std::move(columns);
  doc["rows"] = ordered_json::array();
  // The rows are written one at a time, each on a line of its own, so that a
  // large matrix is never held twice.
  std::string head = doc.dump(1, '\t');
  head.resize(head.rfind("[]"));
  out << head << "[";
  const char* separator = "\n";
  for (const ReferenceRow& row : result.rows) {
    out << separator << "\t\t" << Row(result, row).dump();
    separator = ",\n";
  }
  out << (result.rows.empty() ? "]\n}\n" : "\n\t]\n}\n");
}

void WriteDifferencesJson(std::ostream& out, const DifferenceList& list, const ReportTitles& titles,
                          const std::string& date) {
  ordered_json doc;
  doc["format"] = kJsonFormat;
  doc["report"] = "differences";
  doc["created"] = Text(date);
  doc["titles"] = {Text(titles.Title1), Text(titles.Title2)};
  ordered_json columns = ordered_json::array();
  for (int c = 0; c < DifferenceList::kColumnCount; ++c)
    columns.push_back(Text(list.Column(c).Caption));
  doc["columns"] = std::move(columns);
  ordered_json rows = ordered_json::array();
  for (const DifferenceRow& row : list.Rows()) {
    rows.push_back({{"address", Text(row.Text)},
                    {"description", Text(row.SubItems[0])},
                    {"value1", Text(row.SubItems[1])},
                    {"value2", Text(row.SubItems[2])},
                    {"units", Text(row.SubItems[3])},
                    {"readOnly", row.Locked}});
  }
  doc["rows"] = std::move(rows);
  doc["status"] = Text(ReportedStatus(list));
  if (const auto& failure = list.Failed()) {
    doc["failure"] = {{"title", Text(failure->title)}, {"text", Text(failure->text)}};
    doc["incomplete"] = true;
  }
  if (const auto& rules = list.Rules()) {
    doc["rules"] = {{"path", Text(rules->path)},
                    {"ignored", rules->ignored},
                    {"withinTolerance", rules->tolerated}};
  }
  out << doc.dump(1, '\t') << "\n";
}

}  // namespace parvex
