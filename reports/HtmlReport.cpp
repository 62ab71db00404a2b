#include "reports/HtmlReport.h"

#include <algorithm>
#include <ostream>

#include "engine/list/DifferenceList.h"
#include "engine/values/Rules.h"
#include "reference/ReferenceResult.h"
#include "reports/Report.h"
#include "reports/TextForPeople.h"

namespace parvex {

namespace {

// Nothing may leave the page: the policy forbids every request, and the
// empty icon keeps a browser from asking for one.
constexpr const char* kHead = R"(<!DOCTYPE html>
<html lang="en">
<head>
<meta charset="utf-8">
<meta http-equiv="Content-Security-Policy" content="default-src 'none'; style-src 'unsafe-inline'; script-src 'unsafe-inline'; img-src data:">
<meta name="viewport" content="width=device-width, initial-scale=1">
<link rel="icon" href="data:,">
<title>)";

constexpr const char* kStyle = R"(</title>
<style>
body { font: 14px/1.4 system-ui, sans-serif; margin: 1em; color: #111; background: #fff; }
h1 { font-size: 1.3em; margin: 0 0 .5em; }
h2 { font-size: 1.1em; margin: 1.2em 0 .4em; }
table { border-collapse: separate; border-spacing: 0; }
th, td { border-bottom: 1px solid #ccc; border-right: 1px solid #eee; padding: 2px 6px;
         text-align: left; vertical-align: top; white-space: pre-wrap; }
th { background: #e8eaf0; }
dl.inputs { display: grid; grid-template-columns: max-content auto; gap: 2px 1em; }
dl.inputs dt { font-weight: bold; }
dl.inputs dd { margin: 0; }
td.num { text-align: right; font-variant-numeric: tabular-nums; }
.bar { display: inline-block; height: .8em; background: #b03030; vertical-align: middle; }
.none { color: #666; }
.scroll { overflow: auto; max-height: 80vh; border: 1px solid #ccc; }
table.matrix thead th { position: sticky; top: 0; z-index: 2; }
table.matrix .a { position: sticky; left: 0; min-width: 6em; max-width: 6em; z-index: 1;
                  background: #fff; }
table.matrix .t { position: sticky; left: calc(6em + 12px); z-index: 1; background: #fff;
                  min-width: 12em; }
table.matrix thead .a, table.matrix thead .t { z-index: 3; background: #e8eaf0; }
td.d { background: #fde2e2; font-weight: bold; }
td.d::before { content: "\2260\00a0"; color: #b03030; }
td.m { background: #fff2cc; font-style: italic; }
td.m::before { content: "\2205\00a0"; }
td.u { color: #666; }
.ro::after { content: " \1F512"; }
#filter { margin: .5em 0; padding: 2px 4px; width: 20em; }
@media print {
  .scroll { overflow: visible; max-height: none; border: 0; }
  table.matrix thead th, table.matrix .a, table.matrix .t { position: static; }
  #filter { display: none; }
}
</style>
</head>
<body>
)";

// Only the filter needs script: without it the box stays hidden and every
// row shows.
constexpr const char* kScript = R"(<script>
(function () {
  var box = document.getElementById("filter");
  if (!box) return;
  box.hidden = false;
  var rows = Array.prototype.slice.call(document.querySelectorAll("table.filtered tbody tr"));
  var keys = rows.map(function (row) {
    return (row.cells[0].textContent + "\u0000" + row.cells[1].textContent).toLowerCase();
  });
  function apply() {
    var text = box.value.toLowerCase();
    var shown = 0;
    rows.forEach(function (row, i) {
      var show = text === "" || keys[i].indexOf(text) >= 0;
      row.hidden = !show;
      if (show) shown++;
    });
    var count = document.getElementById("shown");
    if (count) count.textContent = text === "" ? "" : shown + " of " + rows.length + " rows shown";
  }
  box.addEventListener("input", apply);
  apply();
})();
</script>
</body>
</html>
)";

void Cell(std::ostream& out, const char* tag, const std::string& bytes, const char* cls = nullptr) {
  out << "<" << tag;
  if (cls != nullptr) out << " class=\"" << cls << "\"";
  out << ">" << HtmlText(bytes) << "</" << tag << ">";
}

void Filter(std::ostream& out, std::size_t rows) {
  out << "<p><input id=\"filter\" type=\"search\" hidden placeholder=\"Filter by address or "
         "description\" aria-label=\"Filter rows by address or description\"> <span "
         "id=\"shown\" aria-live=\"polite\"></span></p>\n";
  out << "<p>" << rows << " row(s).</p>\n";
}

void SummaryRow(std::ostream& out, const ArchiveSummary& s, std::uint64_t most, bool withRules) {
  out << "<tr>";
  Cell(out, "td", s.name);
  if (!s.readable) {
    out << "<td colspan=\"" << (withRules ? 7 : 5) << "\">cannot be read: " << HtmlText(s.failure)
        << "</td>";
  } else {
    out << "<td class=\"num\">" << s.lines << "</td><td class=\"num\">" << s.differ
        << "</td><td class=\"num\">" << s.missing << "</td><td class=\"num\">" << s.extra
        << "</td>";
    if (withRules) {
      out << "<td class=\"num\">" << s.ignored << "</td><td class=\"num\">" << s.tolerated
          << "</td>";
    }
    const std::uint64_t all = s.differ + s.missing + s.extra;
    const double width =
        most == 0 ? 0.0 : 12.0 * static_cast<double>(all) / static_cast<double>(most);
    out << "<td>"
        << "<span class=\"bar\" style=\"width:" << width << "em\"></span> " << all << "</td>";
  }
  out << "<td>";
  for (const ReferenceMessage& m : s.messages) {
    out << HtmlText(m.title) << ": " << HtmlText(m.text) << "<br>";
  }
  out << "</td></tr>\n";
}

}  // namespace

void WriteReferenceHtml(std::ostream& out, const ReferenceResult& result, const std::string& date) {
  out << kHead << "Parvex: " << HtmlText(result.reference.name) << " and " << result.archives.size()
      << " archive(s)" << kStyle;
  out << "<h1>Comparison with the reference " << HtmlText(result.reference.name) << "</h1>\n";
  out << "<dl class=\"inputs\"><dt>Created</dt><dd>" << HtmlText(date) << "</dd>";
  out << "<dt>Reference</dt><dd>" << HtmlText(result.reference.path) << " ("
      << result.reference.lines << " lines)</dd>";
  out << "<dt>Archives</dt><dd>" << result.archives.size() << "</dd>";
  out << "<dt>Read-only values</dt><dd>"
      << (result.options.includeReadOnly ? "included" : "left out") << "</dd>";
  out << "<dt>Numbers</dt><dd>"
      << (result.options.numbersByValue ? "compared by value" : "compared as text") << "</dd>";
  const bool withRules = result.options.rules != nullptr;
  if (withRules)
    out << "<dt>Rules file</dt><dd>" << HtmlText(result.options.rules->Path()) << "</dd>";
  for (const ReferenceMessage& m : result.reference.messages) {
    out << "<dt>Message</dt><dd>" << HtmlText(m.title) << ": " << HtmlText(m.text) << "</dd>";
  }
  out << "</dl>\n";

  out << "<h2>Archives</h2>\n<table class=\"summary\"><thead><tr><th>Archive</th><th>Lines</th>"
         "<th>Differ</th><th>Missing</th><th>Extra</th>"
      << (withRules ? "<th>Ignored</th><th>Within tolerance</th>" : "")
      << "<th>Deviations</th><th>Messages</th></tr></thead><tbody>\n";
  std::uint64_t most = 0;
  for (const ArchiveSummary& s : result.archives) {
    most = std::max(most, s.differ + s.missing + s.extra);
  }
  for (const ArchiveSummary& s : result.archives) SummaryRow(out, s, most, withRules);
  out << "</tbody></table>\n";

  out << "<h2>Deviations</h2>\n<p>A marked cell (&#x2260;) holds the archive's value where it "
         "differs; &#x2205; marks a missing line; an empty cell equals the reference.</p>\n";
  Filter(out, result.rows.size());
  out << "<div class=\"scroll\"><table class=\"matrix filtered\"><thead><tr><th "
         "class=\"a\">Address</th><th class=\"t\">Description</th><th>Units</th>"
         "<th>Reference</th>";
  for (const ArchiveSummary& s : result.archives) Cell(out, "th", s.name);
  out << "</tr></thead><tbody>\n";
  for (const ReferenceRow& row : result.rows) {
    out << "<tr>";
    Cell(out, "td", row.address, "a");
    Cell(out, "td", row.description, "t");
    Cell(out, "td", row.units);
    if (row.inReference) {
      Cell(out, "td", row.reference);
    } else {
      Cell(out, "td", kMissingText, "m");
    }
    ForEachCell(result, row, [&](std::uint32_t, const ReferenceCell& cell) {
      const ReferenceCell::Kind kind = cell.kind;
      const std::string& value = cell.value;
      switch (kind) {
        case ReferenceCell::Kind::Value:
          Cell(out, "td", value, "d");
          break;
        case ReferenceCell::Kind::Missing:
          Cell(out, "td", kMissingText, "m");
          break;
        case ReferenceCell::Kind::Unread:
          out << "<td class=\"u\">unread</td>";
          break;
        default:
          out << "<td></td>";
      }
    });
    out << "</tr>\n";
  }
  out << "</tbody></table></div>\n" << kScript;
}

void WriteDifferencesHtml(std::ostream& out, const DifferenceList& list, const ReportTitles& titles,
                          const std::string& date) {
  out << kHead << "Parvex: " << HtmlText(list.Status()) << kStyle;
  out << "<h1>Archive Report</h1>\n<p>Created at " << HtmlText(date) << "</p>\n<p>"
      << HtmlText(titles.Title1) << "</p>\n<p>" << HtmlText(titles.Title2) << "</p>\n";
  if (const auto& rules = list.Rules()) {
    out << "<p>Rules file " << HtmlText(rules->path) << ": " << rules->ignored << " ignored, "
        << rules->tolerated << " within tolerance</p>\n";
  }
  Filter(out, list.Rows().size());
  out << "<div class=\"scroll\"><table class=\"matrix filtered\"><thead><tr>";
  for (int c = 0; c < DifferenceList::kColumnCount; ++c) {
    Cell(out, "th", list.Column(c).Caption, c == 0 ? "a" : c == 1 ? "t" : nullptr);
  }
  out << "</tr></thead><tbody>\n";
  for (const DifferenceRow& row : list.Rows()) {
    out << "<tr>";
    Cell(out, "td", row.Text, row.Locked ? "a ro" : "a");
    Cell(out, "td", row.SubItems[0], "t");
    Cell(out, "td", row.SubItems[1]);
    Cell(out, "td", row.SubItems[2], "d");
    Cell(out, "td", row.SubItems[3]);
    out << "</tr>\n";
  }
  out << "</tbody></table></div>\n<p>" << HtmlText(list.Status()) << "</p>\n" << kScript;
}

}  // namespace parvex
