#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

#include "engine/pairing/CompareOptions.h"

namespace parvex {

class DifferenceList;
class OutputFile;

// Where a report goes. The writer calls these four points in order; each
// destination decides what they mean.
class ReportDestination {
 public:
  virtual ~ReportDestination() = default;
  virtual void Prepare() = 0;
  virtual void Emit(std::string_view line) = 0;
  virtual void PageBreak() = 0;
  virtual void Finish() = 0;
};

// A text file: every line ends in CR LF, a page break is a line holding one
// form feed, and Finish puts the file in place. A report that fails before
// Finish leaves the file it would have replaced as it was.
class TextFileDestination final : public ReportDestination {
 public:
  explicit TextFileDestination(OutputFile& file) : file_(file) {}
  void Prepare() override {}
  void Emit(std::string_view line) override;
  void PageBreak() override;
  void Finish() override;

 private:
  OutputFile& file_;
};

// The page layout's constants.
inline constexpr int kReportLineWidth = 83;
inline constexpr int kLinesPerPage = 67;

// The text fitted to width bytes: cut, or filled with blanks.
std::string PadString(std::string_view text, std::int16_t width);

// The current local date and time in the user's short date and long time.
std::string ReportDate();

struct ReportTitles {
  std::string Title1;
  std::string Title2;
};

// Title 1 names archive 1; title 2 names archive 2, or the two structures when
// the last comparison chosen was the structure comparison, and ends by naming
// the options that made the list, if any.
ReportTitles MakeReportTitles(bool structureMode, std::string_view archive1,
                              std::string_view archive2, std::string_view structure1,
                              std::string_view structure2, const CompareOptions& options = {});

// Writes the whole list in the page layout or, with csv, the comma-delimited
// layout. Failures are reported under "Error While Printing"; lines already
// emitted stay and the destination is then not finished. The date source is
// asked once per report.
void WriteReport(ReportDestination& destination, bool csv, const DifferenceList& list,
                 const std::string& title1, const std::string& title2,
                 const std::function<std::string()>& date = ReportDate);

}  // namespace parvex
