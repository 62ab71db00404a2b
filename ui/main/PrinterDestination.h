#pragma once

#include <QPainter>

#include "reports/page/Report.h"

class QPrinter;

namespace parvex {

// The printer as a report destination: "Courier New" 10 pt (or a font with
// the same metrics), every line after a tab's indent, a new page at each page
// break, and the document ended at Finish. A report that fails half-way has
// its printer job aborted rather than left open.
class PrinterDestination final : public ReportDestination {
 public:
  explicit PrinterDestination(QPrinter& printer) : printer_(printer) {}
  ~PrinterDestination() override;
  PrinterDestination(const PrinterDestination&) = delete;
  PrinterDestination& operator=(const PrinterDestination&) = delete;

  void Prepare() override;
  void Emit(std::string_view line) override;
  void PageBreak() override;
  void Finish() override;

 private:
  QPrinter& printer_;
  QPainter painter_;
  int y_ = 0;
  int lineHeight_ = 0;
  int indent_ = 0;
};

// Report bytes as printed text: UTF-8 where the bytes are valid UTF-8 (the
// titles carry file names), else the archive code page.
QString PrintedText(std::string_view bytes);

}  // namespace parvex
