#include "reports/layouts/HtmlReport.h"

#include <algorithm>
#include <ostream>

#include "engine/list/DifferenceList.h"
#include "engine/values/Rules.h"
#include "reference/ReferenceResult.h"
#include "reports/layouts/ReferenceVerdict.h"
#include "reports/layouts/TextForPeople.h"
#include "reports/page/Report.h"

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

// The Description column sticks where the Address column ends: after its
// width, padding and border, so that it does not slide under it.
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
table.matrix .t { position: sticky; left: calc(6em + 13px); z-index: 1; background: #fff;
                  min-width: 12em; }
table.matrix thead .a, table.matrix thead .t { z-index: 3; background: #e8eaf0; }
td.d { background: #fde2e2; font-weight: bold; }
td.d::before { content: "\2260\00a0"; color: #b03030; }
td.m { background: #fff2cc; font-style: italic; }
td.m::before { content: "\2205\00a0"; }
td.u { color: #666; }
td.x { background: #dde8fb; }
td.x::before { content: "+\00a0"; color: #1d4f9c; font-weight: bold; }
.units { background: #fff2cc; text-decoration: underline dotted; }
.ro::after { content: " \1F512"; }
p.verdict { font-size: 1.15em; font-weight: bold; margin: 0 0 .6em; }
td.v { white-space: nowrap; }
td.v.eq::before { content: "\2713\00a0"; color: #2a7a2a; }
td.v.dev { color: #b03030; font-weight: bold; }
td.v.dev::before { content: "\26A0\00a0"; }
td.v.unread { font-style: italic; }
td.v.unread::before { content: "\2717\00a0"; }
th button { font: inherit; font-weight: bold; border: 0; background: none; padding: 0;
            cursor: pointer; text-decoration: underline dotted; }
th[aria-sort="ascending"] button::after { content: " \25B2"; }
th[aria-sort="descending"] button::after { content: " \25BC"; }
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

// Only the filter and the sorting need script: without it the box stays
// hidden, every row shows and the archives stand in the order of the inputs.
// A click on a header of the archives' table sorts by that column: the
// counts and the verdict most (worst) first, the archive in the order of the
// inputs; a second click turns the order round; ties keep the order of the
// inputs. The script holds no comment, so that the page holds no "//".
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
(function () {
  var table = document.querySelector("table.summary");
  if (!table) return;
  var body = table.tBodies[0];
  var rows = Array.prototype.slice.call(body.rows);
  var heads = Array.prototype.slice.call(table.tHead.rows[0].cells);
  var order = function (row) { return Number(row.getAttribute("data-order")); };
  heads.forEach(function (th) {
    var key = th.getAttribute("data-key");
    if (!key) return;
    var button = document.createElement("button");
    button.type = "button";
    button.textContent = th.textContent;
    th.textContent = "";
    th.appendChild(button);
    var first = key === "order" ? "ascending" : "descending";
    button.addEventListener("click", function () {
      var now = th.getAttribute("aria-sort");
      var way = now === first ? (first === "ascending" ? "descending" : "ascending") : first;
      var sign = way === "ascending" ? 1 : -1;
      var value = function (row) { return Number(row.getAttribute("data-" + key)); };
      rows.slice().sort(function (a, b) {
        return sign * (value(a) - value(b)) || order(a) - order(b);
      }).forEach(function (row) { body.appendChild(row); });
      heads.forEach(function (h) { h.removeAttribute("aria-sort"); });
      th.setAttribute("aria-sort", way);
    });
  });
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

// The verdict as a sort key (a worse one is larger), class and text.
struct VerdictMark {
  int key;
  const char* cls;
  const char* text;
};

VerdictMark MarkOf(const ArchiveSummary& s) {
  if (!s.readable) return {2, "v unread", "Not read"};
  if (s.Deviates()) return {1, "v dev", "Deviates"};
  return {0, "v eq", "Equal"};
}

// The sort keys ride on the row, so that the script needs no cell to hold a
// number (an unread archive's counts are one cell of prose).
void SummaryRowStart(std::ostream& out, const ArchiveSummary& s, std::size_t order,
                     bool withRules) {
  const VerdictMark mark = MarkOf(s);
  const auto key = [&](const char* name, std::uint64_t n) {
    out << " data-" << name << "=\"";
    if (s.readable) {
      out << n;
    } else {
      out << -1;
    }
    out << "\"";
  };
  out << "<tr data-order=\"" << order << "\" data-verdict=\"" << mark.key << "\"";
  key("lines", s.lines);
  key("differ", s.differ);
  key("missing", s.missing);
  key("extra", s.extra);
  if (withRules) {
    key("ignored", s.ignored);
    key("tolerated", s.tolerated);
  }
  key("deviations", s.differ + s.missing + s.extra);
  out << ">";
  Cell(out, "td", s.name);
  out << "<td class=\"" << mark.cls << "\">" << mark.text << "</td>";
}

void SummaryRow(std::ostream& out, const ArchiveSummary& s, std::size_t order, std::uint64_t most,
                bool withRules) {
  SummaryRowStart(out, s, order, withRules);
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
  for (const std::string& note : s.notes) out << "Note: " << HtmlText(note) << "<br>";
  out << "</td></tr>\n";
}

void Inputs(std::ostream& out, const ReferenceResult& result, const std::string& date) {
  out << "<dl class=\"inputs\"><dt>Created</dt><dd>" << HtmlText(date) << "</dd>";
  out << "<dt>Reference</dt><dd>" << HtmlText(result.reference.path) << " ("
      << result.reference.lines << " lines)</dd>";
  out << "<dt>Archives</dt><dd>" << result.archives.size() << "</dd>";
  if (!result.skipped.empty()) {
    out << "<dt>Skipped, not archives</dt><dd>";
    const char* separator = "";
    for (const std::string& name : result.skipped) {
      out << separator << HtmlText(name);
      separator = ", ";
    }
    out << "</dd>";
  }
  out << "<dt>Read-only values</dt><dd>"
      << (result.options.IncludeReadOnly ? "included" : "left out") << "</dd>";
  out << "<dt>Numbers</dt><dd>"
      << (result.options.NumbersByValue ? "compared by value" : "compared as text") << "</dd>";
  if (result.options.AppliedRules)
    out << "<dt>Rules file</dt><dd>" << HtmlText(result.options.AppliedRules->Path()) << "</dd>";
  for (const ReferenceMessage& m : result.reference.messages) {
    out << "<dt>Message</dt><dd>" << HtmlText(m.title) << ": " << HtmlText(m.text) << "</dd>";
  }
  for (const std::string& note : result.reference.notes) {
    out << "<dt>Note</dt><dd>" << HtmlText(note) << "</dd>";
  }
  out << "</dl>\n";
}

void SummaryTable(std::ostream& out, const ReferenceResult& result) {
  const bool withRules = result.options.AppliedRules != nullptr;
  out << "<h2>Archives</h2>\n<table class=\"summary\"><thead><tr><th data-key=\"order\">Archive"
         "</th><th data-key=\"verdict\">Verdict</th><th data-key=\"lines\">Lines</th>"
         "<th data-key=\"differ\">Differ</th><th data-key=\"missing\">Missing</th>"
         "<th data-key=\"extra\">Extra</th>"
      << (withRules ? "<th data-key=\"ignored\">Ignored</th><th data-key=\"tolerated\">Within "
                      "tolerance</th>"
                    : "")
      << "<th data-key=\"deviations\">Deviations</th><th>Messages</th></tr></thead><tbody>\n";
  std::uint64_t most = 0;
  for (const ArchiveSummary& s : result.archives) {
    most = std::max(most, s.differ + s.missing + s.extra);
  }
  for (std::size_t k = 0; k < result.archives.size(); ++k) {
    SummaryRow(out, result.archives[k], k, most, withRules);
  }
  out << "</tbody></table>\n";
}

void MatrixCell(std::ostream& out, const ReferenceRow& row, const ReferenceCell& cell) {
  switch (cell.kind) {
    case ReferenceCell::Kind::Value:
      if (!row.inReference) {
        out << "<td class=\"x\" title=\"extra: the reference lacks this line\">"
            << HtmlText(cell.value) << "</td>";
      } else if (cell.units) {
        out << "<td class=\"d\">" << HtmlText(cell.value)
            << " <span class=\"units\" title=\"units differ from the reference's\">"
            << HtmlText("[" + *cell.units + "]") << "</span></td>";
      } else {
        Cell(out, "td", cell.value, "d");
      }
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
}

void Matrix(std::ostream& out, const ReferenceResult& result) {
  out << "<h2>Deviations</h2>\n<p>A marked cell (&#x2260;) holds the archive's value where it "
         "differs, with the archive's units in square brackets where they differ from the "
         "reference's; &#x2205; marks a missing line; + marks the value of a line the reference "
         "lacks; an empty cell equals the reference.</p>\n";
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
    ForEachCell(result, row,
                [&](std::uint32_t, const ReferenceCell& cell) { MatrixCell(out, row, cell); });
    out << "</tr>\n";
  }
  out << "</tbody></table></div>\n";
}

}  // namespace

void WriteReferenceHtml(std::ostream& out, const ReferenceResult& result, const std::string& date) {
  out << kHead << "Parvex: " << HtmlText(result.reference.name) << " and " << result.archives.size()
      << " archive(s)" << kStyle;
  out << "<h1>Comparison with the reference " << HtmlText(result.reference.name) << "</h1>\n";
  out << "<p class=\"verdict\" id=\"verdict\">" << HtmlText(VerdictOf(result).text) << "</p>\n";
  Inputs(out, result, date);
  SummaryTable(out, result);
  Matrix(out, result);
  out << kScript;
}

void WriteDifferencesHtml(std::ostream& out, const DifferenceList& list, const ReportTitles& titles,
                          const std::string& date) {
  out << kHead << "Parvex: " << HtmlText(ReportedStatus(list)) << kStyle;
  out << "<h1>Archive Report</h1>\n<p>Created at " << HtmlText(date) << "</p>\n<p>"
      << HtmlText(titles.Title1) << "</p>\n<p>" << HtmlText(titles.Title2) << "</p>\n";
  if (list.Failed()) out << "<p class=\"verdict\">" << HtmlText(ReportedStatus(list)) << "</p>\n";
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
  out << "</tbody></table></div>\n<p>" << HtmlText(ReportedStatus(list)) << "</p>\n" << kScript;
}

}  // namespace parvex
