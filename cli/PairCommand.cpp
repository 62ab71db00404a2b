#include "PairCommand.h"

#include <clocale>
#include <cstdio>
#include <memory>

#include "CliText.h"
#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/OutputFile.h"
#include "engine/list/DifferenceList.h"
#include "engine/pairing/Compare.h"
#include "engine/values/Numbers.h"
#include "engine/values/Rules.h"
#include "reports/layouts/SaveReport.h"
#include "reports/page/Report.h"

namespace parvex {

namespace {

// Standard output as a report destination: the same bytes a report file gets.
class StdoutDestination final : public ReportDestination {
 public:
  explicit StdoutDestination(std::FILE* out) : out_(out) {}
  void Prepare() override {}
  void Emit(std::string_view line) override {
    if (std::fwrite(line.data(), 1, line.size(), out_) != line.size() ||
        std::fwrite("\r\n", 1, 2, out_) != 2) {
      throw Failure(kErrDeviceIo, "Cannot write to standard output");
    }
  }
  void PageBreak() override { Emit("\f"); }
  void Finish() override {
    if (std::fflush(out_) != 0) throw Failure(kErrDeviceIo, "Cannot write to standard output");
  }

 private:
  std::FILE* out_;
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

// The report of a list in the layout the command asks for, to its file or to
// standard output. A report that fails part-way leaves the file it would
// have replaced as it was.
void WriteListReport(const PairCommand& command, const std::string& output,
                     const DifferenceList& list, const ReportTitles& titles, std::FILE* out) {
  const Layout layout = ChooseLayout(output, command.AskedLayout(), Layout::Page);
  if (output.empty() && (layout == Layout::Page || layout == Layout::Csv)) {
    StdoutDestination destination(out);
    WriteReport(destination, layout == Layout::Csv, list, titles.Title1, titles.Title2);
    return;
  }
  try {
    if (!output.empty()) {
      SaveReport(output, layout, list, titles);
    } else {
      CFileStream stream(out);
      WriteListReport(stream, layout, list, titles);
      if (!stream.flush()) throw Failure(kErrDeviceIo, "Cannot write to standard output");
    }
  } catch (...) {
    ReportVBError("Error While Saving Report");
  }
}

// A note with the quoted name of a file as the name it is shown as.
std::string Renamed(std::string note, const std::string& path, const std::string& shown) {
  const std::string quoted = "'" + path + "'";
  if (const auto at = note.find(quoted); at != std::string::npos) {
    note.replace(at, quoted.size(), "'" + shown + "'");
  }
  return note;
}

}  // namespace

int RunPairCommand(const PairCommand& command, const CliStreams& streams, const bool& shown) {
  DifferenceList list;
  PairingNotes notes;
  StartWatch watch;
  list.SetObserver(&watch);
  CompareOptions options{command.byAddress, command.numbersByValue};
  options.CompareUnits = command.units;
  options.IncludeReadOnly = command.includeReadOnly;
  std::shared_ptr<const Rules> rules;
  try {
    // Read once the command line is known to be right.
    if (command.rules) rules = Rules::Read(Bytes(*command.rules));
  } catch (...) {
    ReportVBError("Error While Reading Rules");
    return 2;
  }
  options.AppliedRules = rules;
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
      std::fprintf(streams.err, "%s\n", list.Status().c_str());
      return 2;
    }
    CompareStructures(archive1, s1, s2, list, options, &notes);
  } else {
    CompareArchives(archive1, second, list, options, &notes);
  }
  // A comparison that did not start has no report: an empty one would read as
  // "no differences", and an earlier report of that name stays as it was.
  const std::string shown1 = command.shownAs.empty() ? archive1 : command.shownAs[0];
  const std::string shown2 = command.shownAs.empty() ? second : command.shownAs[1];
  if (watch.started) {
    WriteListReport(command, output, list,
                    MakeReportTitles(command.structures, shown1, shown2, second, third, options),
                    streams.out);
  }
  for (std::string note : PairingNoteTexts(notes)) {
    if (!command.shownAs.empty()) note = Renamed(Renamed(note, archive1, shown1), second, shown2);
    std::fprintf(streams.err, "Note: %s\n", ForPeople(note).c_str());
  }
  std::fprintf(streams.err, "%s\n", list.Status().c_str());
  if (shown) return 2;
  // Lines that were never compared: the archives differ, even without a row.
  return list.Count() > 0 || notes.LinesLeftOver() ? 1 : 0;
}

}  // namespace parvex
