#include "PairCommand.h"

#include <clocale>
#include <cstdio>
#include <iostream>
#include <memory>

#include "CliText.h"
#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/values/Numbers.h"
#include "engine/values/Rules.h"
#include "reports/layouts/ListLayouts.h"
#include "reports/page/Report.h"

namespace parvex {

namespace {

// Standard output as a report destination: the same bytes a report file gets.
class StdoutDestination final : public ReportDestination {
 public:
  void Prepare() override {}
  void Emit(std::string_view line) override {
    if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
        std::fwrite("\r\n", 1, 2, stdout) != 2) {
      throw Failure(kErrDeviceIo, "Cannot write to standard output");
    }
  }
  void PageBreak() override { Emit("\f"); }
  void Finish() override {
    if (std::fflush(stdout) != 0) throw Failure(kErrDeviceIo, "Cannot write to standard output");
  }
};

char LocaleDecimalPoint() {
  const std::lconv* conv = std::localeconv();
  return conv != nullptr && conv->decimal_point != nullptr && conv->decimal_point[0] != '\0'
             ? conv->decimal_point[0]
             : '.';
}

// Tells whether a comparison got as far as clearing the list: when it did
// not (an archive missing or not openable), there is nothing to report.
class StartWatch final : public DifferenceListObserver {
 public:
  void ListCleared() override { started = true; }
  void CaptionChanged(int) override {}
  void RowAppended(int) override {}
  void StatusChanged() override {}
  bool started = false;
};

// The JSON or web page layout when an option or the output file's name asks
// for one; Page otherwise, for the layouts of the two comparisons as before.
Layout WebLayout(bool json, bool html, bool csv, const std::string& output) {
  if (json) return Layout::Json;
  if (html) return Layout::Html;
  if (csv || output.empty()) return Layout::Page;
  return LayoutForName(output, Layout::Page);
}

// Writes a list in the JSON or web page layout, to path or to standard
// output; a failure is told like any other.
void WriteWebReport(Layout layout, const std::string& path, const DifferenceList& list,
                    const ReportTitles& titles) {
  try {
    if (path.empty()) {
      WriteListInLayout(std::cout, layout, list, titles);
      std::cout.flush();
      if (!std::cout) throw Failure(kErrDeviceIo, "Cannot write to standard output");
    } else {
      SaveListInLayout(path, layout, list, titles);
    }
  } catch (...) {
    ReportVBError("Error While Saving Report");
  }
}

// The report of a list in the layout the command asks for, to its file or to
// standard output. A page or CSV report that fails part-way leaves the file
// it would have replaced as it was.
void WriteListReport(const PairCommand& command, const std::string& output,
                     const DifferenceList& list, const ReportTitles& titles) {
  if (const Layout web = WebLayout(command.json, command.html, command.csv, output);
      web != Layout::Page) {
    WriteWebReport(web, output, list, titles);
  } else if (!output.empty()) {
    try {
      OutputFile file(output);
      TextFileDestination destination(file);
      WriteReport(destination, command.csv || IsCsvName(output), list, titles.Title1,
                  titles.Title2);
    } catch (...) {
      ReportVBError("Error While Saving Report");
    }
  } else {
    StdoutDestination destination;
    WriteReport(destination, command.csv, list, titles.Title1, titles.Title2);
  }
}

}  // namespace

int RunPairCommand(const PairCommand& command, const bool& shown) {
  DifferenceList list;
  PairingNotes notes;
  StartWatch watch;
  list.SetObserver(&watch);
  CompareOptions options{command.byAddress, command.numbersByValue};
  options.CompareUnits = command.units;
  std::shared_ptr<const Rules> rules;
  try {
    // Read once the command line is known to be right.
    if (command.rules) rules = Rules::Read(Bytes(*command.rules));
  } catch (...) {
    ReportVBError("Error While Reading Rules");
    return 2;
  }
  options.AppliedRules = rules.get();
  const std::string archive1 = Bytes(command.arguments[0]);
  const std::string second = Bytes(command.arguments[1]);
  const std::string third = command.structures ? Bytes(command.arguments[2]) : std::string();
  const std::string output = command.output ? Bytes(*command.output) : std::string();
  std::vector<std::string> inputs{archive1};
  if (!command.structures) inputs.push_back(second);
  if (rules) inputs.push_back(rules->Path());
  if (!ReportTargetIsFree(output, inputs)) return 2;
  if (command.structures) {
    std::int16_t s1 = 0;
    std::int16_t s2 = 0;
    try {
      s1 = StructureNumber(second, LocaleDecimalPoint());
      s2 = StructureNumber(third, LocaleDecimalPoint());
    } catch (...) {
      ReportVBError("Error With Structure Parameters");
      std::fprintf(stderr, "%s\n", list.Status().c_str());
      return 2;
    }
    CompareStructures(archive1, s1, s2, list, command.includeReadOnly, options, &notes);
  } else {
    CompareArchives(archive1, second, list, command.includeReadOnly, options, &notes);
  }
  // A comparison that did not start has no report: an empty one would read as
  // "no differences", and an earlier report of that name stays as it was.
  if (watch.started) {
    WriteListReport(command, output, list,
                    MakeReportTitles(command.structures, archive1, second, second, third, options));
  }
  for (const std::string& note : PairingNoteTexts(notes)) {
    std::fprintf(stderr, "Note: %s\n", ForPeople(note).c_str());
  }
  std::fprintf(stderr, "%s\n", list.Status().c_str());
  if (shown) return 2;
  // Lines that were never compared: the archives differ, even without a row.
  return list.Count() > 0 || notes.LinesLeftOver() ? 1 : 0;
}

}  // namespace parvex
