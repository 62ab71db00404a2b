#include "reports/page/Report.h"

#include <array>
#include <ctime>

#include "engine/base/ErrorReport.h"
#include "engine/base/Failure.h"
#include "engine/base/LocalTime.h"
#include "engine/base/OutputFile.h"
#include "engine/list/DifferenceList.h"
#include "engine/values/Rules.h"

namespace parvex {

void TextFileDestination::Emit(std::string_view line) {
  file_.Write(line);
  file_.Write("\r\n");
}
void TextFileDestination::PageBreak() {
  file_.Write("\f\r\n");
}
void TextFileDestination::Finish() {
  file_.Commit();
}

std::string PadString(std::string_view text, std::int16_t width) {
  if (width < 0) throw Failure(5, "Invalid procedure call or argument");
  const auto w = static_cast<std::size_t>(width);
  if (text.size() >= w) return std::string(text.substr(0, w));
  std::string result(text);
  result.append(w - text.size(), ' ');
  return result;
}

std::string ReportDate() {
  const std::tm local = LocalTime(std::time(nullptr));
  std::array<char, 128> text{};
  const std::size_t n = std::strftime(text.data(), text.size(), "%x %X", &local);
  return std::string(text.data(), n);
}

ReportTitles MakeReportTitles(bool structureMode, std::string_view archive1,
                              std::string_view archive2, std::string_view structure1,
                              std::string_view structure2, const CompareOptions& options) {
  ReportTitles titles;
  titles.Title1 = "Archive 1: " + std::string(archive1);
  if (structureMode) {
    titles.Title2 = "Structures " + std::string(structure1) + " and " + std::string(structure2);
  } else {
    titles.Title2 = "Archive 2: " + std::string(archive2);
  }
  if (options.MatchByAddress) titles.Title2 += " (matched by address)";
  if (options.NumbersByValue) titles.Title2 += " (numbers by value)";
  if (options.CompareUnits) titles.Title2 += " (units compared)";
  if (options.AppliedRules != nullptr) {
    titles.Title2 += " (rules: " + options.AppliedRules->FileName() + ")";
  }
  return titles;
}

namespace {

// The state of one report, reset at its start.
class ReportWriter {
 public:
  ReportWriter(ReportDestination& destination, bool csv, std::string date, std::string title1,
               std::string title2)
      : destination_(destination),
        csvMode_(csv),
        reportDate_(std::move(date)),
        title1_(std::move(title1)),
        title2_(std::move(title2)) {}

  void WriteHeader() {
    if (csvMode_) {
      WriteLine("Archive Report Created at " + reportDate_);
      WriteLine("");
      WriteLine("Address,Description," + title1_ + "," + title2_ + ",Units");
      return;
    }
    WriteLine("");
    WriteLine("Archive Report Created at " + reportDate_ + "\t\t\t\tPage " +
              std::to_string(pageNumber_));
    WriteLine("");
    WriteLine(title1_);
    WriteLine("");
    WriteLine(title2_);
    WriteLine("");
    WriteLine(PadString("Address", 8) + PadString("Description", 30) + PadString("Archive 1", 15) +
              PadString("Archive 2", 15) + PadString("Units", 15));
    WriteLine(std::string(kReportLineWidth, '-'));
    WriteLine("");
  }

  void WriteLine(std::string_view line) {
    if (lineCount_ + 1 >= kLinesPerPage + 1) {
      lineCount_ = 0;
      pageNumber_ = CheckedAdd16(pageNumber_, 1);
      // The comma-delimited layout restarts the count silently.
      if (!csvMode_) {
        destination_.PageBreak();
        WriteHeader();
      }
    }
    destination_.Emit(line);
    lineCount_ = CheckedAdd16(lineCount_, 1);
  }

  std::string RowLine(const DifferenceRow& row) const {
    if (csvMode_) {
      // Written as they stand: no quote doubling, and a trailing comma.
      return "\"" + row.Text + "\",\"" + row.Description() + "\",\"" + row.Value1() + "\",\"" +
             row.Value2() + "\",\"" + row.Units() + "\",";
    }
    return PadString(row.Text, 8) + PadString(row.Description(), 30) + PadString(row.Value1(), 15) +
           PadString(row.Value2(), 15) + PadString(row.Units(), 15);
  }

 private:
  ReportDestination& destination_;
  bool csvMode_;
  std::string reportDate_;
  std::string title1_;
  std::string title2_;
  std::int16_t lineCount_ = 0;
  std::int16_t pageNumber_ = 1;
};

}  // namespace

void WriteReport(ReportDestination& destination, bool csv, const DifferenceList& list,
                 const std::string& title1, const std::string& title2,
                 const std::function<std::string()>& date) {
  try {
    ReportWriter writer(destination, csv, date(), title1, title2);
    destination.Prepare();
    writer.WriteHeader();
    // The row counter is 16 bits: a longer list fails here, after the header.
    const std::int16_t count = CheckedInt16(list.Count());
    for (std::int16_t i = 0; i < count; ++i) {
      writer.WriteLine(writer.RowLine(list.Row(i)));
    }
    destination.Finish();
  } catch (...) {
    ReportVBError("Error While Printing");
  }
}

}  // namespace parvex
